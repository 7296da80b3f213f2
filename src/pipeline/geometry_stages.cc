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
  if (Status loaded = source.Load(path, MemberRulePath(name)); !loaded.ok()) {
    run.messages().Show("Cannot convert the track file " + path.string() + ": " + loaded.message());
    return false;
  }
  // Not told about: a file that cannot be written leaves the template (if any) in place, and
  // the geometry stage reports a track file it cannot load.
  WriteNewestLayout(source, run.GplTrackFile(run.gpl_track + ".trk")).IgnoreError();
  return true;
}

// T2 is parsed from the bytes just written rather than read back; it is the GPL track's file,
// so its rules see the GPL track's path, not the temporary folder's.
bool PrepareGeometry(RunContext& run) {
  MessageSink& messages = run.messages();
  const fs::path placed = run.GplTrackFile(run.gpl_track + ".trk");
  run.t1.emplace();
  if (Status loaded = run.t1->Load(placed, GplTrackFileRulePath(placed)); !loaded.ok()) {
    messages.Show("Cannot load the track file " + placed.string() + ": " + loaded.message());
    return false;
  }
  const fs::path converted = run.tmp_folder / (run.gpl_track + ".trk");
  std::vector<std::uint8_t> bytes = GplLayoutBytes(*run.t1);
  if (!run.tmp_folder.empty() && !WriteFileBytes(converted, bytes)) {
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
  if (run.t2 && run.t2->loaded()) {
    // Not told about, as the runs never have: a line that cannot be written is left out, and
    // the run goes on with the others.
    run.racing_lines->ConvertAll(run.src_track_folder, run.workspace.output_folder(), *run.t2)
        .IgnoreError();
  }
}

}  // namespace velmora
