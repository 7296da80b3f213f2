#include "pipeline/track_name_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "platform/ascii.h"

namespace velmora {
namespace {

const TrackNameRow* RowOf(std::string_view folder) {
  for (const TrackNameRow& row : TrackNameRows()) {
    if (row.folder == folder) return &row;
  }
  return nullptr;
}

// A folder that occurs twice would hide its second row from every lookup, a variant whose base
// is itself a variant (or unknown) would convert into a track that has no GPL folder, and every
// name shown in a list must map back to a folder with the same display name.
TEST(TrackNameTableTest, RowsAreConsistent) {
  std::set<std::string> folders;
  for (const TrackNameRow& row : TrackNameRows()) {
    SCOPED_TRACE(std::string(row.folder));
    EXPECT_TRUE(folders.insert(AsciiLower(row.folder)).second);
    EXPECT_EQ(row.folder, AsciiLower(row.folder));
    const std::string back = FolderOfDisplayName(TrackTitles(row.folder, false).display_name);
    EXPECT_EQ(TrackTitles(back, false).display_name, row.display_name);
    if (row.base_folder.empty()) continue;
    const TrackNameRow* base = RowOf(row.base_folder);
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->base_folder.empty());
  }
}

// FNV-1a (64 bits) over the 59 rows of the published table of known tracks, each row's five
// fields in Windows-1252 joined by a 0 byte and ended by '\n'. Worked out by a short script from
// the published table, not from this program's copy, so a typo in a row changes it.
TEST(TrackNameTableTest, RowsMatchThePublishedTable) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  auto add = [&hash](std::string_view text) {
    for (char c : text) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 0x100000001b3u;
    }
  };
  ASSERT_EQ(TrackNameRows().size(), 59u);
  for (const TrackNameRow& row : TrackNameRows()) {
    add(row.folder);
    add(std::string_view("\0", 1));
    add(row.base_folder);
    add(std::string_view("\0", 1));
    add(row.display_name);
    add(std::string_view("\0", 1));
    add(row.event_name);
    add(std::string_view("\0", 1));
    add(row.event_short_name);
    add("\n");
  }
  EXPECT_EQ(hash, 0x9f29c93d100c6d2eu);
}

TEST(TrackNameTableTest, TrackTitles) {
  struct Case {
    std::string_view folder;
    bool strip;
    std::string_view display, event, event_short;
  };
  const Case kCases[] = {
      {"DETHQ", true, "Detroit", "Detroit Grand Prix", "Detroit GP"},
      {"dethq", false, "Detroit HQ", "Detroit Grand Prix", "Detroit GP"},
      {"hickory", true, "Hickory", "North Carolina  Grand Prix", "NC  GP"},
      {"loudonhq", true, "Loudon", "New Hampshire Grand Prix", "NH  GP"},  // no " HQ" to strip
      {"MyTrack", true, "MyTrack", "MyTrack Grand Prix", "MyTrack GP"},
      {"", false, "", " Grand Prix", " GP"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.folder) + (c.strip ? " strip" : " keep"));
    TrackTitleSet titles = TrackTitles(c.folder, c.strip);
    EXPECT_EQ(titles.display_name, c.display);
    EXPECT_EQ(titles.event_title, c.event);
    EXPECT_EQ(titles.short_event_title, c.event_short);
  }
}

TEST(TrackNameTableTest, FolderOfDisplayNameAndBaseFolderOf) {
  const std::pair<std::string_view, std::string_view> kFolders[] = {
      {"Atlanta Speedway", "atlanta"},  // the first row wins, never the later "atlan70"
      {"Loudon", "nwenglnd"},           // never the later "loudonhq"
      {"ROAD AMERICA HQ", "elkhq"},
      {"\xD6sterreichring", "osring"},  // Windows-1252
      {"\xF6STERREICHRING", "osring"},  // its letters in either case
      {"Unknown Place", "Unknown Place"},
      {"dethq", "dethq"},  // a folder shown under its own name maps back to itself
      {"Detroit HQ ", "Detroit HQ "},
  };
  for (const auto& [name, folder] : kFolders) EXPECT_EQ(FolderOfDisplayName(name), folder) << name;
  const std::pair<std::string_view, std::string_view> kBases[] = {{"Elkhq", "elkhart"},
                                                                  {"Elkhart", "Elkhart"},
                                                                  {"loudonhq", "nwenglnd"},
                                                                  {"nowhere", "nowhere"},
                                                                  {"", ""}};
  for (const auto& [folder, base] : kBases) EXPECT_EQ(BaseFolderOf(folder), base) << folder;
}

}  // namespace
}  // namespace velmora
