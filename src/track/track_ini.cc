#include "track/track_ini.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/units.h"
#include "track/track_geometry.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kValueAt = 6;  // the seventh character, for every number and name
constexpr double kMaxStallSpacing = 10.0;
constexpr double kStallFraction = 0.047619047619047616;  // one twenty-first of the stall row
constexpr double kGridBehindLine = 15.0;
constexpr double kGridRowSpacing = 10.0;
constexpr std::array<double, 4> kGridDlat = {-2.25, 0.75, -0.75, 2.25};
constexpr double kPitBoardDlat = 10.0;
constexpr double kPitBoardBeyondWall = 1.5;

std::string_view From(std::string_view line, std::size_t at) {
  return at < line.size() ? line.substr(at) : std::string_view();
}

// The lines of a text without their line ends, and the line end to write them back with.
struct TextLines {
  std::vector<std::string_view> lines;
  std::string_view line_end;
};

TextLines SplitLines(std::string_view text) {
  TextLines out;
  out.line_end = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.lines.push_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return out;
}

// Whether edits applied to the lines of one split give what separate passes give: nothing an
// edit writes starts a line or a section header, and no section name holds a CR, which a later
// pass's split could take off the end of a header.
bool EditsKeepLines(std::span<const IniEdit> edits) {
  for (const IniEdit& edit : edits) {
    if (edit.key.starts_with('[') || edit.key.find('\n') != std::string::npos ||
        edit.value.find('\n') != std::string::npos ||
        edit.section.find('\r') != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// The text up to a line's first blank. A line a key's edit replaces starts with the key and a
// blank, and still does once replaced, so its leading word finds every line the key can edit.
std::optional<std::string_view> LeadingWord(std::string_view line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  return line.substr(0, blank);
}

bool EndsInCr(std::string_view line) { return !line.empty() && line.back() == '\r'; }

// The lines of one split with the edits applied to them in order. Each separate pass would
// split the text the one before wrote again; that gives back the same lines except once: a
// text written with LF line ends that has a line ending in CR now holds a CR LF, so the next
// split takes that CR off every such line and writes CR LF from then on.
class LineEditor {
 public:
  explicit LineEditor(std::string_view text) : split_(SplitLines(text)) {
    std::size_t header = std::string_view::npos;
    header_of_.reserve(split_.lines.size());
    by_word_.reserve(split_.lines.size());
    for (std::size_t i = 0; i < split_.lines.size(); ++i) {
      const std::string_view line = split_.lines[i];
      if (line.starts_with("[")) header = i;
      header_of_.push_back(header);
      if (std::optional<std::string_view> word = LeadingWord(line)) by_word_.push_back({*word, i});
      if (EndsInCr(line)) ++cr_ended_;
    }
    // Sorted by word, then line: one table instead of a list per word.
    std::sort(by_word_.begin(), by_word_.end());
  }

  void Apply(std::span<const IniEdit> edits) {
    for (std::size_t e = 0; e < edits.size(); ++e) {
      if (e > 0) SplitAgain();
      ApplyOne(edits[e]);
    }
  }

  std::string Join(std::size_t size_hint) const {
    std::string out;
    out.reserve(size_hint);
    for (std::string_view line : split_.lines) out.append(line).append(split_.line_end);
    return out;
  }

 private:
  void ApplyOne(const IniEdit& edit) {
    const std::string prefix = edit.key + " ";
    const std::string_view word = *LeadingWord(prefix);
    const auto first = std::lower_bound(by_word_.begin(), by_word_.end(),
                                        std::pair<std::string_view, std::size_t>{word, 0});
    std::optional<std::string_view> replacement;
    for (auto at = first; at != by_word_.end() && at->first == word; ++at) {
      const std::size_t i = at->second;
      std::string_view& line = split_.lines[i];
      const std::size_t header = header_of_[i];
      if (header == std::string_view::npos || !line.starts_with(prefix) ||
          split_.lines[header].substr(1).find(edit.section) == std::string_view::npos) {
        continue;
      }
      if (!replacement) {
        written_.push_back(edit.key + " = " + edit.value);
        replacement = written_.back();
      }
      if (EndsInCr(line)) --cr_ended_;
      if (EndsInCr(*replacement)) ++cr_ended_;
      line = *replacement;
    }
  }

  void SplitAgain() {
    if (split_.line_end != "\n" || cr_ended_ == 0) return;
    for (std::string_view& line : split_.lines) {
      if (EndsInCr(line)) line.remove_suffix(1);
    }
    split_.line_end = "\r\n";
  }

  TextLines split_;
  std::vector<std::size_t> header_of_;  // the header line each line lies under, or npos
  // (leading word, line) of every line that has a blank, sorted.
  std::vector<std::pair<std::string_view, std::size_t>> by_word_;
  std::size_t cr_ended_ = 0;         // lines ending in CR
  std::deque<std::string> written_;  // the replaced lines' text; a deque keeps them in place
};

void ReadPitLine(const std::string& line, std::array<float, kPitValueCount>& pit) {
  float p[kPitValueCount];
  for (int i = 0; i < kPitValueCount; ++i) p[i] = pit[i];
  // Values that are there replace the earlier ones, as a partial line does.
  std::sscanf(line.c_str(), "PIT %f %f %f %f %f %f %f %f %f %f %f", &p[0], &p[1], &p[2], &p[3],
              &p[4], &p[5], &p[6], &p[7], &p[8], &p[9], &p[10]);
  for (int i = 0; i < kPitValueCount; ++i) pit[i] = p[i];
}

std::string Format(const char* format, double a) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a);
  return buffer;
}

std::string Format(const char* format, double a, double b) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

std::string StallKey(int i) { return "stall_" + std::to_string(i) + " "; }

// The edits of one track.ini, collected and then applied together.
class IniEditor {
 public:
  explicit IniEditor(std::string_view text) : text_(text) {}
  void Set(std::string_view section, std::string key, std::string value) {
    edits_.push_back({section, std::move(key), std::move(value)});
  }
  void Number(std::string_view section, std::string key, double value) {
    Set(section, std::move(key), Format("%2.2f", value));
  }
  void Pair(std::string_view section, std::string key, double a, double b) {
    Set(section, std::move(key), Format("%2.2f %2.2f", a, b));
  }
  std::string Take() const { return SetIniValuesInText(text_, edits_); }

 private:
  std::string_view text_;
  std::vector<IniEdit> edits_;
};

struct PitMetres {
  double lane_start, lane_end, stalls_start, stalls_end, stall_dlat, merge, lane_end_ai;
};

PitMetres ToMetres(const std::array<float, kPitValueCount>& p) {
  auto m = [](float units) { return units / kUnitsPerMetre; };
  return {m(p[1]), m(p[2]), m(p[3]), m(p[4]), m(p[5]), m(p[6]), m(p[10])};
}

void FillStalls(IniEditor& ini, const PitMetres& pit, double lap) {
  double end = pit.stalls_end;
  if (end < pit.stalls_start) end += lap;  // the row crosses the start line
  const double spacing = std::min((end - pit.stalls_start) * kStallFraction, kMaxStallSpacing);
  // One metre nearer the reference line than the stall dlat given.
  const double dlat = pit.stall_dlat < 0 ? pit.stall_dlat + 1.0 : pit.stall_dlat - 1.0;
  for (int i = 0; i < kStallCount; ++i) {
    double dlong = end - (i + 1) * spacing;
    if (dlong > lap) dlong -= lap;
    ini.Pair("pit_lane_0", StallKey(i), dlong, dlat);
  }
}

// The pit board stands just beyond the wall on the right of the start line's middle, and the
// grid is centred between that wall and the one on its left; with two walls or fewer, the
// board stands at dlat 10 and the grid on the reference line.
void FillBoardAndGrid(IniEditor& ini, std::span<const std::int32_t> walls, double lap) {
  double board = kPitBoardDlat;
  double centre = 0.0;
  if (walls.size() > 2) {
    for (std::size_t k = 1; k < walls.size(); ++k) {
      if (walls[k - 1] < 0 && walls[k] > 0) {
        board = walls[k] / kUnitsPerMetre + kPitBoardBeyondWall;
        centre = (static_cast<double>(walls[k - 1]) + walls[k]) / (2 * kUnitsPerMetre);
      }
    }
  }
  ini.Set("pit_lane_0", "pit_board", Format("%3.3f %3.3f -100.0 100.0", board, lap - 10.0));
  const double front = lap - kGridBehindLine;
  for (int i = 0; i < kStallCount; ++i) {
    ini.Pair("starting_grid_0", StallKey(i), front - kGridRowSpacing * (i / 2),
             centre + kGridDlat[i % 4]);
  }
}

}  // namespace

