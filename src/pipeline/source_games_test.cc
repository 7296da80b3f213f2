#include "pipeline/source_games.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(SourceGameTest, MemberParameters) {
  struct Expected {
    SourceGame game;
    std::string_view title, key;
    int source_id;
    std::string_view source_text, chooser, probe, found, hint;
    int skid_id;
    std::string_view skid_text;
    int sixteen_id;
    std::string_view sixteen_text;
    std::size_t folder_count;
    std::string_view first_folder, last_folder;
    bool cart;
  };
  const Expected kRows[] = {
      {SourceGame::kCart, "CART To GPL Conversion", "ICR2 Path", 1006, "Set CART Directory",
       "Set CART/ICR2 Application Directory", "tracks/detroit/detroit.txt", "CART Directory found",
       "If the list box is empty the CART directory is not correctly set,", 1012, "Keep Skid-marks",
       0, "", 20, "clevland", "vanhq", true},
      {SourceGame::kN2, "N2 To GPL Converter", "N2 Path", 1001, "Set N2 Directory",
       "Set N2 Application Directory", "tracks/bristol/bristol.txt", "N2 Directory found",
       "If the list box is empty the N2 directory is not correctly set,", 1013, "Keep Skid Marks",
       1012, "16-Bit Sky/Horizon", 7, "calif", "searspt", false},
      {SourceGame::kN3, "N3 To GPL Converter", "N3 Path", 1001, "Set N3 Directory",
       "Set N3 Application Directory", "tracks/bristol/bristol.txt", "N3 Directory found",
       "If the list box is empty the N3 directory is not correctly set,", 1013, "Keep Skid-marks",
       1012, "16Bit Sky/Horizon", 7, "calif", "Searspt", false},
      {SourceGame::kNl, "Nascar Legends To GPL Converter", "NL Path", 1001, "Set NL Directory",
       "Set NL Application Directory", "tracks/bristol/bristol.txt", "NL Directory found",
       "If the list box is empty the NL directory is not correctly set,", 1013, "Keep Skid-marks",
       1012, "16Bit Sky/Horizon", 3, "ontario", "thompson", false},
  };
  for (const Expected& want : kRows) {
    const SourceGameInfo& info = GameInfo(want.game);
    SCOPED_TRACE(std::string(info.cli_name));
    EXPECT_EQ(info.game, want.game);
    EXPECT_EQ(info.dialog_title, want.title);
    EXPECT_EQ(info.settings_key, want.key);
    EXPECT_EQ(info.source_button_id, want.source_id);
    EXPECT_EQ(info.source_button_text, want.source_text);
    EXPECT_EQ(info.chooser_title, want.chooser);
    EXPECT_EQ(info.probe_file, want.probe);
    EXPECT_EQ(info.found_message, want.found);
    EXPECT_EQ(info.hint_text, want.hint);
    EXPECT_EQ(info.keep_skid_marks_id, want.skid_id);
    EXPECT_EQ(info.keep_skid_marks_text, want.skid_text);
    EXPECT_EQ(info.sixteen_bit_id, want.sixteen_id);
    EXPECT_EQ(info.sixteen_bit_text, want.sixteen_text);
    ASSERT_EQ(info.track_folders.size(), want.folder_count);
    EXPECT_EQ(info.track_folders.front(), want.first_folder);
    EXPECT_EQ(info.track_folders.back(), want.last_folder);
    EXPECT_EQ(info.uses_cart_pipeline, want.cart);
  }
}

TEST(SourceGameTest, CartFoldersKeepTheirOrderAndSpelling) {
  const std::vector<std::string_view> kWanted = {
      "clevland", "clvlndhq", "indy",    "indyhq",   "midohio",  "midohhq",  "toronto",
      "trontohq", "Elkhart",  "Elkhq",   "Laguna",   "Lagunahq", "Portland", "Porthq",
      "detroit",  "dethq",    "longbch", "lngbchhq", "vancouvr", "vanhq"};
  std::span<const std::string_view> folders = GameInfo(SourceGame::kCart).track_folders;
  EXPECT_EQ(std::vector<std::string_view>(folders.begin(), folders.end()), kWanted);

  std::span<const std::string_view> n3 = GameInfo(SourceGame::kN3).track_folders;
  EXPECT_EQ(std::vector<std::string_view>(n3.begin(), n3.end()),
            (std::vector<std::string_view>{"calif", "mesa", "heartlnd", "milwkee", "gateway", "ims",
                                           "Searspt"}));
}

