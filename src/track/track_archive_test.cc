#include "track/track_archive.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
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
  RecordingMessageSink messages_;
};

TEST_F(TrackArchiveTest, ExtractsEveryMemberWithLowercaseNames) {
  const fs::path path = Write(
      BuildTrackArchive({{"DETHQ.TRK", Bytes("track")}, {"Race.Lp", Bytes("line")}}));
  fs::path extracted;
  {
    TrackArchive archive(messages_);
    ASSERT_TRUE(archive.Open(path));
    ASSERT_EQ(archive.entries().size(), 2u);
    EXPECT_EQ(archive.entries()[0].name, "dethq.trk");
    EXPECT_EQ(archive.entries()[0].length, 5u);
    EXPECT_EQ(archive.entries()[0].offset, 2u + 2 * 27);
    ASSERT_TRUE(archive.Extract());
    extracted = archive.folder_path();
    EXPECT_EQ(extracted.filename().string().rfind("dir", 0), 0u);
    EXPECT_EQ(archive.ExtractedPath("race.lp"), extracted / "race.lp");
    EXPECT_EQ(FileText(extracted / "dethq.trk"), "track");
    EXPECT_EQ(FileText(extracted / "race.lp"), "line");
  }
  EXPECT_FALSE(fs::exists(extracted));  // destruction removes the folder and its files
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(TrackArchiveTest, FilterIsASubstringOfTheLowercasedName) {
  const fs::path path = Write(BuildTrackArchive(
      {{"WATGLEN.TRK", Bytes("t")}, {"trkside.mip", Bytes("m")}, {"race.lp", Bytes("l")}}));
  TrackArchive archive(messages_);
  ASSERT_TRUE(archive.Open(path));
  ASSERT_TRUE(archive.Extract(".TRK"));
  EXPECT_TRUE(fs::exists(archive.ExtractedPath("watglen.trk")));
  EXPECT_FALSE(fs::exists(archive.ExtractedPath("race.lp")));
  // "trkside.mip" holds "trk" but not ".trk".
  EXPECT_FALSE(fs::exists(archive.ExtractedPath("trkside.mip")));
}

TEST_F(TrackArchiveTest, EmptyArchiveMakesItsFolderAndAMissingOneOpensSilentlyAsFalse) {
  TrackArchive empty(messages_);
  ASSERT_TRUE(empty.Open(Write(BuildRawArchive(0, {}, {}))));
  EXPECT_TRUE(empty.entries().empty());
  ASSERT_TRUE(empty.Extract());
  EXPECT_TRUE(fs::is_directory(empty.folder_path()));

  TrackArchive missing(messages_);
  EXPECT_FALSE(missing.Open(folder_->path() / "none.dat"));
  EXPECT_TRUE(missing.folder_path().empty());  // never extracted: nothing to delete
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(TrackArchiveTest, HostileMembersAreReportedAndNeverWritten) {
  std::vector<std::uint8_t> data = Bytes("0123456789");
  const std::uint32_t start = 2 + 27 * 6;
  const fs::path path = Write(BuildRawArchive(
      6,
      {{"../escape.trk", 4, start},
       {"sub/file.mip", 4, start},
       {"back\\slash", 4, start},
       {"", 4, start},
       {"past.end", 8, start + 5},
       {"good.lp", 10, start}},
      data));
  TrackArchive archive(messages_);
  ASSERT_TRUE(archive.Open(path));
  EXPECT_FALSE(archive.Extract());
  EXPECT_EQ(FileText(archive.ExtractedPath("good.lp")), "0123456789");
  EXPECT_FALSE(fs::exists(folder_->path().parent_path() / "escape.trk"));
  EXPECT_FALSE(fs::exists(archive.folder_path() / "sub"));
  EXPECT_EQ(std::distance(fs::directory_iterator(archive.folder_path()), {}), 1);
  auto outside = [&](const std::string& member) {
    return "Skipped member \"" + member + "\" of " + path.string() +
           ": its name would place it outside the extraction folder";
  };
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{outside("../escape.trk"), outside("sub/file.mip"),
                                      outside("back\\slash"), outside(""),
                                      "Skipped member past.end of " + path.string() +
                                          ": its data lies beyond the end of the archive"}));
}

TEST_F(TrackArchiveTest, OffsetsThatOverflowAreRefused) {
  TrackArchive archive(messages_);
  ASSERT_TRUE(archive.Open(
      Write(BuildRawArchive(1, {{"wrap.trk", 0xFFFFFFF0u, 0x20u}}, Bytes("payload")))));
  EXPECT_FALSE(archive.Extract());
  EXPECT_FALSE(fs::exists(archive.ExtractedPath("wrap.trk")));
}

TEST_F(TrackArchiveTest, NameFillingItsFieldIsCutAtThirteenBytes) {
  TrackArchive archive(messages_);
  ASSERT_TRUE(
      archive.Open(Write(BuildRawArchive(1, {{"ABCDEFGHIJKLMNOP", 1, 2 + 27}}, Bytes("z")))));
  EXPECT_EQ(archive.entries()[0].name, "abcdefghijklm");
}

TEST_F(TrackArchiveTest, EveryCutOfAnArchiveIsReadSafely) {
  const std::vector<std::uint8_t> whole =
      BuildTrackArchive({{"a.trk", Bytes("alpha")}, {"b.lp", Bytes("beta")}});
  for (std::size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    const fs::path path =
        Write(std::vector<std::uint8_t>(whole.begin(), whole.begin() + length));
    RecordingMessageSink messages;
    TrackArchive archive(messages);
    ASSERT_TRUE(archive.Open(path));
    archive.Extract();
    // A cut directory keeps its complete records; a cut data area loses its members.
    const std::size_t complete_records = length < 2 ? 0 : std::min<std::size_t>(2, (length - 2) / 27);
    EXPECT_EQ(archive.entries().size(), complete_records);
    EXPECT_FALSE(messages.messages().empty());
  }
}

}  // namespace
}  // namespace velmora
