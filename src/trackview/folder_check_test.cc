#include "trackview/folder_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <list>
#include <set>

#include "format/chunk_file.h"
#include "object/gpl_object_check.h"
#include "platform/byte_writer.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "testing/corruption.h"
#include "testing/demo_track.h"
#include "testing/disk_probe.h"
#include "track/track_archive.h"
#include "trackview/member_checks.h"
#include "trackview/track_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A menu page in the program's layout: BMAP { BMHD, DATA }.
std::vector<std::uint8_t> Page(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t stride = (width * 2 + 3) / 4 * 4;
  ByteWriter out;
  {
    ChunkScope bitmap(out, kTagBitmap);
    WriteChunkHeader(out, kTagBitmapHeader, 0, 14);
    out.U8(3);
    for (std::uint32_t word : {width, height, stride}) out.U32(word);
    out.U8(0);
    WriteChunkPad(out, 14);
    WriteChunkHeader(out, kTagData, 0, height * stride);
    out.Fill(static_cast<std::size_t>(height) * stride, 0x5A);
  }
  return out.Take();
}

std::vector<std::string> Lines(const CheckReport& report) {
  std::vector<std::string> lines;
  for (const Finding& f : report.findings) {
    lines.push_back(f.member + ": " + (f.information ? "note: " : "") + f.what);
  }
  return lines;
}

// The demo's converted track, written once for the whole suite by the real `velmora demo`;
// each test works on its own copy.
class FolderCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_FALSE(DemoTrack().empty()); }
  static fs::path DemoTrack() { return testkit::DemoTrackFolder(VELMORA_CLI_PATH); }

  void SetUp() override {
    fs::copy(DemoTrack(), track_, fs::copy_options::recursive);
    before_ = Findings();
  }

  std::vector<std::string> Findings() {
    Result<CheckReport> report = CheckTrackFolder(track_);
    EXPECT_TRUE(report.ok()) << report.status().ToString();
    return report.ok() ? Lines(*report) : std::vector<std::string>{};
  }
  // The findings a planted fault added to those of the untouched copy.
  std::vector<std::string> Added() {
    std::vector<std::string> added;
    const std::set<std::string> before(before_.begin(), before_.end());
    for (const std::string& line : Findings()) {
      if (!before.count(line)) added.push_back(line);
    }
    return added;
  }
  std::vector<std::uint8_t> Demo(const char* name) {
    return ReadFileBytes(track_ / name).value_or(std::vector<std::uint8_t>{});
  }
  // A member of the pack as it is stored.
  std::vector<std::uint8_t> Packed(const std::string& name);
  void Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(WriteFileBytes(track_ / name, bytes));
  }

  std::optional<TempFolder> work_ = TempFolder::Create("test");
  fs::path track_ = work_->path() / "kestrel";
  std::vector<std::string> before_;
};

std::vector<std::uint8_t> FolderCheckTest::Packed(const std::string& name) {
  TrackArchive pack;
  EXPECT_TRUE(pack.OpenBytes(Demo("kestrel.dat")).ok());
  for (const ArchiveEntry& entry : pack.entries()) {
    Result<std::span<const std::uint8_t>> bytes = pack.MemberBytes(entry);
    if (entry.name == name && bytes.ok()) return {bytes->begin(), bytes->end()};
  }
  ADD_FAILURE() << name << " is not in the demo's pack";
  return {};
}

TEST_F(FolderCheckTest, TheFilesTheConversionWroteAreClean) {
  // The sample installation's carried pages, sounds and GPL's standard files are stand-ins; the
  // files the conversion itself made must all pass.
  const std::set<std::string> converted = {
      "kestrel.trk", "race.lp",      "pit.lp",    "pass1.lp",    "pass2.lp",    "maxrace.lp",
      "minrace.lp",  "kbarrier.mip", "kwall.mip", "ksky.mip",    "kbanner.mip", "kboards.3do",
      "khoriz.3do",  "kstand.3do",   "ktree.srb", "kmarker.srb", "kflag.srb",   "_tire.3do",
      "_hay.3do",    "hayba_s.mip",  "_cone.3do", "_cone1.srb",  "_conebs1.mip"};
  Result<CheckReport> report = CheckTrackFolder(track_);
  ASSERT_TRUE(report.ok());
  for (const Finding& finding : report->findings) {
    EXPECT_FALSE(converted.count(finding.member)) << finding.member << ": " << finding.what;
  }
  EXPECT_GE(report->files_checked, static_cast<int>(converted.size()));
}

