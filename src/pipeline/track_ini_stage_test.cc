#include <gtest/gtest.h>

#include <unistd.h>

#include "pipeline/finishing_test_support.h"

namespace velmora {
namespace {

TEST(TrackIniStageTest, WrittenWhenAbsentAndKeptWhenPresent) {
  testkit::DemoConversion run;
  ASSERT_TRUE(run.Convert());
  const std::string ini = run.Text("tracks/kestrel/track.ini");
  EXPECT_NE(ini.find("track_name = Kestrel Park Circuit\r\n"), std::string::npos);
  EXPECT_NE(ini.find("track_name_short = Kestrel\r\n"), std::string::npos);
  EXPECT_NE(ini.find("\r\nstall_19  = "), std::string::npos);
  EXPECT_FALSE(FileExists(run.track_folder() / "temp.ini")) << "the working copy is removed";
  EXPECT_FALSE(FileExists(fs::current_path() / "temp.ini")) << "nothing in the current folder";

  WriteFileText(run.track_folder() / "track.ini", "mine");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("tracks/kestrel/track.ini"), "mine") << "an existing track.ini stays";
}

TEST(TrackIniStageTest, AReadOnlyCurrentFolderDoesNotMatter) {
  testkit::DemoConversion run;
  const fs::path here = fs::current_path();
  const fs::path locked = run.patches() / "locked";
  fs::create_directories(locked);
  fs::current_path(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const bool finished = run.Convert();
  fs::current_path(here);
  fs::permissions(locked, fs::perms::owner_all);
  ASSERT_TRUE(finished);
  EXPECT_NE(run.Text("tracks/kestrel/track.ini").find("Kestrel Park Circuit"), std::string::npos);
}

}  // namespace
}  // namespace velmora
