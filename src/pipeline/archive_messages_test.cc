// What the runs tell the user about a damaged or unpackable archive, word for word.
#include "pipeline/archive_messages.h"

#include <gtest/gtest.h>

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
using testkit::BuildRawArchive;

// Each bad member is named on its own, a directory cut short is told with its count, a missing
// archive is not told about; the readable members are unpacked all the same, and the folder
// the stages work in is made.
TEST(ArchiveMessagesTest, HostileCutAndMissingArchives) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path path = folder->path() / "track.dat";
  const std::uint32_t start = 2 + 27 * 4;
  struct Row {
    const char* what;
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: no archive
    std::vector<std::string> messages;
    const char* held;
  };
  const std::string outside =
      "\" of " + path.string() + ": its name would place it outside the extraction folder";
  const Row rows[] = {
      {"hostile members",
       BuildRawArchive(4,
                       {{"../escape.trk", 4, start},
                        {"", 4, start},
                        {"past.end", 8, start + 5},
                        {"good.lp", 10, start}},
                       Bytes("0123456789")),
       {"Skipped member \"../escape.trk" + outside, "Skipped member \"" + outside,
        "Skipped member past.end of " + path.string() +
            ": its data lies beyond the end of the archive"},
       "good.lp"},
      {"cut directory",
       BuildRawArchive(3, {{"a.trk", 1, 2 + 27}}, Bytes("a")),
       {"Track archive " + path.string() +
        " is cut short: its directory lists 3 members, of which 1 are readable"},
       "a.trk"},
      {"missing", std::nullopt, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove(path);
    if (row.bytes) WriteFileBytes(path, *row.bytes);
    RecordingMessageSink messages;
    TrackArchive archive;
    UnpackArchiveReported(archive, path, messages);
    EXPECT_EQ(messages.messages(), row.messages);
    if (row.held) {
      EXPECT_TRUE(archive.HeldMember(row.held));
    }
    EXPECT_TRUE(FolderExists(archive.folder_path()));
  }
}

}  // namespace
}  // namespace velmora
