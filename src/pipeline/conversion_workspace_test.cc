#include "pipeline/conversion_workspace.h"

#include <gtest/gtest.h>

#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/temp_folder.h"
#include "track/track_archive.h"
#include "track/track_archive_writer.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::uint8_t kGroove[] = {1, 2, 3, 4};
const EmbeddedFile kEmbedded[] = {{"N2GROOVE_MIP", kGroove}, {"EMPTY_MIP", {}}};

class ConversionWorkspaceTest : public ::testing::Test {
 protected:
  ConversionWorkspaceTest() {
    workspace_.set_track_name("detroit");
    workspace_.set_output_folder(folder_->path());
  }
  fs::path WriteFile(const std::string& name, std::size_t size) {
    const fs::path path = folder_->path() / name;
    WriteFileBytes(path, std::vector<std::uint8_t>(size, static_cast<std::uint8_t>(size)));
    return path;
  }
  std::vector<std::uint8_t> Pack() { return *ReadFileBytes(folder_->path() / "detroit.dat"); }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  RecordingMessageSink messages_;
  ResourceStore resources_{kEmbedded};
  ConversionWorkspace workspace_{messages_, resources_};
};

TEST_F(ConversionWorkspaceTest, PackOfTwoFilesHasTheDirectoryLayout) {
  workspace_.AddToPack(WriteFile("ten.mip", 10));
  workspace_.AddToPack(WriteFile("twenty.3do", 20));
  ASSERT_TRUE(workspace_.WritePack());
  const std::vector<std::uint8_t> pack = Pack();
  ASSERT_EQ(pack.size(), 86u);  // 2 + 2 * 27 + 10 + 20
  ByteReader reader(pack);
  EXPECT_EQ(reader.U16(), 2);
  // First record: tag, length twice, name, offset.
  EXPECT_EQ(reader.U16(), 5);
  EXPECT_EQ(reader.U32(), 10u);
  EXPECT_EQ(reader.U32(), 10u);
  std::span<const std::uint8_t> name = reader.Bytes(13);
  EXPECT_EQ(std::string(name.begin(), name.begin() + 8), std::string("ten.mip\0", 8));
  EXPECT_EQ(reader.U32(), 56u);
  // The second record's offset follows the first member.
  reader.Seek(2 + 27 + 23);
  EXPECT_EQ(reader.U32(), 66u);
  EXPECT_EQ(pack[56], 10);
  EXPECT_EQ(pack[66], 20);
  EXPECT_EQ(pack[85], 20);
  EXPECT_TRUE(messages_.messages().empty());
}

// Extra members (an archive patch's) take the place of the listed file of their name, or come
// after the listed files; of two with one name the later counts. A replaced file is not read.
TEST_F(ConversionWorkspaceTest, ExtraMembersReplaceInPlaceOrFollow) {
  workspace_.AddToPack(WriteFile("a.mip", 1));
  workspace_.AddToPack(folder_->path() / "Gone.3do");  // never written: it must not be read
  workspace_.AddToPack(WriteFile("c.txt", 3));
  const std::vector<std::uint8_t> first = {7}, second = {8, 8}, third = {9, 9, 9};
  const ConversionWorkspace::ExtraMember extra[] = {
      {"new.txt", first}, {"gone.3do", first}, {"NEW.TXT", second}, {"last.lp", third}};
  ASSERT_TRUE(workspace_.WritePack(extra));
  EXPECT_TRUE(messages_.messages().empty());
  TrackArchive archive;
  ASSERT_TRUE(archive.OpenBytes(Pack()).ok());
  std::vector<std::pair<std::string, std::size_t>> members;
  for (const ArchiveEntry& entry : archive.entries()) members.emplace_back(entry.name, entry.length);
  EXPECT_EQ(members, (std::vector<std::pair<std::string, std::size_t>>{
                         {"a.mip", 1}, {"gone.3do", 1}, {"c.txt", 3}, {"new.txt", 2}, {"last.lp", 3}}));
}

