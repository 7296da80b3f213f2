#include "pipeline/geometry_stages.h"

#include "pipeline/conversion_workspace.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/rule_path.h"
#include "track/track_geometry_writer.h"

namespace velmora {

namespace fs = std::filesystem;

bool ConvertSourceTrackFile(RunContext& run) {
  const std::string name = run.request.source_track + ".trk";
  if (run.tmp_folder.empty()) {
    run.messages().Show("Cannot convert the track file " + name +
                        ": the source track's archive could not be unpacked");
    return false;
  }
  const fs::path path = run.tmp_folder / name;
  TrackGeometry source;
  std::optional<std::vector<std::uint8_t>> bytes = run.source_files.Copy(path);
  const Status loaded = bytes ? source.LoadBytes(std::move(*bytes), MemberRulePath(name))
                              : source.Load(path, MemberRulePath(name));  // says why it is missing
  if (!loaded.ok()) {
    run.messages().Show("Cannot convert the track file " + path.string() + ": " + loaded.message());
    return false;
  }
  // Not told about: a file that cannot be written leaves the template (if any) in place, and
  // the geometry stage reports a track file it cannot load. A track already in the newest
  // layout has nothing to write.
  std::vector<std::uint8_t> newest = NewestLayoutBytes(source);
  if (!newest.empty()) run.workspace.HoldOutput(run.GplTrackFile(run.gpl_track + ".trk"), std::move(newest));
  if (!run.track_file_option) {
    run.messages().Note("no geometry template " + run.gpl_track +
                        "_N4T was found, so the track's own geometry file " + name +
                        " was converted");
  }
  return true;
}

// T1 is the track file the run holds for the pack, or one the GPL track folder had. T2 is made
// in memory; it is the GPL track's file, so its rules see the GPL track's path, not the
// temporary folder's. It is known by a path in the temporary folder, which must have been
// made for the run to go on, as the converted track has always been placed there.
bool PrepareGeometry(RunContext& run) {
  MessageSink& messages = run.messages();
  const fs::path placed = run.GplTrackFile(run.gpl_track + ".trk");
  run.t1.emplace();
  const std::optional<std::span<const std::uint8_t>> held = run.workspace.HeldOutput(placed);
  const Status t1_loaded =
      held ? run.t1->LoadBytes(std::vector<std::uint8_t>(held->begin(), held->end()),
                               GplTrackFileRulePath(placed))
           : run.t1->Load(placed, GplTrackFileRulePath(placed));
  if (!t1_loaded.ok()) {
    messages.Show("Cannot load the track file " + placed.string() + ": " + t1_loaded.message());
    return false;
  }
  const fs::path converted = run.tmp_folder / (run.gpl_track + ".trk");
  std::vector<std::uint8_t> bytes = GplLayoutBytes(*run.t1);
  if (!run.tmp_folder.empty() && !run.source_files.available()) {
    messages.Show("Cannot write the track file " + converted.string());
    return false;
  }
  run.t2.emplace();
  if (Status loaded = run.t2->LoadBytes(std::move(bytes), GplTrackFileRulePath(placed));
      !loaded.ok()) {
    messages.Show("Cannot load the track file " + converted.string() + ": " + loaded.message());
    return false;
  }
  return true;
}

void ConvertRacingLines(RunContext& run) {
  run.racing_lines.emplace();
  run.racing_lines->SetResolver(&run.workspace.resolver());
  if (run.t2 && run.t2->loaded()) {
    // Not told about, as the runs never have: a line that cannot be written is left out, and
    // the run goes on with the others.
    // The source folder is looked up once, not again for every line.
    const fs::path source =
        run.workspace.resolver().ResolveExisting(run.src_track_folder).value_or(run.src_track_folder);
    run.racing_lines->ConvertAll(source, run.workspace.output_folder(), *run.t2).IgnoreError();
  }
}

}  // namespace velmora
