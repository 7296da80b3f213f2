#ifndef VELMORA_PIPELINE_RUN_REQUEST_H_
#define VELMORA_PIPELINE_RUN_REQUEST_H_

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class ProgressSink;

// Where a run's GPL track file comes from, when the front end decides it for one run rather
// than the option "N2N4TrkConvert" of the settings.
enum class GeometryChoice {
  kFromSettings,  // the option as stored; a file without it means automatic
  kAutomatic,     // the geometry template when one is found, else the source game's own file
  kTemplate,      // as the option at 0: the template, or the run stops
  kTrackFile,     // as the option at 1: the source game's own track file
};

// What a front end asks of one conversion, the same for every source game.
struct RunRequest {
  std::filesystem::path src_dir;  // the source game's installation folder
  std::filesystem::path gpl_dir;  // GPL's installation folder
  std::string source_track;       // the track's folder name under src_dir/tracks
  bool keep_skid_marks = false;
  // 16-bit sky and horizon textures; the CART/ICR2 run has no such choice and ignores it.
  bool sixteen_bit_sky = false;
  ProgressSink* progress = nullptr;  // not owned; may be null
  GeometryChoice geometry = GeometryChoice::kFromSettings;
  // How the user of this front end asks for the source game's own track file ("the option
  // --geometry track-file"); the hint after a run that stopped for want of a template names it.
  std::string track_file_control = std::string();
  // Called right before the run edits GPL's season files, with the seasons folder; the run
  // holds what it returns until its edits are done. A batch gives one so that the edits of its
  // conversions take turns, in list order, and keep a second process out. Empty: none.
  std::function<std::shared_ptr<void>(const std::filesystem::path& seasons_folder)> season_turn =
      nullptr;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_RUN_REQUEST_H_
