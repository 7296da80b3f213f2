#include "pipeline/source_games.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/settings.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Each game's own tracks, HQ variants beside their tracks. The spellings are the games' own
// ("Elkhart", "Searspt"); the list's letter case reaches the pipeline unchanged.
constexpr std::string_view kCartTracks[] = {
    "clevland", "clvlndhq", "indy",    "indyhq",   "midohio",  "midohhq",  "toronto",
    "trontohq", "Elkhart",  "Elkhq",   "Laguna",   "Lagunahq", "Portland", "Porthq",
    "detroit",  "dethq",    "longbch", "lngbchhq", "vancouvr", "vanhq",
};
constexpr std::string_view kN2Tracks[] = {
    "calif", "mesa", "heartlnd", "milwkee", "gateway", "pocono", "searspt",
};
constexpr std::string_view kN3Tracks[] = {
    "calif", "mesa", "heartlnd", "milwkee", "gateway", "ims", "Searspt",
};
constexpr std::string_view kNlTracks[] = {"ontario", "riversid", "thompson"};

constexpr SourceGameInfo kGames[] = {
    {SourceGame::kCart, "cart", kIcr2PathKey, "tracks/detroit/detroit.txt",
     "If the list box is empty the CART directory is not correctly set,", kCartTracks},
    {SourceGame::kN2, "n2", kN2PathKey, "tracks/bristol/bristol.txt",
     "If the list box is empty the N2 directory is not correctly set,", kN2Tracks},
    {SourceGame::kN3, "n3", kN3PathKey, "tracks/bristol/bristol.txt",
     "If the list box is empty the N3 directory is not correctly set,", kN3Tracks},
    {SourceGame::kNl, "nl", kNlPathKey, "tracks/bristol/bristol.txt",
     "If the list box is empty the NL directory is not correctly set,", kNlTracks},
};

}  // namespace

const SourceGameInfo& GameInfo(SourceGame game) {
  for (const SourceGameInfo& info : kGames) {
    if (info.game == game) return info;
  }
  return kGames[0];  // unreachable: every enumerator has a row
}

std::span<const SourceGameInfo> AllGames() { return kGames; }

std::optional<SourceGame> GameByCliName(std::string_view name) {
  for (const SourceGameInfo& info : kGames) {
    if (EqualsIgnoreCase(info.cli_name, name)) return info.game;
  }
  return std::nullopt;
}

namespace {

bool IsKnownFolder(const SourceGameInfo& game, std::string_view folder) {
  return std::any_of(game.track_folders.begin(), game.track_folders.end(),
                     [folder](std::string_view known) { return EqualsIgnoreCase(known, folder); });
}

// Whether `folder` holds an archive named after it, in any letter case. One listing of the
// folder answers it, so a track folder of thousands of files costs one pass.
bool HoldsOwnArchive(const fs::path& folder, const fs::path& archive_name) {
  const std::string wanted = AsciiLower(PathToUtf8(archive_name));
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    if (AsciiLower(PathToUtf8(it->path().filename())) != wanted) continue;
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) return true;
  }
  return false;
}

// The add-on tracks under `tracks`: folders that the game's list does not name and that hold
// their own archive, in name order without regard to letter case.
std::vector<InstalledTrack> FindAddOnTracks(const SourceGameInfo& game, const fs::path& tracks) {
  std::vector<InstalledTrack> add_ons;
  std::error_code ec;
  for (fs::directory_iterator it(tracks, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_directory(type_ec)) continue;
    const fs::path name = it->path().filename();
    const std::string folder = PathToWindows1252(name);
    // A name the program's text cannot spell could not be found again to convert it.
    if (PathFromWindows1252(folder) != name || IsKnownFolder(game, folder)) continue;
    fs::path archive = name;
    archive += ".dat";
    if (!HoldsOwnArchive(it->path(), archive)) continue;
    add_ons.push_back({folder, folder, folder, true});
  }
  std::sort(add_ons.begin(), add_ons.end(), [](const InstalledTrack& a, const InstalledTrack& b) {
    const std::string la = AsciiLower(a.folder);
    const std::string lb = AsciiLower(b.folder);
    return la != lb ? la < lb : a.folder < b.folder;
  });
  return add_ons;
}

}  // namespace

std::vector<InstalledTrack> FindInstalledTracks(const SourceGameInfo& game,
                                                const fs::path& src_dir) {
  std::vector<InstalledTrack> found;
  for (std::string_view folder : game.track_folders) {
    const std::string name(folder);
    if (!FileExists(src_dir / "tracks" / name / (name + ".dat"))) continue;
    std::string display_name = TrackTitles(name, false).display_name;
    std::string source_track = FolderOfDisplayName(display_name);
    found.push_back({name, std::move(display_name), std::move(source_track), false});
  }
  const std::optional<fs::path> tracks = ResolveExisting(src_dir / "tracks");
  if (!tracks) return found;
  std::vector<InstalledTrack> add_ons = FindAddOnTracks(game, *tracks);
  found.insert(found.end(), std::make_move_iterator(add_ons.begin()),
               std::make_move_iterator(add_ons.end()));
  return found;
}

}  // namespace velmora
