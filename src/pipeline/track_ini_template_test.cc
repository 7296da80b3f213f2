// The data files the pipelines write out as they are: the track.ini template and the trackside
// tables. Their exact bytes matter because the track.ini editor matches lines by prefix and the
// trackside reader parses lines with fixed formats.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "resources/embedded_files.h"

namespace velmora {
namespace {

std::optional<std::string> Resource(std::string_view name) {
  for (const EmbeddedFile& file : EmbeddedFiles()) {
    if (file.name == name) return std::string(file.bytes.begin(), file.bytes.end());
  }
  return std::nullopt;
}

// Splits CR LF terminated text into lines; nothing when any line end is not CR LF or the last
// line is unterminated.
std::optional<std::vector<std::string>> CrLfLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos || end == 0 || text[end - 1] != '\r') return std::nullopt;
    std::string_view line = text.substr(0, end - 1);
    if (line.find('\r') != std::string_view::npos) return std::nullopt;
    lines.emplace_back(line);
    text.remove_prefix(end + 1);
  }
  return lines;
}

struct Section {
  std::string name;
  std::vector<std::string> lines;  // without the header
};

// Sections of the template in file order; lines before the first header go to a section with
// an empty name.
std::vector<Section> SplitSections(const std::vector<std::string>& lines) {
  std::vector<Section> sections;
  for (const std::string& line : lines) {
    if (line.starts_with("[")) {
      sections.push_back({line, {}});
    } else {
      if (sections.empty()) sections.push_back({"", {}});
      sections.back().lines.push_back(line);
    }
  }
  return sections;
}

struct KeyLine {
  std::string key;
  std::string value;
  std::string comment;  // from ';' to the end of the line, blanks kept; empty when none
};

bool IsCommentLine(const std::string& line) { return line.starts_with("  ;"); }

// Reads "key = value", optionally followed by blanks or tabs and a comment.
std::optional<KeyLine> ParseKeyLine(const std::string& line) {
  std::size_t eq = line.find(" = ");
  if (eq == std::string::npos || eq == 0) return std::nullopt;
  KeyLine out;
  out.key = line.substr(0, eq);
  std::string rest = line.substr(eq + 3);
  std::size_t semi = rest.find(';');
  if (semi != std::string::npos) {
    out.comment = rest.substr(semi);
    rest.resize(semi);
    if (rest.empty() || (rest.back() != ' ' && rest.back() != '\t')) return std::nullopt;
  }
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
  out.value = rest;
  return out;
}

const std::vector<std::string> kSectionHeaders = {
    "[ track ]", "[ configuration_0 ]", "[ statistics ]",     "[ ai_track ]",
    "[ GP ]",    "[ pit_lane_0 ]",      "[ starting_grid_0 ]"};

struct ExpectedKey {
  std::string_view key, value, comment;
};