// A folder the name table does not know would be listed under its bare folder name and get no
// event names in the season files.
TEST(SourceGameTest, EveryListedFolderHasATrackName) {
  for (const SourceGameInfo& info : AllGames()) {
    for (std::string_view folder : info.track_folders) {
      SCOPED_TRACE(std::string(info.cli_name) + " " + std::string(folder));
      bool known = false;
      for (const TrackNameRow& row : TrackNameRows()) {
        known = known || EqualsIgnoreCase(row.folder, folder);
      }
      EXPECT_TRUE(known);
    }
  }
}

TEST(SourceGameTest, GamesByNameAndOrder) {
  std::span<const SourceGameInfo> games = AllGames();
  ASSERT_EQ(games.size(), 4u);
  EXPECT_EQ(games[0].game, SourceGame::kCart);
  EXPECT_EQ(games[1].game, SourceGame::kN2);
  EXPECT_EQ(games[2].game, SourceGame::kN3);
  EXPECT_EQ(games[3].game, SourceGame::kNl);

  struct Case {
    std::string_view name;
    std::optional<SourceGame> game;
  };
  const Case kCases[] = {
      {"cart", SourceGame::kCart}, {"CART", SourceGame::kCart}, {"n2", SourceGame::kN2},
      {"N3", SourceGame::kN3},     {"Nl", SourceGame::kNl},     {"icr2", std::nullopt},
      {"n", std::nullopt},         {"", std::nullopt},          {"n2 ", std::nullopt}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(GameByCliName(c.name), c.game);
  }
}

// A source installation in a temporary folder; files are made with the spelling given.
class SourceGameInstalledTracksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::optional<TempFolder> folder = TempFolder::Create("dir");
    ASSERT_TRUE(folder.has_value());
    folder_.emplace(std::move(*folder));
  }

  void AddFile(const fs::path& relative) {
    fs::path path = folder_->path() / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
  }

  std::vector<std::string> Listed(SourceGame game) {
    std::vector<std::string> lines;
    for (const InstalledTrack& track : FindInstalledTracks(GameInfo(game), folder_->path())) {
      lines.push_back(track.folder + "|" + track.displayName);
    }
    return lines;
  }

  std::optional<TempFolder> folder_;
};

TEST_F(SourceGameInstalledTracksTest, ListsTracksInTheGamesOrder) {
  AddFile("tracks/dethq/dethq.dat");
  AddFile("tracks/Elkhart/Elkhart.dat");
  EXPECT_EQ(Listed(SourceGame::kCart),
            (std::vector<std::string>{"Elkhart|Road America", "dethq|Detroit HQ"}));
  EXPECT_TRUE(Listed(SourceGame::kN2).empty());
}

TEST_F(SourceGameInstalledTracksTest, FindsArchivesInAnyLetterCase) {
  AddFile("TRACKS/DETHQ/DETHQ.DAT");
  AddFile("TRACKS/elkhart/elkhart.Dat");
  AddFile("TRACKS/Searspt/SEARSPT.dat");
  EXPECT_EQ(Listed(SourceGame::kCart),
            (std::vector<std::string>{"Elkhart|Road America", "dethq|Detroit HQ"}));
  // The folder reaches the pipeline as the game's list spells it.
  EXPECT_EQ(Listed(SourceGame::kN2), (std::vector<std::string>{"searspt|Sears Point"}));
  EXPECT_EQ(Listed(SourceGame::kN3), (std::vector<std::string>{"Searspt|Sears Point"}));
}

TEST_F(SourceGameInstalledTracksTest, SkipsFoldersWithoutTheirArchive) {
  AddFile("tracks/detroit/detroit.txt");
  AddFile("tracks/indy/other.dat");
  AddFile("tracks/laguna.dat");
  fs::create_directories(folder_->path() / "tracks" / "toronto" / "toronto.dat");
  AddFile("tracks/ontario/ontario.dat");
  EXPECT_TRUE(Listed(SourceGame::kCart).empty());
  EXPECT_EQ(Listed(SourceGame::kNl), (std::vector<std::string>{"ontario|Ontario Motor Speedway"}));
}

TEST_F(SourceGameInstalledTracksTest, MissingSourceFolderListsNothing) {
  AddFile("elsewhere/tracks/dethq/dethq.dat");
  EXPECT_TRUE(
      FindInstalledTracks(GameInfo(SourceGame::kCart), folder_->path() / "nothere").empty());
}

}  // namespace
}  // namespace velmora
