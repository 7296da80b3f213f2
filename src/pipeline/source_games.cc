#include "pipeline/source_games.h"

#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/settings.h"

namespace velmora {
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

std::vector<InstalledTrack> FindInstalledTracks(const SourceGameInfo& game,
                                                const std::filesystem::path& src_dir) {
  std::vector<InstalledTrack> found;
  for (std::string_view folder : game.track_folders) {
    const std::string name(folder);
    if (!FileExists(src_dir / "tracks" / name / (name + ".dat"))) continue;
    found.push_back({name, TrackTitles(name, false).display_name});
  }
  return found;
}

}  // namespace velmora
