#include "pipeline/file_stages.h"

#include <array>

#include "pipeline/archive_messages.h"
#include "pipeline/conversion_workspace.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"
#include "platform/resource_store.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemplateMissing = "GPL directory not correctly set?";

// What a user can do when a run stops for want of a geometry template. The message above is
// kept word for word; this follows it, naming what the front end offers.
std::string TemplateMissingHint(std::string_view resource, std::string_view track_file_control) {
  std::string hint = "The geometry template " + std::string(resource) +
                     " is missing: put a file of that name into the resources folder (setting "
                     "Resources, option --resources), or convert the source game's own track file";
  if (!track_file_control.empty()) hint.append(" (").append(track_file_control).append(")");
  return hint + ".";
}

// Carried files written into every converted track, as (resource, file name).
struct CarriedFile {
  std::string_view resource;
  std::string_view file;
};
constexpr CarriedFile kGroove = {"N2GROOVE_MIP", "groove.mip"};
constexpr std::array<CarriedFile, 8> kCarriedFiles = {{
    kGroove,
    {"N4BLANK_3DO", "_blank_.3do"},
    {"_TIRE_3DO", "_tire.3do"},
    {"_HAY_3DO", "_hay.3do"},
    {"_HAY_MIP", "hayba_s.mip"},
    {"_CONE_3DO", "_cone.3do"},
    {"_CONE1_SRB", "_cone1.srb"},
    {"_CONEBS1_MIP", "_conebs1.mip"},
}};
constexpr std::array<std::string_view, 8> kCartCarriedOrder = {
    "N2GROOVE_MIP", "N4BLANK_3DO", "_TIRE_3DO",  "_HAY_3DO",
    "_HAY_MIP",     "_CONE_3DO",   "_CONE1_SRB", "_CONEBS1_MIP"};
constexpr std::array<std::string_view, 8> kNSeriesCarriedOrder = {
    "N2GROOVE_MIP", "N4BLANK_3DO", "_TIRE_3DO",  "_CONE_3DO",
    "_HAY_3DO",     "_HAY_MIP",    "_CONE1_SRB", "_CONEBS1_MIP"};

constexpr std::array<std::string_view, 18> kCartMexicoOrder = {
    "bwpic.pbf",    "event.pbf", "page0.pbf",   "page1.pbf",    "page2.pbf",    "page3.pbf",
    "page4.pbf",    "page5.pbf", "starter.3do", "groove.mip",   "flagger.3do",  "flagger.srb",
    "announce.wav", "crowd.wav", "tire.3do",    "tirefrnt.mip", "tireside.mip", "shadtire.mip"};
constexpr std::array<std::string_view, 18> kNSeriesMexicoOrder = {
    "bwpic.pbf", "event.pbf",    "page0.pbf",    "page1.pbf",    "page2.pbf",    "page3.pbf",
    "page4.pbf", "page5.pbf",    "groove.mip",   "starter.3do",  "flagger.3do",  "flagger.srb",
    "tire.3do",  "tirefrnt.mip", "tireside.mip", "shadtire.mip", "announce.wav", "crowd.wav"};

// Listed for packing near the end of every run, in this order.
constexpr std::array<std::string_view, 18> kStandardPackOrder = {
    "bwpic.pbf",    "event.pbf",    "page0.pbf",    "page1.pbf",   "page2.pbf",    "page3.pbf",
    "page4.pbf",    "page5.pbf",    "starter.3do",  "flagger.3do", "flagger.srb",  "tire.3do",
    "tireside.mip", "tirefrnt.mip", "shadtire.mip", "crowd.wav",   "announce.wav", "_blank_.3do"};

// Writes the template as the GPL track file. Without it, `option` decides: 0 stops the run;
// any other value goes on (the CART run says the GPL folder may be wrong all the same).
bool PlaceFoundTemplate(RunContext& run, const std::string& resource, bool cart, int option) {
  if (run.workspace.ExtractResource(resource, run.gpl_track + ".trk", true)) return true;
  const bool stops = option == 0;
  if (stops) {
    run.messages().ShowWithHint(kTemplateMissing,
                                TemplateMissingHint(resource, run.request.track_file_control));
  } else if (cart) {
    run.messages().Show(kTemplateMissing);
  }
  return !stops;
}

