// What the user is told about a damaged or missing track archive, word for word.
#include "pipeline/archive_messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
#include "testing/raw_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;

// Each bad member is named on its own, a directory cut short is told with its count, a missing
// archive is not; the readable members are unpacked all the same, and the work folder made.
TEST(ArchiveMessagesTest, HostileCutAndMissingArchives) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path path = folder->path() / "track.dat";
  const std::uint32_t start = 2 + 27 * 4;
  struct Row {
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: no archive
    std::vector<std::string> messages;
    const char* held;
  };
  const std::string outside =
      "\" of " + path.string() + ": its name would place it outside the extraction folder";
  const Row rows[] = {
      {testkit::BuildRawArchive(4,
                                {{"../escape.trk", 4, start},
                                 {"", 4, start},
                                 {"past.end", 8, start + 5},
                                 {"good.lp", 10, start}},
                                Bytes("0123456789")),
       {"Skipped member \"../escape.trk" + outside, "Skipped member \"" + outside,
        "Skipped member past.end of " + path.string() +
            ": its data lies beyond the end of the archive"},
       "good.lp"},
      {testkit::BuildRawArchive(3, {{"a.trk", 1, 2 + 27}}, Bytes("a")),
       {"Track archive " + path.string() +
        " is cut short: its directory lists 3 members, of which 1 are readable"},
       "a.trk"},
      {std::nullopt, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.held ? row.held : "missing");
    fs::remove(path);
    if (row.bytes) WriteFileBytes(path, *row.bytes);
    RecordingMessageSink messages;
    TrackArchive archive;
    UnpackArchiveReported(archive, path, messages);
    EXPECT_EQ(messages.messages(), row.messages);
    EXPECT_TRUE(!row.held || archive.HeldMember(row.held));
    EXPECT_TRUE(FolderExists(archive.folder_path()));
  }
}

}  // namespace
}  // namespace velmora
