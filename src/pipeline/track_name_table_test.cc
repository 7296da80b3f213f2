#include "pipeline/track_name_table.h"

#include <gtest/gtest.h>

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

TEST(TrackNameTableTest, HoldsFiftyNineRowsInOrder) {
  std::span<const TrackNameRow> rows = TrackNameRows();
  ASSERT_EQ(rows.size(), 59u);
  EXPECT_EQ(rows.front().folder, "a1ring");
  EXPECT_EQ(rows[2].folder, "atlan70");
  EXPECT_EQ(rows[11].folder, "dethq");
  EXPECT_EQ(rows[40].folder, "osring");
  EXPECT_EQ(rows.back().folder, "vanhq");
}

TEST(TrackNameTableTest, OesterreichringIsWindows1252) {
  const TrackNameRow* row = RowOf("osring");
  ASSERT_NE(row, nullptr);
  ASSERT_EQ(row->displayName.size(), 14u);
  EXPECT_EQ(static_cast<unsigned char>(row->displayName[0]), 0xD6);
  EXPECT_EQ(row->displayName.substr(1), "sterreichring");
}

// A folder that occurs twice would hide its second row from every lookup, and a variant whose
// base is itself a variant (or unknown) would convert into a track that has no GPL folder.
TEST(TrackNameTableTest, FoldersAreUniqueAndBasesAreKnownTracks) {
  std::set<std::string> folders;
  for (const TrackNameRow& row : TrackNameRows()) {
    SCOPED_TRACE(std::string(row.folder));
    EXPECT_TRUE(folders.insert(AsciiLower(row.folder)).second);
    EXPECT_EQ(row.folder, AsciiLower(row.folder));
    if (row.baseFolder.empty()) continue;
    const TrackNameRow* base = RowOf(row.baseFolder);
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->baseFolder.empty());
  }
}

TEST(TrackNameTableTest, TrackTitles) {
  struct Case {
    std::string_view folder;
    bool strip;
    std::string_view display, event, event_short;
  };
  const Case kCases[] = {
      {"DETHQ", true, "Detroit", "Detroit Grand Prix", "Detroit GP"},
      {"DETHQ", false, "Detroit HQ", "Detroit Grand Prix", "Detroit GP"},
      {"dethq", false, "Detroit HQ", "Detroit Grand Prix", "Detroit GP"},
      {"glen", false, "Watkins Glen", "New York State Grand Prix", "NY  GP"},
      {"hickory", true, "Hickory", "North Carolina  Grand Prix", "NC  GP"},
      {"Elkhq", true, "Road America", "Wisconsin Grand Prix", "Wisconsin GP"},
      // Only names ending in " HQ" are shortened.
      {"loudonhq", true, "Loudon", "New Hampshire Grand Prix", "NH  GP"},
      {"sears", false, "sears", "sears Grand Prix", "sears GP"},
      {"MyTrack", true, "MyTrack", "MyTrack Grand Prix", "MyTrack GP"},
      {"", false, "", " Grand Prix", " GP"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.folder) + (c.strip ? " strip" : " keep"));
    TrackTitleSet titles = TrackTitles(c.folder, c.strip);
    EXPECT_EQ(titles.displayName, c.display);
    EXPECT_EQ(titles.eventTitle, c.event);
    EXPECT_EQ(titles.shortEventTitle, c.event_short);
  }
}

TEST(TrackNameTableTest, FolderOfDisplayName) {
  struct Case {
    std::string_view name, folder;
  };
  const Case kCases[] = {
      {"Atlanta Speedway", "atlanta"},  // never the later row "atlan70"
      {"Loudon", "nwenglnd"},           // never the later row "loudonhq"
      {"road america", "elkhart"},
      {"ROAD AMERICA HQ", "elkhq"},
      {"Detroit HQ", "dethq"},
      {"\xD6"
       "sterreichring",
       "osring"},
      {"Unknown Place", "Unknown Place"},
      {"dethq", "dethq"},  // a folder shown under its own name maps back to itself
      {"Detroit HQ ", "Detroit HQ "},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(FolderOfDisplayName(c.name), c.folder);
  }
}

// Every row shown in a list must map back to a folder with the same display name.
TEST(TrackNameTableTest, DisplayNamesRoundTrip) {
  for (const TrackNameRow& row : TrackNameRows()) {
    SCOPED_TRACE(std::string(row.folder));
    std::string folder = FolderOfDisplayName(TrackTitles(row.folder, false).displayName);
    EXPECT_EQ(TrackTitles(folder, false).displayName, row.displayName);
  }
}

TEST(TrackNameTableTest, BaseFolderOf) {
  struct Case {
    std::string_view folder, base;
  };
  const Case kCases[] = {
      {"Elkhq", "elkhart"},   {"Elkhart", "Elkhart"}, {"loudonhq", "nwenglnd"},
      {"DETHQ", "detroit"},   {"vanhq", "vancouvr"},  {"lngbchhq", "longbch"},
      {"nowhere", "nowhere"}, {"Detroit", "Detroit"}, {"", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.folder));
    EXPECT_EQ(BaseFolderOf(c.folder), c.base);
  }
}

}  // namespace
}  // namespace velmora
