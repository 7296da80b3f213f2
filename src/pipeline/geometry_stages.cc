// The run's track stages: the track file and the racing lines.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/rule_path.h"
#include "track/track_geometry_writer.h"

namespace velmora {

namespace fs = std::filesystem;

// With the option "N2N4TrkConvert" at 1, the source game's own track file, converted to the
// newest layout, replaces the template in the GPL track folder. A source track without a
// usable track file stops the run: there would be no track to convert against.
bool ConversionRun::ConvertSourceTrackFile() {
  const std::string name = request_.source_track + ".trk";
  MessageSink& messages = converter_.services().messages;
  if (tmp_folder_.empty()) {
    messages.Show("Cannot convert the track file " + name +
                  ": the source track's archive could not be unpacked");
    return false;
  }
  const fs::path path = tmp_folder_ / name;
  TrackGeometry source;
  if (!source.Load(path, MemberRulePath(name))) {
    messages.Show("Cannot convert the track file " + path.string() + ": " + source.error());
    return false;
  }
  // A file that cannot be written leaves the template (if any) in place.
  WriteNewestLayout(source, GplTrackFile(gpl_track_ + ".trk"));
  return true;
}

// Loads the GPL track file (T1), writes it in GPL's layout into the temporary folder and keeps
// that copy (T2) as the track every later stage asks. T2 is parsed from the bytes just written
// rather than read back; it is the GPL track's file, so its rules see the GPL track's path,
// not the temporary folder's. False, after a message naming the file, stops the run.
bool ConversionRun::PrepareGeometry() {
  MessageSink& messages = converter_.services().messages;
  const fs::path placed = GplTrackFile(gpl_track_ + ".trk");
  t1_.emplace();
  if (!t1_->Load(placed, GplTrackFileRulePath(placed))) {
    messages.Show("Cannot load the track file " + placed.string() + ": " + t1_->error());
    return false;
  }
  const fs::path converted = tmp_folder_ / (gpl_track_ + ".trk");
  std::vector<std::uint8_t> bytes = GplLayoutBytes(*t1_);
  if (!tmp_folder_.empty() && !WriteFileBytes(converted, bytes)) {
    messages.Show("Cannot write the track file " + converted.string());
    return false;
  }
  t2_.emplace();
  if (!t2_->LoadBytes(std::move(bytes), GplTrackFileRulePath(placed))) {
    messages.Show("Cannot load the track file " + converted.string() + ": " + t2_->error());
    return false;
  }
  return true;
}

// The six racing lines, resampled to the track's length, into the GPL track folder.
void ConversionRun::ConvertRacingLines() {
  racing_lines_.emplace(converter_.services().messages);
  if (t2_ && t2_->loaded()) {
    racing_lines_->ConvertAll(src_track_folder_, workspace_.output_folder(), *t2_);
  }
}

}  // namespace velmora
