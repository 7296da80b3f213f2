// What the runs tell the user about a damaged or unpackable archive, word for word.
#include "pipeline/archive_messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
#include "testing/deep_folder.h"
#include "testing/raw_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;
using testkit::BuildRawArchive;

class ArchiveMessagesTest : public ::testing::Test {
 protected:
  fs::path Write(const std::vector<std::uint8_t>& bytes) {
    const fs::path path = folder_->path() / "track.dat";
    WriteFileBytes(path, bytes);
    return path;
  }
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  RecordingMessageSink messages_;
};

TEST_F(ArchiveMessagesTest, HostileMembersAreNamedOneByOne) {
  const std::uint32_t start = 2 + 27 * 4;
  const fs::path path = Write(BuildRawArchive(4,
                                              {{"../escape.trk", 4, start},
                                               {"", 4, start},
                                               {"past.end", 8, start + 5},
                                               {"good.lp", 10, start}},
                                              Bytes("0123456789")));
  TrackArchive archive;
  UnpackArchiveReported(archive, path, messages_);
  auto outside = [&](const std::string& member) {
    return "Skipped member \"" + member + "\" of " + path.string() +
           ": its name would place it outside the extraction folder";
  };
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{outside("../escape.trk"), outside(""),
                                      "Skipped member past.end of " + path.string() +
                                          ": its data lies beyond the end of the archive"}));
  EXPECT_TRUE(archive.HeldMember("good.lp"));
}

TEST_F(ArchiveMessagesTest, CutDirectoryAndMissingArchive) {
  const fs::path path = Write(BuildRawArchive(3, {{"a.trk", 1, 2 + 27}}, Bytes("a")));
  TrackArchive cut;
  UnpackArchiveReported(cut, path, messages_);
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{"Track archive " + path.string() +
                                      " is cut short: its directory lists 3 members, of which 1 "
                                      "are readable"}));
  // The readable member is still unpacked.
  EXPECT_TRUE(cut.HeldMember("a.trk"));

  // A missing archive is not told about; its empty folder is still made for the stages.
  messages_.Clear();
  TrackArchive missing;
  UnpackArchiveReported(missing, folder_->path() / "none.dat", messages_);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_TRUE(FolderExists(missing.folder_path()));
}

TEST_F(ArchiveMessagesTest, NoTemporaryFolder) {
  const fs::path path = Write(BuildRawArchive(1, {{"a.trk", 1, 2 + 27}}, Bytes("a")));
#ifdef _WIN32
  const char* variable = "TMP";  // GetTempPathW reads TMP first
  auto set = [&](const std::string& value) { _putenv_s(variable, value.c_str()); };
  auto unset = [&] { _putenv_s(variable, ""); };
#else
  const char* variable = "TMPDIR";
  auto set = [&](const std::string& value) { setenv(variable, value.c_str(), 1); };
  auto unset = [&] { unsetenv(variable); };
#endif
  const char* old = std::getenv(variable);
  const std::string saved = old ? old : "";
  // No temporary folder at all: the legacy text, and no folder.
  set((folder_->path() / "missing").string());
  TrackArchive none;
  UnpackArchiveReported(none, path, messages_);
  EXPECT_EQ(messages_.messages(), std::vector<std::string>{"GetTempPath Failed "});
  EXPECT_TRUE(none.folder_path().empty());
#ifndef _WIN32
  // A temporary folder too deep for a new folder inside it: the folder is named, then the
  // first member that would go into it, and no member is held.
  const fs::path deep = testkit::MakeTooDeepFolder(folder_->path());
  set(deep.string());
  messages_.Clear();
  TrackArchive unmade;
  UnpackArchiveReported(unmade, path, messages_);
  const fs::path attempted = unmade.folder_path();
  ASSERT_FALSE(attempted.empty());
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{"CreateDirectory Failed:- " + attempted.string(),
                                      "CreateFile from .DAT :- " + (attempted / "a.trk").string()}));
  EXPECT_FALSE(unmade.HeldMember("a.trk"));
#endif
  if (old) {
    set(saved);
  } else {
    unset();
  }
}

}  // namespace
}  // namespace velmora
