#include "pipeline/finishing_stages.h"

#include <gtest/gtest.h>

#include "pipeline/finishing_test_support.h"

namespace velmora {
namespace {

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
  WriteFileText(run.patches() / "kestrel.lre", "patched race line");
  WriteFileText(run.patches() / "KESTREL.TTT", "notes");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.messages(), template_missing);
  EXPECT_EQ(run.Text("tracks/kestrel/race.lp"), "patched race line");
  EXPECT_EQ(run.Text("tracks/kestrel/kestrel.txt"), "notes");
}

}  // namespace
}  // namespace velmora
