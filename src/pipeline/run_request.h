#ifndef VELMORA_PIPELINE_RUN_REQUEST_H_
#define VELMORA_PIPELINE_RUN_REQUEST_H_

#include <filesystem>
#include <string>

namespace velmora {

class FolderLock;
class ProgressSink;

// What a front end asks of one conversion, the same for every source game.
struct RunRequest {
  std::filesystem::path src_dir;  // the source game's installation folder
  std::filesystem::path gpl_dir;  // GPL's installation folder
  std::string source_track;       // the track's folder name under src_dir/tracks
  bool keep_skid_marks = false;
  // 16-bit sky and horizon textures; the CART/ICR2 run has no such choice and ignores it.
  bool sixteen_bit_sky = false;
  ProgressSink* progress = nullptr;  // not owned; may be null
  // Not owned; may be null. Given when other conversions (threads, or another process) may
  // edit GPL's season files at the same time: the season edits then take turns under it.
  FolderLock* season_lock = nullptr;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_RUN_REQUEST_H_