TrackDescription ParseTrackDescription(std::string_view text) {
  TrackDescription out;
  for (std::string_view line : SplitLines(text).lines) {
    if (line.starts_with("SNAME ")) {
      out.short_name = std::string(From(line, kValueAt));
    } else if (line.starts_with("FNAME ")) {
      out.full_name = std::string(From(line, kValueAt));
    } else if (line.starts_with("LENGT ")) {
      out.length_miles = static_cast<double>(LeadingWholeNumber(From(line, kValueAt))) * 0.001;
    } else if (line.starts_with("BLAP ")) {
      out.lap_seconds = static_cast<double>(LeadingWholeNumber(From(line, kValueAt))) * 0.001;
    } else if (line.starts_with("PIT ")) {
      ReadPitLine(std::string(line), out.pit);
    }
  }
  return out;
}

std::string SetIniValueInText(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value) {
  const TextLines split = SplitLines(text);
  const std::string prefix = std::string(key) + " ";
  std::string out;
  out.reserve(text.size() + value.size() + 8);
  bool in_section = false;
  for (std::string_view line : split.lines) {
    if (line.starts_with("[")) in_section = line.substr(1).find(section) != std::string_view::npos;
    if (in_section && line.starts_with(prefix)) {
      out.append(key).append(" = ").append(value);
    } else {
      out.append(line);
    }
    out.append(split.line_end);
  }
  return out;
}