TEST_F(FolderCheckTest, EachPlantedFaultIsReportedByName) {
  const std::vector<std::uint8_t> sky = Packed("ksky.mip");
  Write("ksky.mip", testkit::CutTo(sky, sky.size() - 100));
  Write("kflag.srb", testkit::WithByte(Packed("kflag.srb"), 12, 'X'));  // the sprite header's tag
  const std::vector<std::uint8_t> boards = Packed("kboards.3do");
  Write("kboards.3do", testkit::CutTo(boards, boards.size() - 8));
  const std::vector<std::uint8_t> race = Demo("Race.lp");  // spelled as the conversion wrote it
  Write("Race.lp", testkit::CutTo(race, race.size() - 20));
  fs::remove(track_ / "pit.lp");
  // A line file whole in itself, but one point short of the count the track's length gives.
  const std::vector<std::uint8_t> pass1 = Demo("pass1.lp");  // 889 points: count's low byte not 0
  Write("pass1.lp", testkit::CutTo(testkit::WithByte(pass1, 4, pass1[4] - 1), pass1.size() - 20));

  const std::vector<std::string> added = Added();
  const std::vector<std::string> expected = {
      "kboards.3do (loose): header size is not the file length - 12",
      "kflag.srb (loose): does not begin with the sprite headers",
      "ksky.mip: note: loose file shadows the packed member of that name",
      "ksky.mip (loose): the MIP chunk's size runs past the end of the file",
      "Race.lp: 17768 bytes, but 889 points need 17788",
      "pit.lp: missing",
      "pass1.lp: 888 points, but the track's length gives 889",
  };
  for (const std::string& line : expected) {
    EXPECT_NE(std::find(added.begin(), added.end(), line), added.end()) << line;
  }
}

TEST_F(FolderCheckTest, ATrackFileThatDisagreesWithItselfIsNamedAndItsLinesHeldToIt) {
  std::vector<std::uint8_t> track = Packed("kestrel.trk");
  // The lap length in the header, one metre longer: the sections no longer reach it, and the
  // racing lines no longer have the count the length gives.
  const std::uint32_t length = track[8] | track[9] << 8 | track[10] << 16 | track[11] << 24;
  const std::uint32_t longer = length + 19685 * 100;
  Write("kestrel.trk", testkit::WithU32(track, 8, longer));
  const std::vector<std::string> added = Added();
  const std::string named = "kestrel.trk (loose): the sections end at " + std::to_string(length) +
                            ", not at the lap length " + std::to_string(longer);
  EXPECT_NE(std::ranges::find(added, named), added.end());
}

// Section 3 moved 5 cm ahead along its own heading: a gap opens behind it and an overlap in
// front of it.
TEST_F(FolderCheckTest, SectionsThatDoNotJoinAreNamedWithTheDistance) {
  std::vector<std::uint8_t> bytes = Packed("kestrel.trk");
  TrackGeometry track;
  ASSERT_TRUE(track.LoadBytes(bytes, "tracks/kestrel/kestrel.trk").ok());
  const SectionRecord& moved = track.section(3);
  const double heading = HeadingRadians(moved.heading());
  const std::int32_t dx = static_cast<std::int32_t>(std::lround(984.25 * std::cos(heading)));
  const std::int32_t dy = static_cast<std::int32_t>(std::lround(984.25 * std::sin(heading)));
  auto add = [&](std::size_t at, std::int32_t delta) {
    const std::uint32_t word = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    bytes = testkit::WithU32(bytes, at, word + static_cast<std::uint32_t>(delta));
  };
  ASSERT_EQ(moved.kind(), kStraight);
  for (int line = 0; line < track.line_count(); ++line) {
    const std::size_t record =
        track.line_block_at() + (3 * static_cast<std::size_t>(track.line_count()) + line) * 32;
    add(record + 4 * kPxWord, dx);
    add(record + 4 * (kPxWord + 1), dy);
  }
  Write("kestrel.trk", bytes);
  const std::vector<std::string> added = Added();
  ASSERT_GE(added.size(), 2u);
  EXPECT_EQ(added[0],
            "kestrel.trk (loose): section 3 starts 50.0 mm from the end of section 2 (a gap), the "
            "heading changes by 0.000 degrees");
  EXPECT_NE(added[1].find("of section 3 (an overlap)"), std::string::npos) << added[1];
}

