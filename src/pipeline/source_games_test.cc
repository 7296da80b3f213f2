// The source games' track lists and the table of known tracks' names they are shown by.
#include "pipeline/source_games.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/track_name_table.h"
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
}

// Titles without the " HQ" where there is one, and of no folder; a name shown in a list back
// to its folder (the first row wins, unknown names as they are); a variant's base, in any case.
TEST(TrackNameTableTest, TitlesFoldersAndBases) {
  EXPECT_EQ(TrackTitles("loudonhq", true).display_name, "Loudon");
  EXPECT_EQ(TrackTitles("", false).event_title, " Grand Prix");
  EXPECT_EQ(FolderOfDisplayName("Atlanta Speedway"), "atlanta");
  EXPECT_EQ(FolderOfDisplayName("Unknown Place"), "Unknown Place");
  EXPECT_EQ(BaseFolderOf("Elkhq"), "elkhart");
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
  std::vector<std::string> listed;
  for (const InstalledTrack& track :
       FindInstalledTracks(GameInfo(SourceGame::kCart), root->path())) {
    listed.push_back(track.folder + "|" + track.display_name + "|" + track.source_track +
                     (track.add_on ? "|add-on" : ""));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "Elkhart|Road America|elkhart", "dethq|Detroit HQ|dethq",
                        "alpine|alpine|alpine|add-on", "kestrel|kestrel|kestrel|add-on",
                        "Searspt|Searspt|Searspt|add-on", "Zandvoort|Zandvoort|Zandvoort|add-on"}));
}

}  // namespace
}  // namespace velmora
