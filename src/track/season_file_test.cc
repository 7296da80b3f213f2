#include "track/season_file.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

const SeasonEventNames kKestrel = {"Kestrel Grand Prix", "KR GP"};

TEST(SeasonFileTest, LapsForARaceOfTwoHundredMiles) {
  // 33264000: the inner division truncates, 2000 / 10; shorter than a tenth of a mile: no
  // division by zero.
  const std::pair<std::int64_t, int> rows[] = {
      {63360000, 100}, {33264000, 200}, {3167999, 2000}, {-5, 2000}, {INT64_MAX, 0}};
  for (const auto& [lap, laps] : rows) EXPECT_EQ(SeasonLaps(lap), laps) << lap;
}

// The event block follows the file's own line ends; its number is the count plus one, eleven
// without a count, and a huge count saturates instead of overflowing.
TEST(SeasonFileTest, AppendsTheEventBlockAndRaisesTheCount) {
  const std::string text = "[Season]\r\nnumEvents=11\r\n[Event0]\r\ntrackDirectory=mexico\r\n";
  EXPECT_EQ(AddEventToSeasonText(text, "Kestrel", kKestrel, 100),
            "[Season]\r\nnumEvents=12\r\n[Event0]\r\ntrackDirectory=mexico\r\n"
            "\r\n[Event12]\r\nname=Kestrel Grand Prix\r\nshortname=KR GP\r\n"
            "trackDirectory=Kestrel\r\nmonth=1\r\nday=2\r\nnumberOfLaps=100\r\nstartingGrid=4\r\n");
  EXPECT_EQ(
      AddEventToSeasonText("[Event0]\nname=x", "calif", {"California Grand Prix", "CA GP"}, 7),
      "[Event0]\nname=x\n\n[Event11]\nname=California Grand Prix\nshortname=CA GP\n"
      "trackDirectory=calif\nmonth=1\nday=2\nnumberOfLaps=7\nstartingGrid=4\n");
  const std::pair<std::string, std::string> rows[] = {
      {"", "[Event11]"},
      {"numEvents=\n", "[Event1]"},
      {"numEvents=99999999999999\n", "numEvents=2147483647\n"},
  };
  for (const auto& [before, expected] : rows) {
    EXPECT_NE(AddEventToSeasonText(before, "a", kKestrel, 1)->find(expected), std::string::npos)
        << before;
  }
}

// Registered is "the file contains trackDirectory=<folder>" in any case: a folder whose name
// starts with the track's blocks it.
TEST(SeasonFileTest, ATrackRegisteredInAnyCaseIsNotRegisteredTwice) {
  EXPECT_FALSE(
      AddEventToSeasonText("[Event3]\r\nTrackDirectory=KESTREL\r\n", "kestrel", kKestrel, 1));
  EXPECT_TRUE(AddEventToSeasonText("trackDirectory=kestrel2\r\n", "kestrel3", kKestrel, 1));
  EXPECT_FALSE(AddEventToSeasonText("trackDirectory=kestrel2\r\n", "kestrel", kKestrel, 1));
}

TEST(SeasonFileTest, ReplacesTheFileWholeAndOnlyOnce) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path season = folder->path() / "gp.ini";
  EXPECT_TRUE(AddSeasonEvent(season, "kestrel", kKestrel, 63360000).IsNotFound());
  EXPECT_FALSE(FileExists(season));

  WriteFileText(season, "numEvents=3\r\n");
  ASSERT_TRUE(AddSeasonEvent(season, "kestrel", kKestrel, 63360000).ok());
  const std::optional<std::vector<std::uint8_t>> once = ReadFileBytes(season);
  EXPECT_NE(std::string(once->begin(), once->end()).find("numberOfLaps=100\r\n"),
            std::string::npos);
  ASSERT_TRUE(AddSeasonEvent(season, "KESTREL", kKestrel, 63360000).ok());
  EXPECT_EQ(ReadFileBytes(season), once) << "a second run changes nothing";
  EXPECT_EQ(CountEntries(folder->path()), 1u);

  // A registered track still leaves the file an ordinary one, its times kept.
  fs::permissions(season, fs::perms::owner_read);
  const fs::file_time_type written = fs::last_write_time(season);
  ASSERT_TRUE(AddSeasonEvent(season, "kestrel", kKestrel, 63360000).ok());
  EXPECT_EQ(ReadFileBytes(season), once);
  EXPECT_NE(fs::status(season).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(fs::last_write_time(season), written);
}

}  // namespace
}  // namespace velmora
