#include "pipeline/finishing_stages.h"

#include <gtest/gtest.h>

#include <map>

#include "pipeline/finishing_test_support.h"
#include "samples/archive_builder.h"
#include "track/patch_set.h"

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
  // One patch is enough to silence it.
  WriteFileText(run.patches() / "kestrel.lre", "patched race line");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.messages(), template_missing);
  EXPECT_EQ(run.Text("tracks/kestrel/race.lp"), "patched race line");
  WriteFileText(run.patches() / "KESTREL.TTT", "notes");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.Text("tracks/kestrel/kestrel.txt"), "notes");
}

TEST(PatchStageTest, AnArchivePatchSurvivesThePack) {
  testkit::DemoConversion run;
  WriteFileBytes(run.patches() / "kestrel.zad",
                 samples::BuildTrackArchive({{"extra.txt", samples::Bytes("from the patch")},
                                             {"page1.pbf", samples::Bytes("patched page")}}));
  ASSERT_TRUE(run.Convert());
  const std::vector<std::uint8_t> pack = *ReadFileBytes(run.track_folder() / "kestrel.dat");
  Result<std::vector<PatchMember>> members = ReadPatchDirectory(pack);
  ASSERT_TRUE(members.ok());
  std::map<std::string, std::string> text;
  for (const PatchMember& m : *members) {
    text[m.name] = std::string(pack.begin() + static_cast<std::ptrdiff_t>(m.offset),
                               pack.begin() + static_cast<std::ptrdiff_t>(m.offset + m.length));
  }
  EXPECT_EQ(text["extra.txt"], "from the patch");
  EXPECT_EQ(text["page1.pbf"], "patched page") << "a patch member replaces the packed one";
  EXPECT_EQ(text["page0.pbf"].size(), 243136u) << "the other packed files stay";
  EXPECT_TRUE(text.contains("kestrel.trk"));
}

}  // namespace
}  // namespace velmora
