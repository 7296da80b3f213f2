#include "track/patch_set.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
#include "testing/corruption.h"
#include "testing/raw_archive.h"
#include "track/track_archive.h"
#include "track/track_archive_format.h"

namespace velmora {
namespace {

using samples::BuildTrackArchive;
using samples::Bytes;
using testkit::BuildRawArchive;

std::string Text(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }
std::string Text(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? Text(*bytes) : "(none)";
}

// Member names and contents of an archive, in directory order.
using MemberList = std::vector<std::pair<std::string, std::string>>;
MemberList Members(const fs::path& archive) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(archive);
  Result<std::vector<PatchMember>> members = ReadPatchDirectory(*bytes);
  EXPECT_TRUE(members.ok()) << members.status().ToString();
  MemberList out;
  for (const PatchMember& m : *members) {
    out.emplace_back(m.name, Text(std::span(*bytes).subspan(m.offset, m.length)));
  }
  return out;
}

std::string MemberText(const fs::path& archive, std::string_view name) {
  for (const auto& [member, text] : Members(archive)) {
    if (member == name) return text;
  }
  return "(none)";
}

class PatchSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(track_);
    fs::create_directories(patches_);
    WriteFileBytes(track_ / "laguna.dat", BuildTrackArchive({{"laguna.trk", Bytes("track")},
                                                             {"race.lp", Bytes("old")},
                                                             {"wall.mip", Bytes("texture")}}));
  }
  void Patch(std::string_view name, const std::vector<std::uint8_t>& bytes) {
    WriteFileBytes(patches_ / name, bytes);
  }

  std::optional<TempFolder> root_ = TempFolder::Create("test");
  fs::path gpl_ = root_->path() / "GPL";
  fs::path track_ = gpl_ / "Tracks" / "laguna";
  fs::path patches_ = root_->path() / "patches";
  PatchSet patches_set_{patches_};
};

// Every code lands at its destination; the season pictures only for a GPL installed as the
// season mod, whose name stands anywhere in the track folder's path.
TEST_F(PatchSetTest, EveryCodeLandsAtItsDestination) {
  const std::tuple<std::string_view, std::string_view, bool> rows[] = {
      {"tni", "track.ini", false},  {"lmc", "maxpanic.lp", false}, {"ttt", "laguna.txt", false},
      {"9to", "trklogo.pcx", true}, {"9tt", "trkshot.pcx", true},
  };
  const fs::path season_gpl = root_->path() / "nr1999" / "GPL";
  const fs::path season_track = season_gpl / "tracks" / "laguna";
  fs::create_directories(season_track);
  for (const auto& [code, destination, season] : rows) {
    SCOPED_TRACE(code);
    const std::string name = "laguna." + std::string(code);
    Patch(name, Bytes(name));
    EXPECT_EQ(patches_set_.ApplyPatches("laguna", gpl_, false, false), season ? 0 : 1);
    EXPECT_EQ(Text(track_ / destination), season ? "(none)" : name);
    EXPECT_EQ(patches_set_.ApplyPatches("laguna", season_gpl, false, false), 1);
    EXPECT_EQ(Text(season_track / destination), name);
    for (const fs::path& file : {patches_ / name, track_ / destination, season_track / destination})
      fs::remove(file);
  }
  // Names match in any letter case; unknown codes and another track's patches stay out.
  Patch("LAGUNA.TNI", Bytes("[ track ]"));
  Patch("laguna.xyz", Bytes("unknown code"));
  Patch("lagunahq.lre", Bytes("another track's"));
  EXPECT_EQ(patches_set_.ApplyPatches("laguna", gpl_, false, false), 1);
  EXPECT_EQ(Text(track_ / "track.ini"), "[ track ]");
  EXPECT_TRUE(patches_set_.CopyPatchFile(patches_ / "laguna.xyz").IsNotFound());
}

// The replacing archive is preferred only with its switch, the second pair of archives comes
// in only when asked, the extra files always.
TEST_F(PatchSetTest, ArchivePatchesFollowTheirSwitches) {
  const std::vector<std::uint8_t> original = *ReadFileBytes(track_ / "laguna.dat");
  Patch("laguna.zad", BuildTrackArchive({{"race.lp", Bytes("added")}}));
  Patch("laguna.zar", BuildTrackArchive({{"race.lp", Bytes("replaced")}}));
  Patch("laguna.exp", BuildTrackArchive({{"flag.3do", Bytes("flag")}}));
  Patch("laguna.zcd", BuildTrackArchive({{"race.lp", Bytes("second")}}));
  Patch("laguna.zcr", BuildTrackArchive({{"race.lp", Bytes("replace")}}));
  const std::tuple<bool, bool, std::string_view> rows[] = {{false, false, "added"},
                                                           {true, false, "replaced"},
                                                           {false, true, "second"},
                                                           {true, true, "replace"}};
  for (const auto& [replace, second, race] : rows) {
    SCOPED_TRACE(race);
    WriteFileBytes(track_ / "laguna.dat", original);
    patches_set_.ApplyPatches("laguna", gpl_, replace, second);
    EXPECT_EQ(MemberText(track_ / "laguna.dat", "race.lp"), race);
    EXPECT_EQ(Text(track_ / "flag.3do"), "flag");
  }
}

