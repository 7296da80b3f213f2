#include "pipeline/conversion_run.h"

#include <array>

#include "image/pcx_file.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"
#include "platform/settings.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemplateMissing = "GPL directory not correctly set?";

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
// The two pipelines write the carried files in different orders, named by resource.
constexpr std::array<std::string_view, 8> kCartCarriedOrder = {
    "N2GROOVE_MIP", "N4BLANK_3DO", "_TIRE_3DO", "_HAY_3DO",
    "_HAY_MIP",     "_CONE_3DO",   "_CONE1_SRB", "_CONEBS1_MIP"};
constexpr std::array<std::string_view, 8> kNSeriesCarriedOrder = {
    "N2GROOVE_MIP", "N4BLANK_3DO", "_TIRE_3DO",  "_CONE_3DO",
    "_HAY_3DO",     "_HAY_MIP",    "_CONE1_SRB", "_CONEBS1_MIP"};

// GPL's standard trackside files, copied from its own "mexico" track.
constexpr std::array<std::string_view, 18> kCartMexicoOrder = {
    "bwpic.pbf",   "event.pbf",   "page0.pbf",    "page1.pbf",    "page2.pbf",   "page3.pbf",
    "page4.pbf",   "page5.pbf",   "starter.3do",  "groove.mip",   "flagger.3do", "flagger.srb",
    "announce.wav", "crowd.wav",  "tire.3do",     "tirefrnt.mip", "tireside.mip", "shadtire.mip"};
constexpr std::array<std::string_view, 18> kNSeriesMexicoOrder = {
    "bwpic.pbf",   "event.pbf",    "page0.pbf",    "page1.pbf",    "page2.pbf",
    "page3.pbf",   "page4.pbf",    "page5.pbf",    "groove.mip",   "starter.3do",
    "flagger.3do", "flagger.srb",  "tire.3do",     "tirefrnt.mip", "tireside.mip",
    "shadtire.mip", "announce.wav", "crowd.wav"};

// Listed for packing near the end of every run, in this order.
constexpr std::array<std::string_view, 18> kStandardPackOrder = {
    "bwpic.pbf",    "event.pbf",    "page0.pbf",    "page1.pbf",   "page2.pbf",
    "page3.pbf",    "page4.pbf",    "page5.pbf",    "starter.3do", "flagger.3do",
    "flagger.srb",  "tire.3do",     "tireside.mip", "tirefrnt.mip", "shadtire.mip",
    "crowd.wav",    "announce.wav", "_blank_.3do"};

constexpr std::array<std::string_view, 4> kCartTextureKinds = {".mip", ".mi4", ".m16", ".pcx"};
constexpr std::array<std::string_view, 3> kCartSpriteKinds = {".pmp", ".pm4", ".p16"};

// Sizes of race.lp that mark the newer layouts of two N-series tracks.
constexpr std::uintmax_t kSearsNewRaceLineSize = 11692;
constexpr std::uintmax_t kAtlanta70RaceLineSize = 8848;

const CarriedFile& CarriedFileOf(std::string_view resource) {
  for (const CarriedFile& file : kCarriedFiles) {
    if (file.resource == resource) return file;
  }
  return kCarriedFiles.front();
}

bool RaceLineHasSize(const fs::path& src_dir, std::string_view source_track, std::uintmax_t size) {
  std::optional<std::uintmax_t> found =
      FileSize(src_dir / "Tracks" / std::string(source_track) / "race.lp");
  return found && *found == size;
}

}  // namespace

ConversionRun::ConversionRun(TrackConverter& converter, RunRequest request)
    : converter_(converter),
      workspace_(converter.workspace()),
      request_(std::move(request)),
      track_file_conversion_(converter.services().settings.TrackFileConversion()),
      source_archive_(converter.services().messages) {}

ConversionRun::~ConversionRun() = default;