// A folder held in memory is checked as the same files on disk are, under a path where no
// file exists: a planted fault, a loose file shadowing a packed one and a second spelling of
// the pack included.
TEST_F(FolderCheckTest, AFolderHeldInMemoryIsCheckedAsOnDisk) {
  const std::vector<std::uint8_t> sky = Packed("ksky.mip");
  Write("ksky.mip", testkit::CutTo(sky, sky.size() - 100));
  // A write would reach the pack in its own spelling; a copy makes a second one.
  const bool two_spellings = !testkit::DiskIgnoresCase(track_);
  if (two_spellings) fs::copy_file(track_ / "kestrel.dat", track_ / "Kestrel.dat");
  std::list<std::vector<std::uint8_t>> contents;  // stays where it is while the list grows
  std::vector<HeldFile> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(track_)) {
    files.push_back(
        {entry.path().filename().string(), contents.emplace_back(*ReadFileBytes(entry.path()))});
  }
  Result<TrackFolder> held = TrackFolder::FromFiles(work_->path() / "nowhere" / "kestrel", files);
  ASSERT_TRUE(held.ok()) << held.status().ToString();
  Result<CheckReport> on_disk = CheckTrackFolder(track_);
  ASSERT_TRUE(on_disk.ok());
  EXPECT_EQ(CheckTrackFolder(*held).Text(), on_disk->Text());
  EXPECT_NE(on_disk->Text().find("ksky.mip (loose)"), std::string::npos);
  EXPECT_NE(
      on_disk->Text().find("ksky.mip: note: loose file shadows the packed member of that name\n"),
      std::string::npos);
  // Of two packs named alike but for letter case, the first in name order is the pack.
  if (two_spellings) {
    EXPECT_NE(on_disk->Text().find("kestrel.dat: a second pack of the track beside Kestrel.dat, "
                                   "named alike but for letter case: the game reads only one of "
                                   "them"),
              std::string::npos);
  }
  EXPECT_TRUE(TrackFolder::FromFiles(track_, {}).status().IsNotFound());
  // Held and packed bytes are read where they lie; bytes read from disk stay the file's when
  // moved, and are handed over whole.
  EXPECT_EQ(held->Read("ksky.mip")->span().data(), held->FindLoose("ksky.mip")->held->data());
  ASSERT_FALSE(held->pack_entries().empty());
  const PackEntry& first = held->pack_entries().front();
  EXPECT_EQ(held->Read(first.name)->span().data(), held->pack_bytes().data() + first.offset);
  FolderBytes read = std::move(*TrackFolder::Open(track_)->Read("ksky.mip"));
  EXPECT_EQ(std::move(read).Take(), testkit::CutTo(sky, sky.size() - 100));
}

TEST_F(FolderCheckTest, PackFaultsAreReportedTheReportSummarisedAndNoTrackRefused) {
  Write("kestrel.dat", testkit::WithByte(Demo("kestrel.dat"), 2, 4));  // the first record's tag
  EXPECT_EQ(Added(), std::vector<std::string>{"kestrel.trk: directory tag is 4, not 5"});

  Result<CheckReport> report = CheckTrackFolder(track_);
  ASSERT_TRUE(report.ok());
  // The summary counts the demo's files and names one problem in the singular.
  EXPECT_TRUE(report->Text().ends_with("kestrel: 42 files checked, 1 problem\n")) << report->Text();
  // A folder that is no GPL track is refused.
  EXPECT_TRUE(CheckTrackFolder(work_->path()).status().IsNotFound());
  EXPECT_FALSE(CheckTrackFolder(work_->path() / "nothing").ok());
}