std::string SetIniValuesInText(std::string_view text, std::span<const IniEdit> edits) {
  if (edits.empty()) return std::string(text);
  if (!EditsKeepLines(edits)) {
    std::string out(text);
    for (const IniEdit& edit : edits)
      out = SetIniValueInText(out, edit.section, edit.key, edit.value);
    return out;
  }
  std::size_t size_hint = text.size() + 2;
  for (const IniEdit& edit : edits) size_hint += edit.key.size() + edit.value.size() + 3;
  LineEditor lines(text);
  lines.Apply(edits);
  return lines.Join(size_hint);
}

Status SetIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const fs::path& ini_path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(ini_path);
  if (!bytes) return Status::NotFound("cannot read " + ini_path.string());
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return ReplaceFileAtomically(ini_path, SetIniValueInText(text, section, key, value));
}

Status SetIniNumber(std::string_view section, std::string_view key, double number,
                    const fs::path& ini_path) {
  return SetIniValue(section, key, Format("%2.2f", number), ini_path);
}

Status SetIniPair(std::string_view section, std::string_view key, double first, double second,
                  const fs::path& ini_path) {
  return SetIniValue(section, key, Format("%2.2f %2.2f", first, second), ini_path);
}

std::string FillTrackIni(std::string_view template_text, const TrackDescription& description,
                         const TrackIniGeometry& geometry) {
  const double lap = geometry.lap_metres;
  const PitMetres pit = ToMetres(description.pit);
  IniEditor ini(template_text);
  ini.Set("track", "track_name_short", description.short_name);
  ini.Set("track", "track_name", description.full_name);
  ini.Set("track", "track_length", Format("%3.3fm", description.length_miles));
  ini.Number("statistics", "reference_value", description.lap_seconds);
  ini.Number("ai_track", "merge_from_pit_line_dlong", pit.merge);
  ini.Number("ai_track", "pit_lane_end_dlong", pit.lane_end_ai);
  ini.Number("ai_track", "pit_lane_start_dlong", pit.lane_start - 20.0);
  ini.Number("ai_track", "start_of_pit_stalls", pit.stalls_start);
  ini.Pair("pit_lane_0", "lane_bounds_dlong", pit.lane_start, pit.lane_end);
  FillStalls(ini, pit, lap);
  FillBoardAndGrid(ini, geometry.start_walls, lap);
  return ini.Take();
}

Status WriteTrackIni(const TrackGeometry& track, const fs::path& description_path,
                     const fs::path& working_path, const fs::path& destination_path) {
  std::optional<std::vector<std::uint8_t>> description = ReadFileBytes(description_path);
  if (!description) return Status::NotFound("cannot read " + description_path.string());
  std::optional<std::vector<std::uint8_t>> working = ReadFileBytes(working_path);
  if (!working) return Status::NotFound("cannot read " + working_path.string());
  const std::string filled = MakeTrackIniText(track, *description, *working);
  if (Status status = ReplaceFileAtomically(working_path, filled); !status.ok()) return status;
  return ReplaceFileAtomically(destination_path, filled);
}

std::string MakeTrackIniText(const TrackGeometry& track, std::span<const std::uint8_t> description,
                             std::span<const std::uint8_t> working) {
  std::array<std::int32_t, 4> walls{};
  const int wall_count = track.WallsAt(0, 0, walls);
  TrackIniGeometry geometry;
  geometry.lap_metres = track.track_length() / kUnitsPerMetre;
  geometry.start_walls = std::span<const std::int32_t>(walls.data(),
                                                       static_cast<std::size_t>(wall_count));
  return FillTrackIni(
      std::string_view(reinterpret_cast<const char*>(working.data()), working.size()),
      ParseTrackDescription(
          std::string_view(reinterpret_cast<const char*>(description.data()), description.size())),
      geometry);
}

}  // namespace velmora
