#include "platform/path_resolver.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "testing/disk_probe.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "Tracks" / "Indy");
    WriteFileText(root_ / "Tracks" / "Indy" / "Race.LP", "line");
  }
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path root_ = folder_->path();
  fs::path track_ = root_ / "Tracks" / "Indy";
  PathResolver resolver_;
};

// An exact spelling is answered without listing. A name not there in the spelling asked for
// lists the folder once; every later miss in it, found or not, is answered from that listing.
// Where the disk ignores letter case only the names missing in every spelling get that far.
TEST_F(PathResolverTest, EachFolderIsListedOnceForAllItsNames) {
  const bool ignores_case = testkit::DiskIgnoresCase(root_);
  EXPECT_EQ(resolver_.ResolveExisting(track_ / "Race.LP"), track_ / "Race.LP");
  EXPECT_EQ(resolver_.FileSize(track_ / "Race.LP"), 4u);
  EXPECT_EQ(resolver_.scans(), 0u);
  for (const char* name : {"race.lp", "RACE.lp", "pit.lp", "pass1.lp", "race.lp"}) {
    resolver_.ResolveExisting(track_ / name);
  }
  EXPECT_EQ(resolver_.ResolveExisting(track_ / "race.lp"),
            ignores_case ? track_ / "race.lp" : track_ / "Race.LP");
  EXPECT_FALSE(resolver_.ResolveExisting(track_ / "pit.lp"));
  EXPECT_EQ(resolver_.scans(), 1u);

  // A folder reached in another spelling is listed once too.
  EXPECT_TRUE(resolver_.ResolveExisting(root_ / "tracks" / "indy" / "race.lp"));
  EXPECT_TRUE(resolver_.ResolveExisting(root_ / "TRACKS" / "INDY" / "PASS2.LP") == std::nullopt);
  EXPECT_LE(resolver_.scans(), 3u);
}

TEST_F(PathResolverTest, FilesItWritesAndRemovesNeedNoSecondListing) {
  const bool ignores_case = testkit::DiskIgnoresCase(root_);
  EXPECT_FALSE(resolver_.ResolveExisting(track_ / "pass1.lp"));  // lists the folder
  const std::size_t listed = resolver_.scans();

  ASSERT_TRUE(resolver_.WriteFileBytes(track_ / "Pass1.lp", std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(resolver_.ResolveExisting(track_ / "PASS1.LP"),
            ignores_case ? track_ / "PASS1.LP" : track_ / "Pass1.lp");
  // A write in another spelling goes to the file that is there.
  ASSERT_TRUE(resolver_.WriteFileBytes(track_ / "pass1.LP", std::vector<std::uint8_t>{3}));
  EXPECT_EQ(resolver_.FileSize(track_ / "Pass1.lp"), 1u);

  EXPECT_TRUE(resolver_.RemoveFile(track_ / "PASS1.lp"));
  EXPECT_FALSE(resolver_.ResolveExisting(track_ / "pass1.lp"));
  EXPECT_FALSE(fs::exists(track_ / "Pass1.lp"));
  EXPECT_EQ(resolver_.scans(), listed);

  // Where the disk tells letter case apart, two spellings are two files: removing one leaves
  // the other found.
  if (!ignores_case) {
    ASSERT_TRUE(WriteFileBytesExact(track_ / "RACE.LP", std::vector<std::uint8_t>{7}));
    resolver_.Forget(track_);
    EXPECT_TRUE(resolver_.ResolveExisting(track_ / "race.lp"));  // lists both
    ASSERT_TRUE(resolver_.RemoveFile(track_ / "RACE.LP"));
    EXPECT_EQ(resolver_.ResolveExisting(track_ / "race.lp"), track_ / "Race.LP");
  }

  // A file made by other means is seen once the folder is forgotten.
  WriteFileText(track_ / "Pit.LP", "pit");
  resolver_.Forget(track_);
  EXPECT_TRUE(resolver_.ResolveExisting(track_ / "pit.lp"));
}

TEST_F(PathResolverTest, CanWriteLooksWithoutWriting) {
  bool fresh = true, found = false;
  EXPECT_TRUE(resolver_.CanWrite(track_ / "new.mip", &fresh));
  EXPECT_TRUE(resolver_.CanWrite(track_ / "race.lp", &found));  // in another spelling
  EXPECT_EQ(std::pair(fresh, found), std::pair(false, true));
  EXPECT_FALSE(resolver_.CanWrite(root_ / "missing" / "new.mip"));
  EXPECT_FALSE(resolver_.CanWrite(track_));  // a folder is no file
  EXPECT_FALSE(fs::exists(track_ / "new.mip"));
}

}  // namespace
}  // namespace velmora