TEST_F(FolderCheckTest, ATrackObjectIsHeldToTheShapeOfItsSections) {
  std::vector<std::uint8_t> track = Packed("ktrack.3do");
  Result<GplObjectOutline> outline = CheckGplObject(track);
  ASSERT_TRUE(outline.ok());
  const std::size_t prim = outline->prim_at;
  auto word = [&](std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | track[prim + offset + i];
    return v;
  };
  // The section group G1 (last child of the track group) ends in -1; make it end in a node:
  // still a sound object, but no sound track object.
  const std::uint32_t g2 = word(outline->root + 8);
  const std::uint32_t g1 = word(g2 + 8 + 4 * (word(g2 + 4) - 1));
  const std::size_t last = prim + g1 + 8 + 4 * (word(g1 + 4) - 1);
  std::memcpy(&track[last], &track[prim + g1 + 8], 4);
  Write("ktrack.3do", track);
  const std::vector<std::string> added = Added();
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[1],
            "ktrack.3do (loose): track object: the section group does not hold sections + 1 "
            "entries ending in -1");
}

TEST_F(FolderCheckTest, TrackIniNeedsEveryKeyTheConverterFillsIn) {
  const std::vector<std::uint8_t> bytes = Demo("track.ini");
  const std::string ini(bytes.begin(), bytes.end());
  ASSERT_TRUE(CheckTrackIni(ini).empty()) << CheckTrackIni(ini).front();
  struct Row {
    std::string from, to;
    Problems expected;
  };
  const Row rows[] = {
      {"track_length = 2.460m",
       "track_length = 2.460",
       {"[ track ] track_length = 2.460: not a length in miles ending in \"m\""}},
      {"stall_7  = 2756.58 -20.00",
       "stall_7  = 2756.58",
       {"[ pit_lane_0 ] stall_7 = 2756.58: not two numbers"}},
      {"pit_board = ", "pit_bored = ", {"[ pit_lane_0 ] has no pit_board"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.to);
    std::string broken = ini;
    const std::size_t at = broken.find(row.from);
    ASSERT_NE(at, std::string::npos);
    broken.replace(at, row.from.size(), row.to);
    EXPECT_EQ(CheckTrackIni(broken), row.expected);
  }

  fs::remove(track_ / "track.ini");
  EXPECT_EQ(Added(), std::vector<std::string>{"track.ini: missing"});
}

TEST(MemberChecksTest, PagesAreHeldToTheirLayoutAndKnownSizes) {
  EXPECT_TRUE(CheckPbfFile(Page(281, 431), "page0.pbf").empty());
  EXPECT_EQ(CheckPbfFile(Page(258, 341), "EVENT.PBF"),
            Problems{"page of 258 x 341 pixels, not 258 x 340"});
  const std::vector<std::uint8_t> small = Page(10, 10);
  // BMHD type and stride.
  EXPECT_EQ(CheckPbfFile(testkit::WithByte(testkit::WithByte(small, 12 + 12, 4), 12 + 12 + 9, 22),
                         "x.pbf"),
            (Problems{"type 4, not 3 (16-bit 5-6-5)", "row length 22 bytes, not 20 for 10 pixels",
                      "DATA holds 200 bytes, not 10 rows of 22"}));
  EXPECT_EQ(CheckPbfFile(testkit::CutTo(small, small.size() - 1), "x.pbf"),
            Problems{"does not begin with a BMAP chunk"});
  std::vector<std::uint8_t> page = small;
  page.insert(page.end(), 4, 0x20);
  EXPECT_EQ(CheckPbfFile(page, "x.pbf"), Problems{"4 bytes after the PAMB chunk"});
}

TEST(MemberChecksTest, EveryCutOfALineFileIsRefusedCleanly) {
  std::vector<std::uint8_t> line(8 + 20 * 3, 0);
  line[0] = 2;
  line[2] = 1;
  line[4] = 3;
  EXPECT_TRUE(CheckLineFile(line, 3).empty());
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return CheckLineFile(bytes, 3).empty(); }, line);
  std::fill_n(line.begin() + 8 + 20 + 8, 4, 0xFF);  // a dlat that is not a number
  EXPECT_EQ(CheckLineFile(line, 3), Problems{"point 1 holds a value that is not a number"});
}

}  // namespace
}  // namespace velmora
