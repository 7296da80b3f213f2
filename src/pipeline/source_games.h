#ifndef VELMORA_PIPELINE_SOURCE_GAMES_H_
#define VELMORA_PIPELINE_SOURCE_GAMES_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The games a track can be converted from. Each has its own settings key, tell-tale file and
// list of track folders; the front ends take what differs between them from the SourceGameInfo
// below. Which run converts a game's tracks is the TrackConverter's business.
enum class SourceGame { kCart, kN2, kN3, kNl };

// What a conversion and both front ends need to know of a source game. All views point at
// static text and live as long as the program.
struct SourceGameInfo {
  SourceGame game;
  std::string_view cli_name;      // "cart", "n2", "n3", "nl": the command line's --game value
  std::string_view settings_key;  // key of the source folder in section "Directories"
  // A file every installation of the game has, relative to its folder, '/'-separated. The
  // directory chooser looks for it to tell the user the folder is right.
  std::string_view probe_file;
  // Tells the user why no track may be found; both front ends show it word for word.
  std::string_view hint_text;
  // The folders under "tracks" that are looked for, in list order and spelled as the game
  // installs them.
  std::span<const std::string_view> track_folders;
};

const SourceGameInfo& GameInfo(SourceGame game);
// Every game, in the order the main dialog offers them: CART/ICR2, N2, N3, NL.
std::span<const SourceGameInfo> AllGames();
// The game whose cli_name equals `name` without regard to letter case.
std::optional<SourceGame> GameByCliName(std::string_view name);

// A track found in a source installation.
struct InstalledTrack {
  // Windows-1252: as spelled in the game's folder list, or on disk for an add-on track.
  std::string folder;
  std::string display_name;  // Windows-1252: from the track name table; an add-on's folder
  // The folder name a conversion is given: the known track's display name mapped back through
  // the track name table ("Road America" gives "elkhart"), an add-on's own folder.
  std::string source_track;
  // A folder the game's list does not name, which players install with its own archive.
  bool add_on = false;
};

// The game's track folders whose archive `src_dir`/tracks/<name>/<name>.dat exists, in any
// letter case on disk, in the list's order, each with its display name; then the add-on
// tracks: every other folder under `src_dir`/tracks holding its own archive <folder>.dat (any
// letter case), in name order without regard to letter case, named by their folder. A folder
// without its archive is not a track the converter can read, so it is not listed.
std::vector<InstalledTrack> FindInstalledTracks(const SourceGameInfo& game,
                                                const std::filesystem::path& src_dir);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_SOURCE_GAMES_H_