std::string ConversionRun::NSeriesGplTrack(const fs::path& src_dir, std::string_view source_track) {
  if (EqualsIgnoreCase(source_track, "watglen")) return "Glen";
  if (EqualsIgnoreCase(source_track, "searspt") &&
      RaceLineHasSize(src_dir, source_track, kSearsNewRaceLineSize)) {
    return "Searsnew";
  }
  if (EqualsIgnoreCase(source_track, "atlanta") &&
      RaceLineHasSize(src_dir, source_track, kAtlanta70RaceLineSize)) {
    return "atlan70";
  }
  return std::string(source_track);
}

bool ConversionRun::RunCart() {
  StartOutput(BaseFolderOf(request_.source_track));
  UnpackSource();
  SetProgressRange();
  LoadPalette(tmp_folder_ / "sunny.pcx", 0);
  if (!PlaceTemplate(/*cart=*/true)) return false;
  if (track_file_conversion_ == 1 && !ConvertSourceTrackFile()) return false;
  if (!PrepareGeometry()) return false;
  Step();
  workspace_.AddToPack(GplTrackFile(gpl_track_ + ".trk"));
  if (!ExtractCarriedFiles(kCartCarriedOrder)) return false;
  ConvertRacingLines();
  MakePatchSet();  // applied after the page images
  Step();
  for (std::string_view kind : kCartTextureKinds) ConvertTexturePass(kind, false);
  ConvertObjectPass();
  for (std::string_view kind : kCartSpriteKinds) ConvertSpritePass(kind);
  CopyStandardFiles(kCartMexicoOrder);
  Step();
  workspace_.ExtractResource("PAGE2_PBF", "page2.pbf", true);
  converter_.MakePageImages(workspace_.output_folder(), gpl_track_);
  ApplyPatchesReported();
  PackStandardFiles();
  Step();
  WriteTrackIniIfMissing();
  workspace_.WritePack();
  Step();
  AddSeasons();
  return true;
}

bool ConversionRun::RunNSeries() {
  StartOutput(NSeriesGplTrack(request_.src_dir, request_.source_track));
  if (!PlaceTemplate(/*cart=*/false)) return false;
  UnpackSource();
  if (!ExtractCarriedFiles(kNSeriesCarriedOrder)) return false;
  SetProgressRange();
  LoadPalette(tmp_folder_ / "sunny.pcx", 1);
  if (track_file_conversion_ == 1 && !ConvertSourceTrackFile()) return false;
  if (!PrepareGeometry()) return false;
  workspace_.AddToPack(GplTrackFile(gpl_track_ + ".trk"));
  ConvertRacingLines();
  MakePatchSet();
  ApplyPatches();  // the first pass reports nothing
  Step();
  ConvertTexturePass(".mip", request_.sixteen_bit_sky);
  ConvertObjectPass();
  ConvertSpritePass(".srb");
  CopyStandardFiles(kNSeriesMexicoOrder);
  workspace_.ExtractResource("PAGE2_PBF", "page2.pbf", true);
  converter_.MakePageImages(workspace_.output_folder(), gpl_track_);
  ApplyPatchesReported();
  Step();
  PackStandardFiles();
  WriteTrackIniIfMissing();
  workspace_.WritePack();
  Step();
  AddSeasons();
  return true;
}

void ConversionRun::StartOutput(std::string gpl_track) {
  gpl_track_ = std::move(gpl_track);
  workspace_.set_track_name(gpl_track_);
  const fs::path folder = request_.gpl_dir / "Tracks" / gpl_track_;
  CreateFolder(folder);  // an existing folder is fine; a missing Tracks folder shows up later
  // GPL folders spell "Tracks" in any case: the output goes to the spelling on disk.
  workspace_.set_output_folder(ResolveExisting(folder).value_or(folder));
  src_track_folder_ = request_.src_dir / "Tracks" / request_.source_track;
}

void ConversionRun::UnpackSource() {
  source_archive_.Open(src_track_folder_ / (request_.source_track + ".dat"));
  source_archive_.Extract();
  tmp_folder_ = source_archive_.folder_path();
}

