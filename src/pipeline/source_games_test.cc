// The source games' track lists and the table of known tracks' names they are shown by.
#include "pipeline/source_games.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// FNV-1a (64 bits) over the 59 rows of the published table of known tracks, each row's five
// fields in Windows-1252 joined by a 0 byte and ended by '\n'. Worked out by a short script from
// the published table, not from this program's copy, so a typo in a row changes it; with the
// rows held, so are their folders (unique, lower case) and their variants' bases.
TEST(TrackNameTableTest, RowsMatchThePublishedTable) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  ASSERT_EQ(TrackNameRows().size(), 59u);
  for (const TrackNameRow& row : TrackNameRows()) {
    std::string text;
    for (std::string_view field :
         {row.folder, row.base_folder, row.display_name, row.event_name, row.event_short_name}) {
      text.append(field).push_back('\0');
    }
    text.back() = '\n';
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    // Every name shown in a list maps back to a folder with the same display name.
    const std::string back = FolderOfDisplayName(TrackTitles(row.folder, false).display_name);
    EXPECT_EQ(TrackTitles(back, false).display_name, row.display_name) << row.folder;
  }
  EXPECT_EQ(hash, 0x9f29c93d100c6d2eu);
  // A folder the table does not know would be listed under its bare folder name and get no
  // event names in the season files.
  for (const SourceGameInfo& info : AllGames()) {
    for (std::string_view folder : info.track_folders) {
      EXPECT_TRUE(std::any_of(
          TrackNameRows().begin(), TrackNameRows().end(),
          [&](const TrackNameRow& row) { return EqualsIgnoreCase(row.folder, folder); }))
          << info.cli_name << " " << folder;
    }
  }
}

TEST(TrackNameTableTest, TrackTitles) {
  struct Case {
    std::string_view folder;
    bool strip;
    std::string_view display, event, event_short;
  };
  const Case kCases[] = {
      {"DETHQ", true, "Detroit", "Detroit Grand Prix", "Detroit GP"},
      {"dethq", false, "Detroit HQ", "Detroit Grand Prix", "Detroit GP"},
      {"loudonhq", true, "Loudon", "New Hampshire Grand Prix", "NH  GP"},  // no " HQ" to strip
      {"", false, "", " Grand Prix", " GP"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.folder) + (c.strip ? " strip" : " keep"));
    TrackTitleSet titles = TrackTitles(c.folder, c.strip);
    EXPECT_EQ(titles.display_name, c.display);
    EXPECT_EQ(titles.event_title, c.event);
    EXPECT_EQ(titles.short_event_title, c.event_short);
  }
}

TEST(TrackNameTableTest, FolderOfDisplayNameAndBaseFolderOf) {
  const std::pair<std::string_view, std::string_view> kFolders[] = {
      {"Atlanta Speedway", "atlanta"},  // the first row wins, never the later "atlan70"
      {"ROAD AMERICA HQ", "elkhq"},
      {"Unknown Place", "Unknown Place"},
      {"dethq", "dethq"},  // a folder shown under its own name maps back to itself
      {"Detroit HQ ", "Detroit HQ "},
  };
  for (const auto& [name, folder] : kFolders) EXPECT_EQ(FolderOfDisplayName(name), folder) << name;
  const std::pair<std::string_view, std::string_view> kBases[] = {
      {"Elkhq", "elkhart"}, {"Elkhart", "Elkhart"}, {"nowhere", "nowhere"}};
  for (const auto& [folder, base] : kBases) EXPECT_EQ(BaseFolderOf(folder), base) << folder;
}

// The known tracks as the game's list spells them, mapped back through the name table; then
// every other folder with its archive, as spelled on disk, without regard to letter case.
// Folders without an archive of their own are hidden.
TEST(InstalledTracksTest, ListsKnownTracksInTheGamesOrderThenAddOnsByName) {
  std::optional<TempFolder> root = TempFolder::Create("test");
  for (const char* file : {"DETHQ/DETHQ.DAT", "Elkhart/Elkhart.dat", "Searspt/SEARSPT.dat",
                           "kestrel/Kestrel.Dat", "Zandvoort/zandvoort.dat", "alpine/alpine.dat",
                           "notrack/other.dat", "detroit/detroit.txt", "laguna.dat"}) {
    const fs::path path = root->path() / "TRACKS" / file;
    fs::create_directories(path.parent_path());
    WriteFileText(path, "x");
  }
  fs::create_directories(root->path() / "TRACKS" / "toronto" / "toronto.dat");
  auto listed = [&](SourceGame game) {
    std::vector<std::string> lines;
    for (const InstalledTrack& track : FindInstalledTracks(GameInfo(game), root->path())) {
      lines.push_back(track.folder + "|" + track.display_name + "|" + track.source_track +
                      (track.add_on ? "|add-on" : ""));
    }
    return lines;
  };
  EXPECT_EQ(listed(SourceGame::kCart),
            (std::vector<std::string>{
                "Elkhart|Road America|elkhart", "dethq|Detroit HQ|dethq",
                "alpine|alpine|alpine|add-on", "kestrel|kestrel|kestrel|add-on",
                "Searspt|Searspt|Searspt|add-on", "Zandvoort|Zandvoort|Zandvoort|add-on"}));
  EXPECT_EQ(listed(SourceGame::kN3),
            (std::vector<std::string>{"Searspt|Sears Point|searspt", "alpine|alpine|alpine|add-on",
                                      "DETHQ|DETHQ|DETHQ|add-on", "Elkhart|Elkhart|Elkhart|add-on",
                                      "kestrel|kestrel|kestrel|add-on",
                                      "Zandvoort|Zandvoort|Zandvoort|add-on"}));
  EXPECT_TRUE(FindInstalledTracks(GameInfo(SourceGame::kCart), root->path() / "nothere").empty());
}

}  // namespace
}  // namespace velmora
