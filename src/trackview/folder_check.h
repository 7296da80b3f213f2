#ifndef VELMORA_TRACKVIEW_FOLDER_CHECK_H_
#define VELMORA_TRACKVIEW_FOLDER_CHECK_H_

#include <filesystem>
#include <string>
#include <vector>

#include "trackview/pack_directory.h"
#include "platform/status.h"

namespace velmora {

class TrackFolder;
struct FolderTrack;

// The six racing lines every GPL track has, as the converter names them.
inline constexpr const char* kRacingLineFiles[] = {"race.lp",  "pit.lp",     "pass1.lp",
                                                   "pass2.lp", "maxrace.lp", "minrace.lp"};

// What `velmora check` found in one GPL track folder.
struct CheckReport {
  std::string track;              // the track's name
  std::vector<Finding> findings;  // in the order found
  int files_checked = 0;

  int problems() const;
  int notes() const;
  // One line per finding, "member: what", then the summary line.
  std::string Text() const;
};

// Validates a GPL track folder, converted by this program or by anyone else: the pack's
// directory, then every packed member and loose file by its kind, the six racing lines and
// track.ini (present), and loose files that shadow packed ones (as information). Fails only when
// the folder is not a GPL track folder.
Result<CheckReport> CheckTrackFolder(const std::filesystem::path& folder);
// The same over a folder already opened (or held in memory).
CheckReport CheckTrackFolder(const TrackFolder& folder);
// The same with the folder's track file already loaded (TrackFolder::LoadTrack).
CheckReport CheckTrackFolder(const TrackFolder& folder, const FolderTrack& track);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_FOLDER_CHECK_H_
