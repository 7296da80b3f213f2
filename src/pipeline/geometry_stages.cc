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
  if (!source.Load(path, MemberRulePath(name))) {
    run.messages().Show("Cannot convert the track file " + path.string() + ": " + source.error());
    return false;
  }
  // A file that cannot be written leaves the template (if any) in place.
  WriteNewestLayout(source, run.GplTrackFile(run.gpl_track + ".trk"));
  return true;
}

// T2 is parsed from the bytes just written rather than read back; it is the GPL track's file,
// so its rules see the GPL track's path, not the temporary folder's.
bool PrepareGeometry(RunContext& run) {
  MessageSink& messages = run.messages();
  const fs::path placed = run.GplTrackFile(run.gpl_track + ".trk");
  run.t1.emplace();
  if (!run.t1->Load(placed, GplTrackFileRulePath(placed))) {
    messages.Show("Cannot load the track file " + placed.string() + ": " + run.t1->error());
    return false;
  }
  const fs::path converted = run.tmp_folder / (run.gpl_track + ".trk");
  std::vector<std::uint8_t> bytes = GplLayoutBytes(*run.t1);
  if (!run.tmp_folder.empty() && !WriteFileBytes(converted, bytes)) {
    messages.Show("Cannot write the track file " + converted.string());
    return false;
  }
  run.t2.emplace();
  if (!run.t2->LoadBytes(std::move(bytes), GplTrackFileRulePath(placed))) {
    messages.Show("Cannot load the track file " + converted.string() + ": " + run.t2->error());
    return false;
  }
  return true;
}

void ConvertRacingLines(RunContext& run) {
  run.racing_lines.emplace(run.messages());
  if (run.t2 && run.t2->loaded()) {
    run.racing_lines->ConvertAll(run.src_track_folder, run.workspace.output_folder(), *run.t2);
  }
}

}  // namespace velmora
