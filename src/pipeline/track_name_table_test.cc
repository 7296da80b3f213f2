#include "pipeline/track_name_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace velmora {
namespace {

// FNV-1a (64 bits) over the 59 rows of the published table of known tracks, each row's five
// fields in Windows-1252 joined by a 0 byte and ended by '\n'. Worked out by a short script from
// the published table, not from this program's copy, so a typo in a row changes it; with the
// rows held, so are their folders (unique, lower case) and their variants' bases.
TEST(TrackNameTableTest, RowsMatchThePublishedTable) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  ASSERT_EQ(TrackNameRows().size(), 59u);
  for (const TrackNameRow& row : TrackNameRows()) {
    std::string text;
    for (std::string_view field :
         {row.folder, row.base_folder, row.display_name, row.event_name, row.event_short_name}) {
      text.append(field).push_back('\0');
    }
    text.back() = '\n';
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    // Every name shown in a list maps back to a folder with the same display name.
    const std::string back = FolderOfDisplayName(TrackTitles(row.folder, false).display_name);
    EXPECT_EQ(TrackTitles(back, false).display_name, row.display_name) << row.folder;
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