TEST_F(ConversionWorkspaceTest, EmptyPackHoldsOnlyItsCount) {
  ASSERT_TRUE(workspace_.WritePack());
  EXPECT_EQ(Pack(), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(ConversionWorkspaceTest, PackListIgnoresCaseAndKeepsTheFirstSpelling) {
  const fs::path first = folder_->path() / "Groove.MIP";
  workspace_.AddToPack(first);
  workspace_.AddToPack(folder_->path() / "groove.mip");
  workspace_.AddToPack(folder_->path() / "GROOVE.MIP");
  ASSERT_EQ(workspace_.pack_list(), std::vector<fs::path>{first});

  // Extracting the same resource twice lists it once.
  ASSERT_TRUE(workspace_.ExtractResource("n2groove_mip", "groove.mip", true));
  ASSERT_TRUE(workspace_.ExtractResource("N2GROOVE_MIP", "groove.mip", true));
  EXPECT_EQ(workspace_.pack_list().size(), 1u);
  const auto held = workspace_.HeldOutput(folder_->path() / "GROOVE.mip");
  ASSERT_TRUE(held);
  EXPECT_EQ(std::vector<std::uint8_t>(held->begin(), held->end()),
            std::vector<std::uint8_t>(std::begin(kGroove), std::end(kGroove)));
}

TEST_F(ConversionWorkspaceTest, ExtractResourceFailures) {
  EXPECT_FALSE(workspace_.ExtractResource("GLEN_N4T", "Glen.trk", true));
  EXPECT_FALSE(workspace_.ExtractResource("EMPTY_MIP", "empty.mip", true));  // silent
  workspace_.set_output_folder(folder_->path() / "missing");
  EXPECT_FALSE(workspace_.ExtractResource("N2GROOVE_MIP", "groove.mip", true));
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{
                "Failed to find resource GLEN_N4T",
                "Failed To Open " + (folder_->path() / "missing" / "groove.mip").string() +
                    " For Writing"}));
  EXPECT_TRUE(workspace_.pack_list().empty());
}

TEST_F(ConversionWorkspaceTest, UnreadableListedFileWritesNoPack) {
  workspace_.AddToPack(WriteFile("ten.mip", 10));
  workspace_.AddToPack(folder_->path() / "flagger.3do");
  EXPECT_FALSE(workspace_.WritePack());
  EXPECT_EQ(messages_.messages(), std::vector<std::string>{
                                      "Failed to open " +
                                      (folder_->path() / "flagger.3do").string()});
  EXPECT_FALSE(fs::exists(folder_->path() / "detroit.dat"));
}

TEST_F(ConversionWorkspaceTest, NamesTooLongForTheDirectoryAreRefused) {
  workspace_.AddToPack(WriteFile("twelve_c.mip", 1));      // 12 characters fit
  workspace_.AddToPack(WriteFile("thirteen_.mip", 1));     // 13 do not
  EXPECT_FALSE(workspace_.WritePack());
  EXPECT_EQ(messages_.messages(),
            std::vector<std::string>{"Cannot write the track archive " +
                                     (folder_->path() / "detroit.dat").string() +
                                     ": the member name \"thirteen_.mip\" does not fit the 12 "
                                     "characters of an archive name"});
  EXPECT_FALSE(fs::exists(folder_->path() / "detroit.dat"));
}

// A pack that cannot be written leaves the converted files where they are: they are all the
// user has of the conversion.
TEST_F(ConversionWorkspaceTest, LooseFilesStayWhenThePackCannotBeWritten) {
  const fs::path fits = WriteFile("twelve_c.mip", 1);
  const fs::path too_long = WriteFile("longtrackname.trk", 3);
  {
    ConversionWorkspace refused(messages_, resources_);
    refused.set_track_name("longtrackname");
    refused.set_output_folder(folder_->path());
    refused.AddToPack(fits);
    refused.AddToPack(too_long);
    EXPECT_FALSE(refused.WritePack());
  }
  EXPECT_TRUE(fs::exists(fits));
  EXPECT_TRUE(fs::exists(too_long));
  {
    ConversionWorkspace packed(messages_, resources_);
    packed.set_track_name("detroit");
    packed.set_output_folder(folder_->path());
    packed.AddToPack(fits);
    EXPECT_TRUE(packed.WritePack());
  }
  EXPECT_FALSE(fs::exists(fits));  // packed, so the loose copy goes
  EXPECT_TRUE(fs::exists(folder_->path() / "detroit.dat"));
}

