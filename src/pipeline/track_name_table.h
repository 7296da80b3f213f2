#ifndef VELMORA_PIPELINE_TRACK_NAME_TABLE_H_
#define VELMORA_PIPELINE_TRACK_NAME_TABLE_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// One known track. All text is Windows-1252 bytes, kept exactly as the games and the season
// files expect it, trailing blanks included ("NY ", "Arizona ").
struct TrackNameRow {
  std::string_view folder;          // the track's folder name; the key
  std::string_view base_folder;      // for an HQ variant, the track it converts into; else empty
  std::string_view display_name;     // shown in the conversion dialogs' track lists
  std::string_view event_name;       // first part of a season event's long name
  std::string_view event_short_name;  // first part of a season event's short name
};

// Number of rows of the TrackNameTable.
inline constexpr std::size_t kTrackNameRowCount = 59;

// The TrackNameTable: every track the converter knows, in a fixed order. Lookups take the first
// matching row, so the order decides between rows that share a display name ("Atlanta
// Speedway", "Loudon"). The rows live as long as the program.
std::span<const TrackNameRow> TrackNameRows();

// The names a track goes by. Event titles carry the " Grand Prix" and " GP" endings that the
// season files show.
struct TrackTitleSet {
  std::string display_name;
  std::string event_title;
  std::string short_event_title;
};

// Titles of the track in `folder` (letter case ignored). With `strip` set, a display name ending
// in " HQ" loses that ending, so an HQ variant is titled like the track it replaces. An unknown
// folder is titled by its own name.
TrackTitleSet TrackTitles(std::string_view folder, bool strip);

// The folder of the first row whose display name equals `name` without regard to letter case;
// `name` itself when no row has it, so a folder listed under its own name maps back to itself.
std::string FolderOfDisplayName(std::string_view name);

// The track an HQ variant is converted into, spelled as in the table; any other folder, known or
// not, comes back unchanged.
std::string BaseFolderOf(std::string_view folder);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_TRACK_NAME_TABLE_H_
