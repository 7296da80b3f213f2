// The run's last stages on the demo track: patches, the season files and track.ini.
#include "pipeline/finishing_stages.h"

#include <gtest/gtest.h>

#include "pipeline/finishing_test_support.h"

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

TEST(PatchStageTest, FoundPatchesLandInTheTrackAndSilenceTheMessage) {
  testkit::DemoConversion run;
  ASSERT_TRUE(run.Convert());
  // The sample track has no geometry template: the run says so first, then that no patch
  // was found.
  const std::vector<std::string> template_missing = {"Failed to find resource kestrel_N4T",
                                                     "GPL directory not correctly set?"};
  std::vector<std::string> expected = template_missing;
  expected.push_back("No Patch Files Found for kestrel");
  expected.push_back("Check your installation of the converter");
  EXPECT_EQ(run.messages(), expected);
  // One patch is enough to silence it.
  WriteFileText(run.patches() / "kestrel.lre", "patched race line");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.messages(), template_missing);
  EXPECT_EQ(run.Text("tracks/kestrel/race.lp"), "patched race line");
  WriteFileText(run.patches() / "KESTREL.TTT", "notes");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("tracks/kestrel/kestrel.txt"), "notes");
}

TEST(SeasonStageTest, BothSeasonFilesGetTheTrackOnce) {
  testkit::DemoConversion run;
  ASSERT_TRUE(run.Convert());
  for (const char* season : {"seasons/67season.ini", "seasons/gp.ini"}) {
    SCOPED_TRACE(season);
    // An unknown folder is registered under its own name.
    EXPECT_NE(run.Text(season).find("name=kestrel Grand Prix\r\nshortname=kestrel GP\r\n"
                                    "trackDirectory=kestrel\r\n"),
              std::string::npos);
  }
  const std::string once = run.Text("seasons/gp.ini");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("seasons/gp.ini"), once) << "a second conversion registers nothing more";
}

TEST(SeasonStageTest, KnownTracksTakeTheirEventNames) {
  testkit::DemoConversion run;
  AddSeasonEvent(run.demo().gpl, "lagunahq", 33264000, "gp.ini");
  AddSeasonEvent(run.demo().gpl, "calif", 63360000, "missing.ini");
  // A high-detail folder keeps its own folder, with the plain track's event names.
  EXPECT_NE(run.Text("seasons/gp.ini")
                .find("name=Monterey Grand Prix\r\nshortname=Monterey GP\r\n"
                      "trackDirectory=lagunahq\r\nmonth=1\r\nday=2\r\nnumberOfLaps=200\r\n"),
            std::string::npos);
  EXPECT_FALSE(FileExists(run.demo().gpl / "seasons" / "missing.ini"));
  EXPECT_TRUE(run.messages().empty());
}

// track.ini is made from the template through a working copy beside it, never in the current
// folder (here one the run cannot write to), and a track.ini already there stays as it is.
TEST(TrackIniStageTest, WrittenWhenAbsentAndKeptWhenPresent) {
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
  const std::string ini = run.Text("tracks/kestrel/track.ini");
  EXPECT_NE(ini.find("track_name = Kestrel Park Circuit\r\n"), std::string::npos);
  EXPECT_NE(ini.find("\r\nstall_19  = "), std::string::npos);
  EXPECT_FALSE(FileExists(run.track_folder() / "temp.ini")) << "the working copy is removed";

  WriteFileText(run.track_folder() / "track.ini", "mine");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("tracks/kestrel/track.ini"), "mine");
}

}  // namespace
}  // namespace velmora