void ConversionRun::SetProgressRange() {
  if (request_.progress == nullptr) return;
  // The range counts the folder's entries as the platform lists them, "." and ".." included.
  const std::size_t entries = FolderExists(tmp_folder_) ? CountEntries(tmp_folder_) + 2 : 0;
  request_.progress->SetRange(0, static_cast<int>(entries % 65536));
  request_.progress->SetPosition(2);
}

bool ConversionRun::PlaceTemplate(bool cart) {
  if (workspace_.ExtractResource(gpl_track_ + "_N4T", gpl_track_ + ".trk", true)) return true;
  MessageSink& messages = converter_.services().messages;
  if (cart) {
    messages.Show(kTemplateMissing);
    return track_file_conversion_ != 0;
  }
  if (track_file_conversion_ != 0) return true;
  messages.Show(kTemplateMissing);
  return false;
}

bool ConversionRun::ExtractCarriedFiles(std::span<const std::string_view> order) {
  for (std::string_view resource : order) {
    const CarriedFile& file = CarriedFileOf(resource);
    if (!workspace_.ExtractResource(file.resource, file.file, true)) return false;
    if (file.resource == kGroove.resource) {
      // The groove texture is converted with the track's own textures.
      CopyFileReplacing(GplTrackFile(file.file), tmp_folder_ / file.file);
    }
  }
  return true;
}

void ConversionRun::ConvertTexturePass(std::string_view extension, bool sixteen_bit) {
  const bool pcx = extension == ".pcx";
  for (const fs::path& source : ListFiles(tmp_folder_, extension)) {
    // Only 24-bit PCX pictures are textures; the others are not counted either.
    if (pcx && !IsTrueColourPcx(source)) continue;
    const fs::path output = GplTrackFile(source.stem().string() + ".mip");
    if (ConvertTexture(source, output, sixteen_bit)) workspace_.AddToPack(output);
    Step();
  }
}

void ConversionRun::ConvertObjectPass() {
  for (const fs::path& source : ListFiles(tmp_folder_, ".3do")) {
    std::string title = source.stem().string();
    if (EqualsIgnoreCase(title, request_.source_track)) title = gpl_track_;
    const fs::path output = GplTrackFile(title + ".3do");
    if (ConvertObject(source, output)) workspace_.AddToPack(output);
    Step();
  }
}

void ConversionRun::ConvertSpritePass(std::string_view extension) {
  for (const fs::path& source : ListFiles(tmp_folder_, extension)) {
    const fs::path output = GplTrackFile(source.stem().string() + ".srb");
    if (ConvertSprite(source, output)) workspace_.AddToPack(output);
    Step();
  }
}

void ConversionRun::CopyStandardFiles(std::span<const std::string_view> order) {
  mexico_archive_.emplace(converter_.services().messages);
  mexico_archive_->Open(request_.gpl_dir / "tracks" / "mexico" / "mexico.dat");
  mexico_archive_->Extract();
  for (std::string_view name : order) {
    CopyFileReplacing(mexico_archive_->ExtractedPath(name), GplTrackFile(name));
  }
}

void ConversionRun::ApplyPatchesReported() {
  if (ApplyPatches() != 0) return;
  MessageSink& messages = converter_.services().messages;
  messages.Show("No Patch Files Found for " + gpl_track_);
  messages.Show("Check your installation of the converter");
}

void ConversionRun::PackStandardFiles() {
  for (std::string_view name : kStandardPackOrder) workspace_.AddToPack(GplTrackFile(name));
}

void ConversionRun::WriteTrackIniIfMissing() {
  if (FileExists(GplTrackFile("track.ini"))) return;
  workspace_.ExtractResource("N2N4TEMP_INI", "temp.ini", false);
  WriteTrackIni(src_track_folder_ / (request_.source_track + ".txt"), GplTrackFile("temp.ini"),
                GplTrackFile("track.ini"));
  RemoveFile(GplTrackFile("temp.ini"));
}

void ConversionRun::Step() {
  if (request_.progress != nullptr) request_.progress->Step();
}

fs::path ConversionRun::GplTrackFile(std::string_view name) const {
  return workspace_.output_folder() / name;
}

}  // namespace velmora
