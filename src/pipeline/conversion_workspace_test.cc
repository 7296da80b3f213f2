#include "pipeline/conversion_workspace.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/temp_folder.h"
#include "track/track_archive.h"
#include "track/track_archive_writer.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class ConversionWorkspaceTest : public ::testing::Test {
 protected:
  ConversionWorkspaceTest() { Open(); }
  // A new workspace in place of the last, which goes as a finished run's does.
  void Open() {
    workspace_.reset();
    workspace_.emplace(messages_, resources_);
    workspace_->set_track_name("detroit");
    workspace_->set_output_folder(folder_->path());
  }
  fs::path WriteFile(const std::string& name, std::size_t size) {
    WriteFileBytes(folder_->path() / name, Bytes(size, static_cast<std::uint8_t>(size)));
    return folder_->path() / name;
  }
  // The pack's members: name and bytes.
  std::vector<std::pair<std::string, Bytes>> Members() {
    TrackArchive archive;
    std::vector<std::pair<std::string, Bytes>> members;
    if (!archive.Open(folder_->path() / "detroit.dat").ok()) return members;
    for (const ArchiveEntry& entry : archive.entries()) {
      std::span<const std::uint8_t> bytes = *archive.MemberBytes(entry);
      members.emplace_back(entry.name, Bytes(bytes.begin(), bytes.end()));
    }
    return members;
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  RecordingMessageSink messages_;
  ResourceStore resources_{std::span<const EmbeddedFile>()};
  std::optional<ConversionWorkspace> workspace_;
};

// Extra members (an archive patch's) take the place of the listed file of their name, or follow;
// of two with one name the later counts, and a replaced file is not read. Held files are packed
// from memory, never written loose; a later hold in any case replaces the bytes under the first
// spelling, and a file a patch wrote on disk since is packed from the disk.
TEST_F(ConversionWorkspaceTest, ExtraMembersReplaceInPlaceOrFollow) {
  const fs::path held = folder_->path() / "wall.mip";
  ASSERT_TRUE(workspace_->HoldOutput(held, {1, 2}));
  ASSERT_TRUE(workspace_->HoldOutput(folder_->path() / "WALL.MIP", {4, 5}));
  workspace_->AddToPack(held);
  workspace_->AddToPack(folder_->path() / "Gone.3do");  // never written: it must not be read
  workspace_->AddToPack(folder_->path() / "WALL.mip");
  workspace_->AddToPack(WriteFile("c.txt", 3));
  ASSERT_TRUE(workspace_->HoldOutput(folder_->path() / "race.st1", {6}));
  workspace_->AddToPack(WriteFile("race.st1", 2));  // as a patch writes it
  workspace_->TakeFromDisk(std::vector<fs::path>{folder_->path() / "race.st1"});
  const Bytes first = {7}, second = {8, 8}, third = {9, 9, 9};
  const ConversionWorkspace::ExtraMember extra[] = {
      {"new.txt", first}, {"gone.3do", first}, {"NEW.TXT", second}, {"last.lp", third}};
  ASSERT_TRUE(workspace_->WritePack(extra));
  workspace_.reset();
  EXPECT_FALSE(fs::exists(held));
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_EQ(Members(), (std::vector<std::pair<std::string, Bytes>>{{"wall.mip", {4, 5}},
                                                                   {"gone.3do", first},
                                                                   {"c.txt", {3, 3, 3}},
                                                                   {"race.st1", {2, 2}},
                                                                   {"new.txt", second},
                                                                   {"last.lp", third}}));
}

// A pack that cannot be written is told about and written not at all; the files listed for it
// stay loose (held ones are written out), as they are all the user has of the conversion.
TEST_F(ConversionWorkspaceTest, APackThatCannotBeWrittenLeavesTheFilesLoose) {
  const fs::path pack = folder_->path() / "detroit.dat";
  const fs::path held = folder_->path() / "wall.mip";
  ASSERT_TRUE(workspace_->HoldOutput(held, {1, 2}));
  workspace_->AddToPack(held);
  workspace_->AddToPack(WriteFile("twelve_c.mip", 1));   // 12 characters fit
  workspace_->AddToPack(WriteFile("thirteen_.mip", 1));  // 13 do not
  EXPECT_FALSE(workspace_->WritePack());
  workspace_->AddToPack(folder_->path() / "flagger.3do");  // missing
  EXPECT_FALSE(workspace_->WritePack());
  Open();
  EXPECT_EQ(
      messages_.messages(),
      (std::vector<std::string>{"Cannot write the track archive " + pack.string() +
                                    ": the member name \"thirteen_.mip\" does not fit the "
                                    "12 characters of an archive name",
                                "Failed to open " + (folder_->path() / "flagger.3do").string()}));
  EXPECT_FALSE(fs::exists(pack));
  EXPECT_TRUE(fs::exists(folder_->path() / "twelve_c.mip"));
  EXPECT_EQ(ReadFileBytes(held), (Bytes{1, 2}));
  // A held file never listed for packing is written loose in any case.
  ASSERT_TRUE(workspace_->HoldOutput(folder_->path() / "extra.mip", {3}));
  workspace_.reset();
  EXPECT_EQ(ReadFileBytes(folder_->path() / "extra.mip"), (Bytes{3}));
}

// The archive's count is 16 bits.
TEST(TrackArchiveWriterTest, RefusesMoreMembersThanTheCountHolds) {
  const std::vector<ArchiveMemberPlan> plan(65536, ArchiveMemberPlan{"a.mip", 0});
  EXPECT_EQ(TrackArchiveWriter::Create(plan).status().message(),
            "a track archive holds at most 65535 files, not 65536");
}

}  // namespace
}  // namespace velmora
