#include <gtest/gtest.h>

#include "pipeline/finishing_stages.h"
#include "pipeline/finishing_test_support.h"

namespace velmora {
namespace {

TEST(SeasonStageTest, BothSeasonFilesGetTheTrackOnce) {
  testkit::DemoConversion run;
  ASSERT_TRUE(run.Convert());
  for (const char* season : {"seasons/67season.ini", "seasons/gp.ini"}) {
    SCOPED_TRACE(season);
    const std::string text = run.Text(season);
    EXPECT_NE(text.find("trackDirectory=kestrel\r\n"), std::string::npos);
    // An unknown folder is registered under its own name.
    EXPECT_NE(text.find("name=kestrel Grand Prix\r\nshortname=kestrel GP\r\n"), std::string::npos);
    EXPECT_NE(text.find("numberOfLaps="), std::string::npos);
  }
  const std::string once = run.Text("seasons/gp.ini");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("seasons/gp.ini"), once) << "a second conversion registers nothing more";
}

TEST(SeasonStageTest, KnownTracksTakeTheirEventNames) {
  testkit::DemoConversion run;
  AddSeasonEvent(run.demo().gpl, "calif", 63360000, "gp.ini");
  AddSeasonEvent(run.demo().gpl, "lagunahq", 33264000, "gp.ini");
  AddSeasonEvent(run.demo().gpl, "calif", 63360000, "missing.ini");
  const std::string text = run.Text("seasons/gp.ini");
  EXPECT_NE(text.find("name=California Grand Prix\r\nshortname=CA GP\r\ntrackDirectory=calif\r\n"
                      "month=1\r\nday=2\r\nnumberOfLaps=100\r\n"),
            std::string::npos);
  // A high-detail folder keeps its own folder, with the plain track's event names.
  EXPECT_NE(text.find("name=Monterey Grand Prix\r\nshortname=Monterey GP\r\n"
                      "trackDirectory=lagunahq\r\nmonth=1\r\nday=2\r\nnumberOfLaps=200\r\n"),
            std::string::npos);
  EXPECT_FALSE(FileExists(run.demo().gpl / "seasons" / "missing.ini"));
  EXPECT_TRUE(run.messages().empty());
}

}  // namespace
}  // namespace velmora
