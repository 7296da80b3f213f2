#include "track/track_ini.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/file_system.h"
#include "platform/resource_store.h"
#include "platform/temp_folder.h"
#include "platform/units.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

std::string Template() {
  ResourceStore store(EmbeddedFiles());
  std::optional<std::span<const std::uint8_t>> bytes = store.Find("N2N4TEMP_INI");
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// The value of `key` under the header "[ section ]", as written.
std::string ValueOf(const std::string& text, std::string_view section, std::string_view key) {
  const std::size_t header = text.find("[ " + std::string(section) + " ]");
  const std::string prefix = "\r\n" + std::string(key) + " = ";
  const std::size_t at = text.find(prefix, header);
  if (header == std::string::npos || at == std::string::npos || at > text.find("\r\n[", header)) {
    return "(missing)";
  }
  const std::size_t value = at + prefix.size();
  return text.substr(value, text.find("\r\n", value) - value);
}

// A description whose pit row runs from `stalls_start` to `stalls_end` metres.
TrackDescription Pits(double stalls_start, double stalls_end, double stall_dlat = -21.0) {
  TrackDescription d;
  const double metres[] = {0, 100, 400, stalls_start, stalls_end, stall_dlat, 450, 0, 0, 0, 380};
  for (std::size_t i = 0; i < d.pit.size(); ++i) {
    d.pit[i] = static_cast<float>(metres[i] * kUnitsPerMetre);
  }
  return d;
}

TEST(TrackIniTest, DescriptionPrefixesAndTheBlapCharacterRule) {
  const TrackDescription d = ParseTrackDescription(
      "SNAME Kestrel\r\nFNAME Kestrel Raceway\r\nLENGT 2150\r\nBLAP 98765\r\n"
      "PIT 1 19685 39370 0 0 0 0 0 0 0 0\r\nSNAMEx ignored\r\nFNAME Kestrel Park\r\nPIT 5 7\r\n");
  EXPECT_EQ(d.short_name, "Kestrel");
  EXPECT_EQ(d.full_name, "Kestrel Park") << "a later line overwrites";
  EXPECT_DOUBLE_EQ(d.length_miles, 2.15);
  EXPECT_NEAR(d.lap_seconds, 8.765, 1e-9) << "the digit right after \"BLAP \" is skipped";
  // A short PIT line keeps the earlier values.
  EXPECT_EQ(std::vector<float>(d.pit.begin(), d.pit.begin() + 3),
            (std::vector<float>{5, 7, 39370}));
}

TEST(TrackIniTest, FillsEveryKeyInTheTemplateAndKeepsEverythingElse) {
  const std::string base = Template();
  ASSERT_FALSE(base.empty());
  TrackDescription d = Pits(1000, 1100);
  d.short_name = "Kestrel";
  d.full_name = "Kestrel Raceway";
  d.length_miles = 2.15;
  d.lap_seconds = 61.234;
  const std::string ini = FillTrackIni(base, d, {3000.0, {}});
  const std::array<std::string_view, 3> rows[] = {
      {"track", "track_name", "Kestrel Raceway"},
      {"track", "track_length", "2.150m"},
      {"statistics", "reference_value", "61.23"},
      {"ai_track", "pit_lane_start_dlong", "80.00"},
      {"pit_lane_0", "lane_bounds_dlong", "100.00 400.00"},
  };
  for (const auto& [section, key, value] : rows) {
    EXPECT_EQ(ValueOf(ini, section, key), value) << key;
  }
  EXPECT_NE(ini.find("pit_lane_has_wall = 1.000000\t; 0 if no pit wall"), std::string::npos)
      << "lines of keys not filled, comments included, stay as they were";
  // The stall keys end in a blank, so their lines keep two blanks before "=".
  EXPECT_NE(ini.find("\r\nstall_0  = "), std::string::npos);
  EXPECT_EQ(std::count(ini.begin(), ini.end(), '\n'), std::count(base.begin(), base.end(), '\n'))
      << "no line added or lost";
}

// Stalls are spread evenly, at most 10 m apart, counted back from the row's end and one metre
// nearer the reference line than the given dlat; past the line they wrap, a stall right on the
// line keeping the lap's length. The grid's rows of two cars, 10 m apart, are staggered about
// the middle of the walls at the line (without walls, of the track).
TEST(TrackIniTest, StallsGridAndPitBoard) {
  const std::string base = Template();
  const std::vector<std::int32_t> four_walls = {-393700, -196850, 98425, 590550};
  const struct {
    double start, end, dlat;
    std::vector<std::int32_t> walls;
    const char* section;
    int index;
    std::string_view expected;
  } rows[] = {
      {1000, 1105, -21, {}, "pit_lane_0", 19, "1005.00 -20.00"},  // a row of 105 m: 5 m apart
      {1000, 1500, 21, {}, "pit_lane_0", 19, "1300.00 20.00"},    // 500 m: 10 m apart
      {2800, 60, -21, {}, "pit_lane_0", 5, "3000.00 -20.00"},     // over the line of a 3000 m lap
      {2800, 60, -21, {}, "pit_lane_0", 6, "2990.00 -20.00"},
      {1000, 1100, -21, {}, "starting_grid_0", 0, "2985.00 -2.25"},
      // Four walls: the pair straddling the middle decides, centre (-10 + 5) / 2 = -2.5.
      {1000, 1100, -21, four_walls, "starting_grid_0", 1, "2985.00 -1.75"},
      {1000, 1100, -21, four_walls, "starting_grid_0", 2, "2975.00 -3.25"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.start << " " << row.section << " " << row.index);
    const std::string ini =
        FillTrackIni(base, Pits(row.start, row.end, row.dlat), {3000, row.walls});
    EXPECT_EQ(ValueOf(ini, row.section, "stall_" + std::to_string(row.index) + " "), row.expected);
  }
  const std::string plain = FillTrackIni(base, Pits(1000, 1100), {3000.0, {}});
  EXPECT_EQ(ValueOf(plain, "pit_lane_0", "pit_board"), "10.000 2990.000 -100.0 100.0");
  const std::string walled = FillTrackIni(base, Pits(1000, 1100), {3000.0, four_walls});
  EXPECT_EQ(ValueOf(walled, "pit_lane_0", "pit_board"), "6.500 2990.000 -100.0 100.0");
}

TEST(TrackIniTest, SetIniValueMatchesSectionsByContainedName) {
  const std::string text = "[ ai_track ]\nkey = 1\n[ other ]\nkey = 2\nkeyed = 3\n";
  // "[ ai_track ]" also counts as section "track"; a key is matched with its blank.
  EXPECT_EQ(SetIniValueInText(text, "track", "key", "9"),
            "[ ai_track ]\nkey = 9\n[ other ]\nkey = 2\nkeyed = 3\n");
  EXPECT_EQ(SetIniValueInText(text, "other", "missing", "9"), text) << "missing keys not added";

  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path ini = folder->path() / "track.ini";
  EXPECT_TRUE(SetIniNumber("a", "k", 3.14159, ini).IsNotFound());
  WriteFileText(ini, "[ a ]\r\nk = 1\r\np = 0\r\n");
  ASSERT_TRUE(SetIniNumber("a", "k", 3.14159, ini).ok());
  ASSERT_TRUE(SetIniPair("a", "p", 1, -2.5, ini).ok());
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(ini);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "[ a ]\r\nk = 3.14\r\np = 1.00 -2.50\r\n");
  EXPECT_EQ(CountEntries(folder->path()), 1u) << "no working file left in the folder";
}

}  // namespace
}  // namespace velmora
