#include "track/season_file.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

const SeasonEventNames kKestrel = {"Kestrel Grand Prix", "KR GP"};

TEST(SeasonFileTest, LapsForARaceOfTwoHundredMiles) {
  EXPECT_EQ(SeasonLaps(63360000), 100);
  EXPECT_EQ(SeasonLaps(33264000), 200) << "the inner division truncates: 2000 / 10";
  // Shorter than a tenth of a mile: no division by zero.
  EXPECT_EQ(SeasonLaps(3167999), 2000);
  EXPECT_EQ(SeasonLaps(0), 2000);
  EXPECT_EQ(SeasonLaps(-5), 2000);
  EXPECT_EQ(SeasonLaps(INT64_MAX), 0);
}

TEST(SeasonFileTest, AppendsTheEventBlockAndRaisesTheCount) {
  const std::string text = "[Season]\r\nnumEvents=11\r\n[Event0]\r\ntrackDirectory=mexico\r\n";
  std::optional<std::string> out = AddEventToSeasonText(text, "Kestrel", kKestrel, 100);
  ASSERT_TRUE(out);
  EXPECT_EQ(*out,
            "[Season]\r\nnumEvents=12\r\n[Event0]\r\ntrackDirectory=mexico\r\n"
            "\r\n[Event12]\r\nname=Kestrel Grand Prix\r\nshortname=KR GP\r\n"
            "trackDirectory=Kestrel\r\nmonth=1\r\nday=2\r\nnumberOfLaps=100\r\nstartingGrid=4\r\n");
}

TEST(SeasonFileTest, WithoutACountTheEventIsNumberEleven) {
  std::optional<std::string> out = AddEventToSeasonText("[Event0]\nname=x", "calif",
                                                        {"California Grand Prix", "CA GP"}, 7);
  ASSERT_TRUE(out);
  EXPECT_EQ(*out,
            "[Event0]\nname=x\n\n[Event11]\nname=California Grand Prix\nshortname=CA GP\n"
            "trackDirectory=calif\nmonth=1\nday=2\nnumberOfLaps=7\nstartingGrid=4\n");
  // An empty file, and a count line with no number, still give sound numbers.
  EXPECT_NE(AddEventToSeasonText("", "a", kKestrel, 1)->find("[Event11]"), std::string::npos);
  EXPECT_NE(AddEventToSeasonText("numEvents=\n", "a", kKestrel, 1)->find("[Event1]"),
            std::string::npos);
  EXPECT_NE(AddEventToSeasonText("numEvents=99999999999999\n", "a", kKestrel, 1)
                ->find("numEvents=2147483647\n"),
            std::string::npos)
      << "a huge count saturates instead of overflowing";
}

TEST(SeasonFileTest, ATrackRegisteredInAnyCaseIsNotRegisteredTwice) {
  EXPECT_FALSE(AddEventToSeasonText("[Event3]\r\nTrackDirectory=KESTREL\r\n", "kestrel",
                                    kKestrel, 1));
  EXPECT_TRUE(AddEventToSeasonText("trackDirectory=kestrel2\r\n", "kestrel3", kKestrel, 1));
  // The test is "contains": a folder whose name starts with the track's blocks it.
  EXPECT_FALSE(AddEventToSeasonText("trackDirectory=kestrel2\r\n", "kestrel", kKestrel, 1));
  EXPECT_FALSE(AddEventToSeasonText("x trackDirectory=Kestrel;\n", "KESTREL", kKestrel, 1));
}

TEST(SeasonFileTest, ReplacesTheFileWholeAndOnlyOnce) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path season = folder->path() / "gp.ini";
  EXPECT_TRUE(AddSeasonEvent(season, "kestrel", kKestrel, 63360000).IsNotFound());
  EXPECT_FALSE(FileExists(season));

  WriteFileText(season, "numEvents=3\r\n");
  fs::permissions(season, fs::perms::owner_read);  // read-only: still updated
  ASSERT_TRUE(AddSeasonEvent(season, "kestrel", kKestrel, 63360000).ok());
  const std::optional<std::vector<std::uint8_t>> once = ReadFileBytes(season);
  const std::string text(once->begin(), once->end());
  EXPECT_NE(text.find("numEvents=4\r\n"), std::string::npos);
  EXPECT_NE(text.find("numberOfLaps=100\r\n"), std::string::npos);
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
