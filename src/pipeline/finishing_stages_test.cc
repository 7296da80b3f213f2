// The run's last stages on the demo track: patches, the season files and track.ini.
#include "pipeline/finishing_stages.h"

#include <gtest/gtest.h>

#include "testing/demo_conversion.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(PatchStageTest, PatchesFromTheSettingOrBesideTheProgram) {
  testkit::DemoConversion run;
  EXPECT_EQ(PatchFolder(run.settings()), run.patches());
  run.settings().Override(kDirectoriesSection, kPatchesKey, "");
  EXPECT_EQ(PatchFolder(run.settings()), ExecutableFolder());
  EXPECT_FALSE(ExecutableFolder().empty());
}

// The demo track converted twice. The first run makes track.ini from the template through a
// working copy beside it, never in the current folder (here one the run cannot write to), and
// registers the track in both season files, an unknown folder under its own name. The sample
// track has no geometry template: the run says so first, then that no patch was found. Before
// the second run one patch appears, which alone silences that message, and the user edits
// track.ini, which stays as it is; the seasons get nothing more.
TEST(FinishingStagesTest, PatchesTrackIniAndSeasonsOverTwoRuns) {
  testkit::DemoConversion run;
  const fs::path here = fs::current_path();
  const fs::path locked = run.root() / "locked";
  fs::create_directories(locked);
  fs::current_path(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const bool finished = run.Convert();
  fs::current_path(here);
  fs::permissions(locked, fs::perms::owner_all);
  ASSERT_TRUE(finished);
  const std::vector<std::string> no_template = {"Failed to find resource kestrel_N4T",
                                                "GPL directory not correctly set?"};
  EXPECT_EQ(run.messages(), (std::vector<std::string>{no_template[0], no_template[1],
                                                      "No Patch Files Found for kestrel",
                                                      "Check your installation of the converter"}));
  const std::string ini = run.Text("tracks/kestrel/track.ini");
  EXPECT_NE(ini.find("track_name = Kestrel Park Circuit\r\n"), std::string::npos);
  EXPECT_NE(ini.find("\r\nstall_19  = "), std::string::npos);
  EXPECT_FALSE(FileExists(run.track_folder() / "temp.ini")) << "the working copy is removed";
  for (const char* season : {"seasons/67season.ini", "seasons/gp.ini"}) {
    EXPECT_NE(run.Text(season).find("name=kestrel Grand Prix\r\nshortname=kestrel GP\r\n"
                                    "trackDirectory=kestrel\r\n"),
              std::string::npos)
        << season;
  }
  const std::string season = run.Text("seasons/gp.ini");

  WriteFileText(run.patches() / "kestrel.lre", "patched race line");
  WriteFileText(run.track_folder() / "track.ini", "mine");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.messages(), no_template);
  EXPECT_EQ(run.Text("tracks/kestrel/race.lp"), "patched race line");
  EXPECT_EQ(run.Text("tracks/kestrel/track.ini"), "mine");
  EXPECT_EQ(run.Text("seasons/gp.ini"), season);
}

// A high-detail folder keeps its own folder, with the plain track's event names; a season file
// that is not there is not made.
TEST(SeasonStageTest, KnownTracksTakeTheirEventNames) {
  testkit::DemoConversion run;
  AddSeasonEvent(run.demo().gpl, "lagunahq", 33264000, "gp.ini");
  AddSeasonEvent(run.demo().gpl, "calif", 63360000, "missing.ini");
  EXPECT_NE(run.Text("seasons/gp.ini")
                .find("name=Monterey Grand Prix\r\nshortname=Monterey GP\r\n"
                      "trackDirectory=lagunahq\r\nmonth=1\r\nday=2\r\nnumberOfLaps=200\r\n"),
            std::string::npos);
  EXPECT_FALSE(FileExists(run.demo().gpl / "seasons" / "missing.ini"));
  EXPECT_TRUE(run.messages().empty());
}

}  // namespace
}  // namespace velmora