const std::map<std::string, std::vector<ExpectedKey>>& ExpectedKeys() {
  static const auto* keys = new std::map<std::string, std::vector<ExpectedKey>>{
      {"[ track ]",
       {{"track_name", "Road America", ""},
        {"track_name_short", "Road America", ""},
        {"track_num_turns", "4", ""},
        {"track_length", "4.000m", ""},
        {"track_altitude", "0.0", ""}}},
      {"[ configuration_0 ]", {}},
      {"[ statistics ]", {{"reference_value", "37.44", ""}}},
      {"[ ai_track ]",
       {{"end_start_behavior_section", "5.000000",
         "; section at which race start behavior should end"},
        {"merge_from_pit_line_dlong", "468.13", ""},
        {"pit_at_end_of_track", "1.0", "; 0 if all stalls beyond s/f, 1 if not"},
        {"pit_lane_end_dlong", "254.06", ""},
        {"pit_lane_entrance_width", "48.0", "; dlong width of pit lane entrance in meters"},
        {"pit_lane_has_wall", "1.000000", "; 0 if no pit wall, 1 if pit wall exists"},
        {"pit_lane_on_right", "0.000000", "; 0 if lane on left, 1 if on right"},
        {"pit_lane_start_dlong", "5813.52", ""},
        {"pit_lane_width_left", "20.700000", "; width of pit lane in meters to LEFT of PIT.LP"},
        {"pit_lane_width_right", "10.100000", "; width of pit lane in meters to RIGHT of PIT.LP"},
        {"start_of_pit_stalls", "6105.11", ""},
        {"brabham_fuel_load_per_lap", "1.51", "; Brabham AI fuel loading in liters per lap"},
        {"brm_fuel_load_per_lap", "1.87", "; BRM AI fuel loading in liters per lap"},
        {"coventry_fuel_load_per_lap", "1.68", "; Coventry AI fuel loading in liters per lap"},
        {"eagle_fuel_load_per_lap", "1.72", "; Eagle AI fuel loading in liters per lap"},
        {"ferrari_fuel_load_per_lap", "1.75", "; Ferrari AI fuel loading in liters per lap"},
        {"lotus_fuel_load_per_lap", "1.67", "; Lotus AI fuel loading in liters per lap"},
        {"murasama_fuel_load_per_lap", "1.89", "; Murasama AI fuel loading in liters per lap"},
        {"track_dlong_sep_coeff", "1.2", ""}}},
      {"[ GP ]",
       {{"dlong_speed_adj_coeff", "1.0250",
         "; value modifies dlong velocities (i.e. RELS) in .LP  "},
        {"dlong_speed_maximum", "2.50000",
         "; max. dlong speed (meters/tick) for .LP after all modifiers (e.g., "
         "dlong_speed_adj_coeff)"}}},
      {"[ pit_lane_0 ]",
       {{"lane_on_right", "0", "; 0 if lane on left, 1 if on right"},
        {"lane_has_wall", "1", "; 0 if no pit wall, 1 if pit wall exists"},
        {"lane_bounds_dlong", "5833.52 254.06", ""},
        {"lane_bounds_dlat", "-45.0 -1.5", "; start/end dlat of the pit lane"},
        {"pit_board", "10.2 20.2 -100.0 100.0",
         "; dlat of board, dlong of board, dlong LOS start, dlong LOS end (last 2 not used)"}}},
      {"[ starting_grid_0 ]", {}},
  };
  return *keys;
}

const std::map<std::string, std::vector<std::string>>& ExpectedComments() {
  static const auto* comments = new std::map<std::string, std::vector<std::string>>{
      {"[ track ]",
       {"  ; Above, note track length given in miles,", "  ; while altitude given in meters."}},
      {"[ configuration_0 ]",
       {"  ; Format: dlong, start dlat, end dlat, time penalty (sec), 0 (required)",
        "  ; 3 checkpoint minimum", "  ; No checkpoints "}},
      {"[ starting_grid_0 ]", {"  ; 2x2 staggered grid", "  ; polesitter on right"}},
  };
  return *comments;
}

class TrackIniTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::optional<std::string> text = Resource("N2N4TEMP_INI");
    ASSERT_TRUE(text.has_value()) << "template resource missing";
    std::optional<std::vector<std::string>> lines = CrLfLines(*text);
    ASSERT_TRUE(lines.has_value()) << "a line does not end in CR LF";
    lines_ = *lines;
    sections_ = SplitSections(lines_);
  }

  std::vector<std::string> lines_;
  std::vector<Section> sections_;
};

TEST_F(TrackIniTemplateTest, SectionsInOrderSeparatedByOneBlankLine) {
  std::vector<std::string> headers;
  for (const Section& section : sections_) headers.push_back(section.name);
  EXPECT_EQ(headers, kSectionHeaders);
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    SCOPED_TRACE(sections_[i].name);
    const std::vector<std::string>& lines = sections_[i].lines;
    ASSERT_FALSE(lines.empty());
    if (i + 1 < sections_.size()) {
      EXPECT_EQ(lines.back(), "");
      ASSERT_GE(lines.size(), 2u);
      EXPECT_NE(lines[lines.size() - 2], "");
    } else {
      EXPECT_NE(lines.back(), "");
    }
  }
}