// Converted files are held in memory and packed from there: none of them is written loose,
// a later hold of the same name in any case replaces the bytes, and files a patch wrote on
// disk since are packed from the disk instead.
TEST_F(ConversionWorkspaceTest, HeldFilesArePackedWithoutLooseCopies) {
  const fs::path mip = folder_->path() / "wall.mip";
  const fs::path trk = folder_->path() / "detroit.trk";
  const fs::path patched = folder_->path() / "race.st1";
  {
    ConversionWorkspace held(messages_, resources_);
    held.set_track_name("detroit");
    held.set_output_folder(folder_->path());
    ASSERT_TRUE(held.HoldOutput(mip, {1, 2, 3}));
    ASSERT_TRUE(held.HoldOutput(folder_->path() / "WALL.MIP", {4, 5}));
    ASSERT_TRUE(held.HoldBorrowedOutput(trk, kGroove));
    ASSERT_TRUE(held.HoldOutput(patched, {6}));
    for (const fs::path& path : {mip, trk, patched}) held.AddToPack(path);
    WriteFileBytes(patched, std::vector<std::uint8_t>{7, 7});  // as a patch writes it
    held.TakeFromDisk(std::vector<fs::path>{patched});
    ASSERT_TRUE(held.WritePack());
    EXPECT_FALSE(fs::exists(mip));
    EXPECT_FALSE(fs::exists(trk));
  }
  EXPECT_FALSE(fs::exists(patched));  // packed, so the loose copy goes
  TrackArchive archive;
  ASSERT_TRUE(archive.Open(folder_->path() / "detroit.dat").ok());
  ASSERT_EQ(archive.entries().size(), 3u);
  auto member = [&](std::size_t i) {
    std::span<const std::uint8_t> bytes = *archive.MemberBytes(archive.entries()[i]);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  };
  EXPECT_EQ(archive.entries()[0].name, "wall.mip");
  EXPECT_EQ(member(0), (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(member(1), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(member(2), (std::vector<std::uint8_t>{7, 7}));
  EXPECT_TRUE(messages_.messages().empty());
}

// When the pack cannot be written the held files become loose files, all the user has of the
// conversion; a held file never listed for packing is written loose in any case.
TEST_F(ConversionWorkspaceTest, HeldFilesGoLooseWhenThePackFailsOrWasNeverMeantForThem) {
  const fs::path listed = folder_->path() / "wall.mip";
  const fs::path unlisted = folder_->path() / "extra.mip";
  {
    ConversionWorkspace refused(messages_, resources_);
    refused.set_track_name("detroit");
    refused.set_output_folder(folder_->path());
    ASSERT_TRUE(refused.HoldOutput(listed, {1, 2}));
    refused.AddToPack(listed);
    refused.AddToPack(folder_->path() / "flagger.3do");  // missing
    EXPECT_FALSE(refused.WritePack());
    EXPECT_EQ(ReadFileBytes(listed), (std::vector<std::uint8_t>{1, 2}));
  }
  EXPECT_TRUE(fs::exists(listed));
  {
    ConversionWorkspace stopped(messages_, resources_);
    stopped.set_output_folder(folder_->path());
    ASSERT_TRUE(stopped.HoldOutput(unlisted, {3}));
    EXPECT_FALSE(fs::exists(unlisted));
  }
  EXPECT_EQ(ReadFileBytes(unlisted), (std::vector<std::uint8_t>{3}));
  EXPECT_FALSE(workspace_.HoldOutput(folder_->path() / "missing" / "wall.mip", {1}));
}

TEST(TrackArchiveWriterTest, RefusesMoreMembersThanTheCountHolds) {
  std::vector<ArchiveMemberPlan> plan(65536, ArchiveMemberPlan{"a.mip", 0});
  Result<TrackArchiveWriter> refused = TrackArchiveWriter::Create(plan);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.status().message(), "a track archive holds at most 65535 files, not 65536");
  plan.pop_back();
  EXPECT_TRUE(TrackArchiveWriter::Create(plan));
}

}  // namespace
}  // namespace velmora
