#include "track/track_archive.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
#include "testing/corruption.h"
#include "testing/raw_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::BuildTrackArchive;
using samples::Bytes;
using testkit::BuildRawArchive;

std::string FileText(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

class TrackArchiveTest : public ::testing::Test {
 protected:
  fs::path Write(const std::vector<std::uint8_t>& bytes) {
    const fs::path path = folder_->path() / "track.dat";
    WriteFileBytes(path, bytes);
    return path;
  }
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
};

// Names are lowercased in ASCII only, one filling its field cut at thirteen bytes, and written
// under their Unicode names; the filter is a substring of the lowercased name ("trkside.mip"
// holds "trk" but not ".trk"). A missing archive opens as not found.
TEST_F(TrackArchiveTest, ExtractsMembersWithLowercaseNamesThroughTheFilter) {
  const fs::path path = Write(BuildTrackArchive(
      {{"DETHQ.TRK", Bytes("track")},
       {"Race.Lp", Bytes("line")},
       {"trkside.mip", Bytes("m")},
       {"\xD6sterr.txt", Bytes("data")}}));  // Windows-1252, as the field holds it
  fs::path extracted;
  {
    TrackArchive archive;
    ASSERT_TRUE(archive.Open(path).ok());
    const ArchiveEntry& first = archive.entries().at(0);
    EXPECT_EQ(std::tuple(first.name, first.length, first.offset),
              std::tuple("dethq.trk", 5u, 2u + 4 * 27));
    ASSERT_TRUE(archive.Extract().ok());
    extracted = archive.folder_path();
    EXPECT_EQ(FileText(archive.ExtractedPath("race.lp")), "line");
    EXPECT_EQ(FileText(extracted / PathFromUtf8("\u00D6sterr.txt")), "data");
  }
  EXPECT_FALSE(fs::exists(extracted));  // destruction removes the folder and its files
  TrackArchive filtered;
  ASSERT_TRUE(filtered.Open(path).ok());
  ASSERT_TRUE(filtered.Extract(".TRK").ok());
  EXPECT_EQ(CountEntries(filtered.folder_path()), 1u);
  EXPECT_TRUE(fs::exists(filtered.ExtractedPath("dethq.trk")));
  TrackArchive full;
  ASSERT_TRUE(
      full.OpenBytes(BuildRawArchive(1, {{"ABCDEFGHIJKLMNOP", 1, 2 + 27}}, Bytes("z"))).ok());
  EXPECT_EQ(full.entries()[0].name, "abcdefghijklm");
  TrackArchive empty;  // still makes its folder
  ASSERT_TRUE(empty.Open(Write(BuildRawArchive(0, {}, {}))).ok());
  ASSERT_TRUE(empty.Extract().ok());
  EXPECT_TRUE(fs::is_directory(empty.folder_path()));
  TrackArchive missing;
  EXPECT_TRUE(missing.Open(folder_->path() / "none.dat").IsNotFound());
  EXPECT_TRUE(missing.folder_path().empty());  // never extracted: nothing to delete
}

TEST_F(TrackArchiveTest, HostileMembersAreReportedAndNeverWritten) {
  const std::uint32_t start = 2 + 27 * 7;
  const std::vector<testkit::RawRecord> records = {
      {"../escape.trk", 4, start}, {"..", 4, start}, {"sub/file.mip", 4, start},
      {"back\\slash", 4, start},   {"", 4, start},   {"past.end", 8, start + 5},
      {"good.lp", 10, start}};
  const fs::path path = Write(BuildRawArchive(7, records, Bytes("0123456789")));
  TrackArchive archive;
  ASSERT_TRUE(archive.Open(path).ok());
  EXPECT_TRUE(archive.Extract().IsCorruption());
  EXPECT_EQ(FileText(archive.ExtractedPath("good.lp")), "0123456789");
  EXPECT_FALSE(fs::exists(folder_->path().parent_path() / "escape.trk"));
  EXPECT_EQ(std::distance(fs::directory_iterator(archive.folder_path()), {}), 1);
  // Each skipped member, in directory order: the kind says why, the message names it.
  std::vector<std::pair<Status::Kind, std::string>> problems;
  for (const Status& problem : archive.problems()) {
    problems.emplace_back(problem.kind(), problem.message());
  }
  const Status::Kind unsafe = Status::Kind::kInvalidArgument;
  EXPECT_EQ(problems, (std::vector<std::pair<Status::Kind, std::string>>{
                          {unsafe, "../escape.trk"},
                          {unsafe, ".."},
                          {unsafe, "sub/file.mip"},
                          {unsafe, "back\\slash"},
                          {unsafe, ""},
                          {Status::Kind::kCorruption, "past.end"}}));
}

// Opens and extracts an archive of `bytes`; whether every member came out whole.
bool OpenAndExtract(const fs::path& path, std::vector<std::uint8_t> bytes) {
  WriteFileBytes(path, bytes);
  TrackArchive archive;
  const Status opened = archive.Open(path);
  const Status extracted = archive.Extract();
  // Whatever the damage, nothing is written outside the archive's own folder.
  for (const ArchiveEntry& entry : archive.entries()) {
    if (!IsSafeMemberName(entry.name)) {
      EXPECT_FALSE(fs::exists(archive.ExtractedPath(entry.name)));
    }
  }
  return opened.ok() && extracted.ok();
}

TEST_F(TrackArchiveTest, DamagedArchivesAreReadSafelyAndReported) {
  const std::vector<std::uint8_t> whole =
      BuildTrackArchive({{"a.trk", Bytes("alpha")}, {"b.lp", Bytes("beta")}});
  const fs::path path = folder_->path() / "damaged.dat";
  const testkit::Reader read = [&](std::vector<std::uint8_t> bytes) {
    return OpenAndExtract(path, std::move(bytes));
  };
  ASSERT_TRUE(read(whole));
  // A cut directory or data area is reported, never taken for a whole archive.
  testkit::ExpectEveryCutRefused(read, whole);
  const std::size_t second = 2 + 27;  // the second directory record
  testkit::ExpectRefused(read, testkit::WithU32(whole, second + 23, 0xFFFFFFF0u),
                         "offset past the end");
  testkit::ExpectRefused(read, testkit::WithU32(whole, second + 2, 0xFFFFFFF0u),
                         "offset and length that overflow 32 bits");
  testkit::ExpectRefused(read, testkit::WithByte(whole, 0, 3), "count beyond the directory");
  testkit::ReadEveryBitFlip(read, whole, 0, second + 27);
}

}  // namespace
}  // namespace velmora