TEST_F(TrackIniTemplateTest, KeysAndCommentsOfEachSection) {
  for (const Section& section : sections_) {
    SCOPED_TRACE(section.name);
    std::vector<KeyLine> found;
    std::vector<std::string> comments;
    for (const std::string& line : section.lines) {
      if (line.empty() || line.starts_with("stall_")) continue;
      if (IsCommentLine(line)) {
        comments.push_back(line);
        continue;
      }
      std::optional<KeyLine> parsed = ParseKeyLine(line);
      ASSERT_TRUE(parsed.has_value()) << line;
      found.push_back(*parsed);
    }
    const std::vector<ExpectedKey>& expected = ExpectedKeys().at(section.name);
    std::vector<std::string> keys, want_keys;
    for (const KeyLine& line : found) keys.push_back(line.key);
    for (const ExpectedKey& want : expected) want_keys.emplace_back(want.key);
    ASSERT_EQ(keys, want_keys);
    for (std::size_t i = 0; i < found.size(); ++i) {
      SCOPED_TRACE(found[i].key);
      EXPECT_EQ(found[i].value, expected[i].value);
      EXPECT_EQ(found[i].comment, expected[i].comment);
    }
    auto it = ExpectedComments().find(section.name);
    EXPECT_EQ(comments, it == ExpectedComments().end() ? std::vector<std::string>{} : it->second);
  }
}

// The track.ini editor finds a value by the key followed by one blank at the start of a line,
// and keeps the rest of the file as it stands; these lines are where that could go wrong.
TEST_F(TrackIniTemplateTest, LinesWhereSpacingMatters) {
  EXPECT_EQ(sections_[0].lines[4], "track_altitude = 0.0\t\t\t");
  EXPECT_EQ(sections_[1].lines[2], "  ; No checkpoints ");
  const std::vector<std::string>& ai = sections_[3].lines;
  ASSERT_GE(ai.size(), 3u);
  EXPECT_EQ(ai[ai.size() - 3], "");
  EXPECT_EQ(ai[ai.size() - 2], "track_dlong_sep_coeff = 1.2");
  EXPECT_TRUE(sections_[4].lines[0].ends_with(".LP  ")) << sections_[4].lines[0];
  for (const std::string& line : lines_) {
    if (line.empty() || line.starts_with("[") || IsCommentLine(line)) continue;
    SCOPED_TRACE(line);
    EXPECT_NE(line.find(" = "), std::string::npos);
    EXPECT_NE(line[0], ' ');
  }
}

TEST_F(TrackIniTemplateTest, TwentyStallsInPitLaneAndGrid) {
  const std::regex kStall(R"(stall_(\d+)  = (-?\d+\.\d+) (-?\d+\.\d+))");
  for (const Section& section : sections_) {
    std::vector<double> dlongs, dlats;
    int stalls = 0;
    for (const std::string& line : section.lines) {
      if (!line.starts_with("stall_")) continue;
      SCOPED_TRACE(section.name + " " + line);
      std::smatch match;
      ASSERT_TRUE(std::regex_match(line, match, kStall));
      EXPECT_EQ(std::stoi(match[1].str()), stalls);
      dlongs.push_back(std::stod(match[2].str()));
      dlats.push_back(std::stod(match[3].str()));
      ++stalls;
    }
    SCOPED_TRACE(section.name);
    if (section.name == "[ pit_lane_0 ]") {
      EXPECT_EQ(stalls, 20);
      for (double dlat : dlats) EXPECT_DOUBLE_EQ(dlat, -21.05);
    } else if (section.name == "[ starting_grid_0 ]") {
      ASSERT_EQ(stalls, 20);
      for (int row = 0; row < 10; ++row) {
        EXPECT_DOUBLE_EQ(dlongs[2 * row], dlongs[2 * row + 1]) << "row " << row;
        if (row > 0) {
          EXPECT_LT(dlongs[2 * row], dlongs[2 * row - 1]) << "row " << row;
        }
      }
    } else {
      EXPECT_EQ(stalls, 0);
    }
  }
}

// Trackside tables: heading line by kind, then the rows.
struct TableKind {
  std::string_view suffix;
  std::optional<std::string_view> heading;  // none: the table is its first line alone
  int fields;
};

const TableKind kKinds[] = {
    {"_STARTER_LAT", std::nullopt, 3},
    {"_FLAG_LAT", "Dlong,Dlat,Flag", 3},
    {"_FLAGS", "Flagger no.,Track section,Side,X,Y,Z", 6},
    {"_TIRES", "Start,End,Latitude", 3},
    {"_HAY", "Start,End,Latitude", 3},
};

const TableKind& KindOf(std::string_view name) {
  for (const TableKind& kind : kKinds) {
    if (name.ends_with(kind.suffix)) return kind;
  }
  ADD_FAILURE() << "no kind for " << name;
  return kKinds[0];
}

