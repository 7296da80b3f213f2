#ifndef VELMORA_TRACK_SEASON_FILE_H_
#define VELMORA_TRACK_SEASON_FILE_H_

// Season files of GPL's "seasons" folder, and the registration of a converted track in them.
//
//   season := line*
//   "numEvents=<n>"            the number of events (absent in some files)
//   "[Event<k>]"               opens one event's block of "key=value" lines, among them
//   "trackDirectory=<folder>"  the event's track folder
//
// A new event is appended as
//   "\n[Event<k>]\nname=<event title>\nshortname=<short title>\ntrackDirectory=<folder>\n"
//   "month=1\nday=2\nnumberOfLaps=<laps>\nstartingGrid=4\n"
// with the file's own line end (CR LF when it has any) in place of each "\n".

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace velmora {

// The number of an event appended to a file without a "numEvents=" line.
inline constexpr int kFirstAddedEvent = 11;
// Races run about 200 miles: 2000 tenths of a mile, a tenth of a mile being 3168000 track units.
inline constexpr std::int64_t kLapBudgetUnit = 3168000;
inline constexpr std::int64_t kLapBudget = 2000;

// The event names the season file shows for a track.
struct SeasonEventNames {
  std::string title;        // "<event name> Grand Prix"
  std::string short_title;  // "<event short name> GP"
};

// Laps of a race on a track this long: 2000 / (length / 3168000), both divisions truncating.
// Tracks shorter than 3168000 units (and nonsense lengths) get the full 2000 laps rather than a
// division by zero.
int SeasonLaps(std::int64_t track_length);

// The season text with one event appended for `folder`, the "numEvents=" count raised by one;
// nothing when an event for the folder is there already (any letter case).
std::optional<std::string> AddEventToSeasonText(std::string_view text, std::string_view folder,
                                                const SeasonEventNames& names, int laps);

// Registers the track in the season file at `season_path`, replacing it atomically (a kill
// leaves the old file or the new one, whole). The file is first made an ordinary one
// (read-only cleared, times kept), also when the track turns out to be registered already.
// NotFound when there is no such file; Ok, with the contents untouched, when the track is
// registered already.
Status AddSeasonEvent(const std::filesystem::path& season_path, std::string_view folder,
                      const SeasonEventNames& names, std::int64_t track_length);

}  // namespace velmora

#endif  // VELMORA_TRACK_SEASON_FILE_H_
