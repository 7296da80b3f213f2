#include "pipeline/source_games.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

// A folder the name table does not know would be listed under its bare folder name and get no
// event names in the season files.
TEST(SourceGameTest, EveryListedFolderHasATrackName) {
  for (const SourceGameInfo& info : AllGames()) {
    for (std::string_view folder : info.track_folders) {
      SCOPED_TRACE(std::string(info.cli_name) + " " + std::string(folder));
      EXPECT_TRUE(std::any_of(
          TrackNameRows().begin(), TrackNameRows().end(),
          [&](const TrackNameRow& row) { return EqualsIgnoreCase(row.folder, folder); }));
    }
  }
  EXPECT_EQ(GameByCliName("NL"), SourceGame::kNl);
  EXPECT_EQ(GameByCliName("icr2"), std::nullopt);
}

class InstalledTracksTest : public ::testing::Test {
 protected:
  void AddFile(const fs::path& relative) {
    fs::create_directories((folder_->path() / relative).parent_path());
    WriteFileText(folder_->path() / relative, "x");
  }
  std::vector<std::string> Listed(SourceGame game) {
    std::vector<std::string> lines;
    for (const InstalledTrack& track : FindInstalledTracks(GameInfo(game), folder_->path())) {
      lines.push_back(track.folder + "|" + track.display_name + "|" + track.source_track +
                      (track.add_on ? "|add-on" : ""));
    }
    return lines;
  }
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
};

TEST_F(InstalledTracksTest, ListsKnownTracksInTheGamesOrderThenAddOnsByName) {
  // The last three have no archive of their own: hidden.
  for (const char* file : {"DETHQ/DETHQ.DAT", "Elkhart/Elkhart.dat", "Searspt/SEARSPT.dat",
                           "kestrel/Kestrel.Dat", "Zandvoort/zandvoort.dat", "alpine/alpine.dat",
                           "notrack/other.dat", "detroit/detroit.txt", "laguna.dat"}) {
    AddFile(fs::path("TRACKS") / file);
  }
  fs::create_directories(folder_->path() / "TRACKS" / "toronto" / "toronto.dat");
  // The known tracks as the game's list spells them, mapped back through the name table; then
  // every other folder with its archive, as spelled on disk, without regard to letter case.
  EXPECT_EQ(Listed(SourceGame::kCart),
            (std::vector<std::string>{
                "Elkhart|Road America|elkhart", "dethq|Detroit HQ|dethq",
                "alpine|alpine|alpine|add-on", "kestrel|kestrel|kestrel|add-on",
                "Searspt|Searspt|Searspt|add-on", "Zandvoort|Zandvoort|Zandvoort|add-on"}));
  EXPECT_EQ(Listed(SourceGame::kN3),
            (std::vector<std::string>{"Searspt|Sears Point|searspt", "alpine|alpine|alpine|add-on",
                                      "DETHQ|DETHQ|DETHQ|add-on", "Elkhart|Elkhart|Elkhart|add-on",
                                      "kestrel|kestrel|kestrel|add-on",
                                      "Zandvoort|Zandvoort|Zandvoort|add-on"}));
  EXPECT_TRUE(
      FindInstalledTracks(GameInfo(SourceGame::kCart), folder_->path() / "nothere").empty());
}

}  // namespace
}  // namespace velmora