// How many fields the reader gets from a line with the kind's format.
int ParsedFields(const TableKind& kind, const std::string& line) {
  float f[6];
  int d[3];
  if (kind.fields == 6) {
    return std::sscanf(line.c_str(), "%d,%d,%d,%f,%f,%f", &d[0], &d[1], &d[2], &f[0], &f[1], &f[2]);
  }
  if (kind.suffix == "_FLAG_LAT") {
    return std::sscanf(line.c_str(), "%f,%f,%d", &f[0], &f[1], &d[0]);
  }
  return std::sscanf(line.c_str(), "%f,%f,%f", &f[0], &f[1], &f[2]);
}

TEST(TracksideTablesTest, TablesHoldTheirHeadingAndRows) {
  const std::map<std::string, std::vector<std::string>> kTables = {
      {"DETROIT_FLAGS", {"1,104,0,-17902389,-5315239,0,Wall"}},
      {"LONGBCH_FLAGS", {"1,53,2,473.48538,-105.43856,0"}},
      {"TORONTO_FLAGS", {}},
      {"CLEVLAND_FLAG_LAT", {"400,20,0"}},
      {"ELKHART_FLAG_LAT", {"540.00,7.50,0"}},
      {"HEARTLND_FLAG_LAT", {}},
      {"LAGUNA_FLAG_LAT", {}},
      {"MIDOHIO_FLAG_LAT", {}},
      {"PORTLAND_FLAG_LAT", {}},
      {"RIVERSID_FLAG_LAT", {}},
      {"SEARSNEW_FLAG_LAT", {}},
      {"SEARSPT_FLAG_LAT", {}},
      {"IMS_STARTER_LAT", {"0.1,-2.5,4.7"}},
      {"ONTARIO_STARTER_LAT", {"0.1,-16.7,4.66"}},
      {"POCONO_STARTER_LAT", {"1.0,-12,5.5"}},
      {"RIVERSID_STARTER_LAT", {"1.0,12,4.7"}},
      {"SEARSNEW_STARTER_LAT", {"1.0,-13.7,4.35"}},
      {"THOMPSON_STARTER_LAT", {"0.1,-6.5,3.8"}},
      {"RIVERSID_TIRES",
       {"600,650,-7.5", "730,877,-7.5", "877,1030,8.3", "1060,1180,-7.5", "1180,1250,8.3",
        "1340,1430,-7.5", "1460,1520,8", "1520,1600,-8", "1956,2090,-5.6"}},
      {"CLEVLAND_HAY", {"3479,3648,15"}},
      {"GATEWAY_HAY", {"1790,2001,9.1", "5,280,9.1"}},
      {"INDY_HAY", {"3576,4020,5.6", "5,125,5.6"}},
      {"LAGUNA_HAY", {"3330,3560,6", "4,50,6"}},
      {"MIDOHIO_HAY", {"3460,3600,6", "8,100,6"}},
      {"POCONO_HAY", {"3775,4014,18.5", "5,433,18.5"}},
      {"SEARSNEW_HAY", {"2900,3150,4.7"}},
      {"SEARSPT_HAY", {"3770,4000,4.7"}},
  };
  ASSERT_EQ(kTables.size(), 27u);
  for (const auto& [name, rows] : kTables) {
    SCOPED_TRACE(name);
    std::optional<std::string> text = Resource(name);
    ASSERT_TRUE(text.has_value()) << "missing";
    std::optional<std::vector<std::string>> lines = CrLfLines(*text);
    ASSERT_TRUE(lines.has_value()) << "a line does not end in CR LF";
    const TableKind& kind = KindOf(name);
    std::vector<std::string> data = *lines;
    if (kind.heading) {
      ASSERT_FALSE(data.empty());
      EXPECT_EQ(data.front(), *kind.heading);
      // The reader passes over the heading because it does not yield every field.
      EXPECT_LT(ParsedFields(kind, data.front()), kind.fields);
      data.erase(data.begin());
    }
    EXPECT_EQ(data, rows);
    for (const std::string& row : data) {
      EXPECT_EQ(ParsedFields(kind, row), kind.fields) << row;
    }
  }
}

}  // namespace
}  // namespace velmora