// The archive is the track's, in the spelling the track name is given in: "Glen" patches
// Glen.dat, never a second glen.dat beside it.
TEST_F(PatchSetTest, TheTrackArchiveIsNamedAsTheTrackIsGiven) {
  const fs::path glen = gpl_ / "Tracks" / "Glen";
  fs::create_directories(glen);
  Patch("glen.zad", BuildTrackArchive({{"race.lp", Bytes("patched")}}));
  patches_set_.ApplyPatches("Glen", gpl_, false, false);
  EXPECT_EQ(patches_set_.TrackArchivePath().filename(), "Glen.dat");
  EXPECT_EQ(CountEntries(glen), 1u);
  EXPECT_EQ(MemberText(glen / "Glen.dat", "race.lp"), "patched");
}

TEST_F(PatchSetTest, AnArchivePatchReplacesOneMemberAndIsNotCopiedAgain) {
  Patch("laguna.zad", BuildTrackArchive({{"race.lp", Bytes("patched")}, {"sky.!ip", Bytes("s")}}));
  EXPECT_EQ(patches_set_.ApplyPatches("Tracks\\Laguna", gpl_, false, false), 0)
      << "code zad is no single-file code";
  EXPECT_EQ(Members(track_ / "laguna.dat"), (MemberList{{"sky.mip", "s"},
                                                        {"wall.mip", "texture"},
                                                        {"laguna.trk", "track"},
                                                        {"race.lp", "patched"}}))
      << "textures first, then the others; the patch member replaced the old one";
  EXPECT_FALSE(FileExists(track_ / "laguna.zad"));
  EXPECT_EQ(CountEntries(track_), 1u) << "nothing left beside the archive";
}

TEST_F(PatchSetTest, HostileArchivesWriteNothing) {
  const std::string before = Text(track_ / "laguna.dat");
  const std::vector<std::vector<std::uint8_t>> hostile = {
      BuildTrackArchive({{"ok.txt", Bytes("a")}, {"../evil", Bytes("x")}}),
      BuildRawArchive(1, {{"ok.txt", 50, 29}}, Bytes("short")),
      BuildRawArchive(3, {{"ok.txt", 1, 56}}, Bytes("a")),
      // A count of 0x8000 reads as negative, even with that many sound records behind it.
      BuildRawArchive(0x8000, std::vector<testkit::RawRecord>(0x8000, {"a.txt", 0, 0}), {}),
      {0x01},
  };
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    SCOPED_TRACE(i);
    Patch("bad.zad", hostile[i]);
    Result<int> merged = PatchSet::MergeIntoArchive(patches_ / "bad.zad", track_ / "laguna.dat");
    EXPECT_TRUE(merged.status().IsCorruption()) << merged.status().ToString();
    EXPECT_EQ(Text(track_ / "laguna.dat"), before);
    Result<int> extracted = PatchSet::ExtractMembers(patches_ / "bad.zad", root_->path() / "x");
    EXPECT_FALSE(extracted.ok());
  }
  EXPECT_FALSE(FileExists(root_->path() / "evil"));
  EXPECT_FALSE(FileExists(gpl_ / "Tracks" / "evil"));
  // Cut at every length: refused cleanly, never read out of bounds.
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadPatchDirectory(bytes).ok(); },
      BuildTrackArchive({{"a.mip", Bytes("abc")}}));
  Result<std::vector<PatchMember>> largest = ReadPatchDirectory(
      BuildRawArchive(0x7FFF, std::vector<testkit::RawRecord>(0x7FFF, {"a.txt", 0, 0}), {}));
  ASSERT_TRUE(largest.ok());
  EXPECT_EQ(largest->size(), 0x7FFFu);
}

TEST_F(PatchSetTest, BuildArchiveWritesNothingItCannotBack) {
  const fs::path folder = root_->path() / "build";
  fs::create_directories(folder);
  EXPECT_EQ(*PatchSet::BuildArchive(root_->path() / "empty.dat", folder), 0);
  EXPECT_FALSE(FileExists(root_->path() / "empty.dat"));

  WriteFileText(folder / "B.TXT", "b");
  WriteFileText(folder / "a.m16", "m");
  WriteFileText(folder / ".hidden", "h");
  WriteFileText(folder / "locked.txt", "r");
  fs::permissions(folder / "locked.txt", fs::perms::owner_read);
  fs::create_directories(folder / "sub.mip");
  EXPECT_EQ(*PatchSet::BuildArchive(root_->path() / "out.dat", folder), 2);
  const std::vector<std::uint8_t> bytes = *ReadFileBytes(root_->path() / "out.dat");
  EXPECT_EQ(bytes.size(), 2u + 2 * kArchiveRecordSize + 2);
  // The stored name keeps its case.
  EXPECT_EQ(std::string(bytes.begin() + 2 + 27 + 10, bytes.begin() + 2 + 27 + 15), "B.TXT");

  // A name that does not fit the directory: refused, the old archive stays.
  WriteFileText(folder / "much-too-long-name.txt", "x");
  EXPECT_FALSE(PatchSet::BuildArchive(root_->path() / "out.dat", folder).ok());
  EXPECT_EQ(ReadFileBytes(root_->path() / "out.dat"), bytes);
  fs::permissions(folder / "locked.txt", fs::perms::owner_all);
}

// Case and the track's own name are held by the patch codes above.
TEST(WildcardTest, MatchesLikeTheFileSystemDoes) {
  EXPECT_TRUE(MatchesWildcard("x.mip", "?.m*"));
  EXPECT_FALSE(MatchesWildcard(std::string(200, 'a'), std::string(100, '*').append("b")));
}

}  // namespace
}  // namespace velmora
