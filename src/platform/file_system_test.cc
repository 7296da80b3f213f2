#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/temp_folder.h"

namespace velmora {
namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "Tracks" / "DETHQ");
    WriteFileText(root_ / "Tracks" / "DETHQ" / "DetHQ.DAT", "archive");
  }
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path root_ = folder_->path();
};

TEST_F(FileSystemTest, EverySpellingReachesTheSameFileAndReadsAreBounded) {
  // Which spelling the lookup finds is the resolver's; reads of every spelling reach the file.
  for (const char* spelling :
       {"tracks/dethq/dethq.dat", "TRACKS/DetHq/DETHQ.dat", "Tracks/DETHQ/DetHQ.DAT"}) {
    SCOPED_TRACE(spelling);
    EXPECT_TRUE(FileExists(root_ / spelling));
    EXPECT_EQ(FileSize(root_ / spelling), 7u);
  }
  EXPECT_FALSE(ResolveExisting(root_ / "tracks/detroit/dethq.dat"));
  EXPECT_FALSE(FileExists(root_ / "tracks/dethq"));
  EXPECT_TRUE(FolderExists(root_ / "TRACKS/dethq"));
  // Reads are bounded and exact.
  EXPECT_FALSE(ReadFileBytes(root_ / "missing.dat"));
  EXPECT_FALSE(ReadFileBytes(root_ / "tracks/dethq/dethq.dat", 6));
  std::vector<std::uint8_t> too_small(6), exact(7);
  EXPECT_FALSE(ReadFileInto(root_ / "tracks/dethq/dethq.dat", too_small));
  EXPECT_TRUE(ReadFileInto(root_ / "tracks/dethq/dethq.dat", exact));
  EXPECT_EQ(ReadFilePrefix(root_ / "tracks/dethq/dethq.dat", 3)->size(), 3u);
  EXPECT_EQ(ReadFilePrefix(root_ / "tracks/dethq/dethq.dat", 300)->size(), 7u);
}

TEST_F(FileSystemTest, WritesCopiesAndRemovalsGoToTheExistingSpellingOrTheGivenOne) {
  ASSERT_TRUE(WriteFileText(root_ / "tracks/dethq/dethq.dat", "replaced"));
  EXPECT_EQ(ReadFileBytes(root_ / "Tracks/DETHQ/DetHQ.DAT")->size(), 8u);
  ASSERT_TRUE(WriteFileText(root_ / "tracks/dethq/New.Trk", "x"));
  EXPECT_TRUE(fs::exists(root_ / "Tracks/DETHQ/New.Trk"));

  // Folders are made one level at a time, in the existing parent's spelling.
  EXPECT_TRUE(CreateFolder(root_ / "tracks" / "detroit"));
  EXPECT_TRUE(fs::is_directory(root_ / "Tracks" / "detroit"));
  EXPECT_FALSE(CreateFolder(root_ / "TRACKS" / "Detroit"));          // exists already
  EXPECT_FALSE(CreateFolder(root_ / "gpl" / "tracks" / "detroit"));  // no parent

  // Copies and removals resolve both ends; a folder is never removed as a file.
  EXPECT_TRUE(CopyFileReplacing(root_ / "TRACKS/dethq/DETHQ.DAT", root_ / "tracks/copy.dat"));
  EXPECT_TRUE(fs::exists(root_ / "Tracks" / "copy.dat"));
  EXPECT_FALSE(CopyFileReplacing(root_ / "missing", root_ / "tracks/other.dat"));
  EXPECT_TRUE(RemoveFile(root_ / "TRACKS/COPY.DAT"));
  EXPECT_FALSE(RemoveFile(root_ / "tracks/copy.dat"));
  EXPECT_FALSE(RemoveFile(root_ / "tracks"));
}

TEST_F(FileSystemTest, ListsFilesByExtensionInNameOrder) {
  for (const char* name : {"b.MIP", "a.mip", "C.mip", "d.mi4", "e.mipx"}) {
    WriteFileText(root_ / name, name);
  }
  fs::create_directory(root_ / "folder.mip");
  std::vector<std::string> names;
  for (const fs::path& path : ListFiles(root_, ".mip")) names.push_back(path.filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"a.mip", "b.MIP", "C.mip"}));
  EXPECT_EQ(CountEntries(root_), 7u);
  EXPECT_EQ(CountEntries(root_ / "missing"), 0u);
}

TEST_F(FileSystemTest, AtomicReplacementLeavesOnlyTheNewFile) {
  const fs::path spelled = root_ / "tracks" / "dethq" / "dethq.dat";
  ASSERT_TRUE(ReplaceFileAtomically(spelled, std::string_view("new bytes")).ok());
  const fs::path real = root_ / "Tracks" / "DETHQ" / "DetHQ.DAT";
  EXPECT_EQ(ReadFileBytes(real)->size(), 9u);
  EXPECT_EQ(CountEntries(root_ / "Tracks" / "DETHQ"), 1u) << "no file left beside the target";

  // A read-only season file is still replaced, and becomes an ordinary file.
  const fs::path season = root_ / "67season.ini";
  WriteFileText(season, "old");
  fs::permissions(season, fs::perms::owner_read | fs::perms::group_read);
  ASSERT_TRUE(ReplaceFileAtomically(season, std::string_view("newer")).ok());
  EXPECT_EQ(FileSize(season), 5u);
  EXPECT_NE(fs::status(season).permissions() & fs::perms::owner_write, fs::perms::none);

  // A folder that does not exist: an error, nothing written.
  EXPECT_TRUE(ReplaceFileAtomically(root_ / "none" / "x.ini", std::string_view("x")).IsIOError());
  EXPECT_FALSE(FolderExists(root_ / "none"));
}

// Each folder is new, prefixed and directly in the system's temporary folder, and is owned,
// moves included, until destroyed.
TEST(TempFolderTest, EveryFolderIsNewAndOwnedUntilDestroyed) {
  std::set<fs::path> paths;
  {
    std::vector<TempFolder> folders;
    for (int i = 0; i < 40; ++i) {
      std::optional<TempFolder> folder = TempFolder::Create("dir");
      ASSERT_TRUE(folder);
      EXPECT_EQ(folder->path().filename().string().rfind("dir", 0), 0u);
      EXPECT_EQ(folder->path().parent_path(), (fs::temp_directory_path() / "x").parent_path());
      WriteFileText(folder->path() / "member.trk", "x");
      paths.insert(folder->path());
      folders.push_back(std::move(*folder));
    }
    EXPECT_TRUE(fs::exists(*paths.begin() / "member.trk"));
  }
  EXPECT_EQ(paths.size(), 40u);
  for (const fs::path& path : paths) EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace velmora