const CarriedFile& CarriedFileOf(std::string_view resource) {
  for (const CarriedFile& file : kCarriedFiles) {
    if (file.resource == resource) return file;
  }
  return kCarriedFiles.front();
}

}  // namespace

std::span<const std::string_view> CartCarriedOrder() { return kCartCarriedOrder; }
std::span<const std::string_view> NSeriesCarriedOrder() { return kNSeriesCarriedOrder; }
std::span<const std::string_view> CartMexicoOrder() { return kCartMexicoOrder; }
std::span<const std::string_view> NSeriesMexicoOrder() { return kNSeriesMexicoOrder; }

void StartOutput(RunContext& run, std::string gpl_track) {
  run.gpl_track = std::move(gpl_track);
  run.workspace.set_track_name(run.gpl_track);
  const fs::path folder = run.request.gpl_dir / "Tracks" / run.gpl_track;
  CreateFolder(folder);  // an existing folder is fine; a missing Tracks folder shows up later
  // GPL folders spell "Tracks" in any case: the output goes to the spelling on disk.
  run.workspace.set_output_folder(ResolveExisting(folder).value_or(folder));
  run.src_track_folder = run.request.src_dir / "Tracks" / run.request.source_track;
}

void UnpackSource(RunContext& run) {
  UnpackArchiveReported(run.source_archive,
                        run.src_track_folder / (run.request.source_track + ".dat"), run.messages());
  run.tmp_folder = run.source_archive.folder_path();
  run.source_files.Reset(run.source_archive);
}

void SetProgressRange(RunContext& run) {
  if (run.request.progress == nullptr) return;
  // The range counts the unpacked files as a listing of their folder would, "." and ".."
  // included.
  const std::size_t entries = run.source_files.available() ? run.source_files.count() + 2 : 0;
  run.request.progress->SetRange(0, static_cast<int>(entries % 65536));
  run.request.progress->SetPosition(2);
}

bool PlaceTemplate(RunContext& run, bool cart) {
  const std::string& track = run.gpl_track;
  const std::string resource = track + "_N4T";
  if (!run.track_file_option) {
    // Automatic: a template that is there is used as with the option at 0; without one the
    // source game's own track file is converted, with nothing to tell the user about.
    const std::optional<std::span<const std::uint8_t>> found = run.services.resources.Find(resource);
    if (!found || found->empty()) {
      run.converts_track_file = true;
      return true;
    }
    return PlaceFoundTemplate(run, resource, cart, 0);
  }
  run.converts_track_file = *run.track_file_option == 1;
  return PlaceFoundTemplate(run, resource, cart, *run.track_file_option);
}

bool ExtractCarriedFiles(RunContext& run, std::span<const std::string_view> order) {
  for (std::string_view resource : order) {
    const CarriedFile& file = CarriedFileOf(resource);
    if (!run.workspace.ExtractResource(file.resource, file.file, true)) return false;
    if (file.resource == kGroove.resource) {
      // The groove texture is converted with the track's own textures. Without an unpacked
      // source there is nothing to convert it with: the carried texture is packed as it is.
      if (auto groove = run.workspace.HeldOutput(run.GplTrackFile(file.file))) {
        run.source_files.Put(file.file, *groove);
      }
    }
  }
  return true;
}

void CopyStandardFiles(RunContext& run, std::span<const std::string_view> order) {
  run.mexico_archive.emplace();
  // A mexico track that cannot be read gives no files to copy; the run packs what it has.
  // Without an extraction folder the member paths would name files in the working folder.
  UnpackArchiveReported(*run.mexico_archive,
                        run.request.gpl_dir / "tracks" / "mexico" / "mexico.dat", run.messages());
  for (std::string_view name : order) {
    // A file mexico lacks is not copied; packing names it when it finds it missing. The copy
    // is the workspace's own: the mexico archive goes with the run.
    std::optional<std::span<const std::uint8_t>> member = run.mexico_archive->HeldMember(name);
    if (!member) continue;
    run.workspace.HoldOutput(run.GplTrackFile(name),
                             std::vector<std::uint8_t>(member->begin(), member->end()));
  }
}

void PackStandardFiles(RunContext& run) {
  for (std::string_view name : kStandardPackOrder) run.workspace.AddToPack(run.GplTrackFile(name));
}

}  // namespace velmora
