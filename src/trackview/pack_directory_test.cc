#include "trackview/pack_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "samples/archive_builder.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

using samples::Bytes;
using testkit::WithU32;

std::size_t Record(int i) { return 2 + 27 * static_cast<std::size_t>(i); }

std::vector<std::uint8_t> GoodPack() {
  return samples::BuildTrackArchive(
      {{"kestrel.trk", Bytes("track bytes")}, {"race.lp", Bytes("line")}, {"a.mip", Bytes("m")}});
}

std::vector<std::string> Check(const std::vector<std::uint8_t>& pack) {
  Result<std::vector<PackEntry>> entries = ReadPackDirectory(pack);
  EXPECT_TRUE(entries.ok()) << entries.status().ToString();
  if (!entries.ok()) return {};
  std::vector<std::string> lines;
  for (const Finding& f : CheckPackDirectory(*entries, pack.size(), "kestrel.dat")) {
    lines.push_back(f.member + ": " + f.what);
  }
  return lines;
}

TEST(PackDirectoryTest, EachFaultOfARecordIsNamedByItsMember) {
  struct Row {
    const char* fault;
    void (*plant)(std::vector<std::uint8_t>&);
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"tag",
       [](std::vector<std::uint8_t>& b) { b[Record(1)] = 7; },
       {"race.lp: directory tag is 7, not 5"}},
      {"second length",
       [](std::vector<std::uint8_t>& b) { b = WithU32(b, Record(1) + 6, 5); },
       {"race.lp: the directory's two lengths differ (4 and 5)"}},
      {"past the end",
       [](std::vector<std::uint8_t>& b) { b = WithU32(b, Record(2) + 23, 99); },  // the pack's size
       {"a.mip: data at offset 99, 1 bytes, runs past the end of the pack (99 bytes)"}},
      {"inside the directory",
       [](std::vector<std::uint8_t>& b) { b = WithU32(b, Record(2) + 23, 10); },
       {"a.mip: data at offset 10 lies inside the directory"}},
      {"overlap",
       [](std::vector<std::uint8_t>& b) { b = WithU32(b, Record(1) + 23, 2 + 3 * 27 + 4); },
       {"race.lp: data overlaps that of kestrel.trk"}},
      {"overlap, the records not in data order",
       [](std::vector<std::uint8_t>& b) {
         // kestrel.trk, one byte behind race.lp, holds the start of a.mip's data.
         b = WithU32(b, Record(0) + 23, 2 + 3 * 27 + 15);
         b = WithU32(b, Record(0) + 2, 1);
         b = WithU32(b, Record(0) + 6, 1);
         b = WithU32(b, Record(2) + 23, 2 + 3 * 27 + 15);
       },
       {"a.mip: data overlaps that of kestrel.trk"}},
      {"same name in other case",
       [](std::vector<std::uint8_t>& b) { std::memcpy(&b[Record(2) + 10], "RACE.LP\0", 8); },
       {"RACE.LP: another member has the same name: race.lp"}},
      {"thirteen characters",
       [](std::vector<std::uint8_t>& b) { std::memcpy(&b[Record(2) + 10], "abcdefghi.mip", 13); },
       {"abcdefghi.mip: name longer than 12 characters"}},
      {"leaves the folder",
       [](std::vector<std::uint8_t>& b) { std::memcpy(&b[Record(2) + 10], "../x.mip\0", 9); },
       {"../x.mip: name would place the file outside the track folder"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault);
    std::vector<std::uint8_t> pack = GoodPack();
    row.plant(pack);
    EXPECT_EQ(Check(pack), row.expected);
  }
}

// A pack as the program writes it is clean; a directory longer than the pack is refused and an
// empty one reported.
TEST(PackDirectoryTest, TheProgramsPackIsCleanALongDirectoryRefusedAndAnEmptyOneReported) {
  std::vector<std::uint8_t> pack = GoodPack();
  Result<std::vector<PackEntry>> entries = ReadPackDirectory(pack);
  ASSERT_TRUE(entries.ok());
  const PackEntry& first = (*entries)[0];
  EXPECT_EQ(std::tuple(first.tag, first.length, first.length2, first.offset),
            std::tuple(5, 11u, 11u, 2u + 3 * 27));
  EXPECT_TRUE(Check(pack).empty());
  pack[0] = 200;
  entries = ReadPackDirectory(pack);
  ASSERT_FALSE(entries.ok());
  EXPECT_EQ(entries.status().message(),
            "the directory of 200 members needs 5402 bytes but the pack holds 99");
  EXPECT_FALSE(ReadPackDirectory(std::vector<std::uint8_t>{1}).ok());

  const std::vector<std::uint8_t> empty = {0, 0};
  EXPECT_EQ(Check(empty), std::vector<std::string>{"kestrel.dat: the directory lists no members"});
}

}  // namespace
}  // namespace velmora
