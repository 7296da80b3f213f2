#include "track/track_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

// Far more sections than any lap has; a count beyond it is a damaged file.
constexpr std::int64_t kMaxSections = 1 << 20;

// Truncation toward zero into 32 bits; values outside the range are clamped and NaN gives 0, so
// a hostile file cannot make the conversion undefined.
std::int32_t TruncToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<std::int32_t>(value);
}

std::int64_t TruncToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

double HeightOf(const LineRecord& line, double t) {
  return line[0] * t * t * t + line[1] * t * t + line[2] * t + line[3];
}

struct NamedSettings {
  std::string_view name;
  // Fields the row leaves out keep their earlier values.
  std::optional<int> firstStripWall, allWallsFrom, allWallsTo, twoWallsFrom, twoWallsTo;
  std::optional<int> specialSectionA, specialValueA, specialSectionB, specialValueB;
};

const std::array<NamedSettings, 9>& SettingsTable() {
  static const std::array<NamedSettings, 9> kTable = {{
      {"silver.", 1, 0, 9, {}, {}, 96, 9, 0, 3},
      {"rouen.", {}, {}, {}, {}, {}, 76, 2, 77, 1},
      {"mosport.", {}, {}, {}, 1, 71, 70, 2, 71, 3},
      {"kyalami.", 1, {}, {}, 1, 67, 66, 3, 67, 1},
      {"zandvort.", {}, {}, {}, {}, {}, 87, 3, 88, 2},
      {"watglen.", 1, 37, 44, {}, {}, {}, {}, {}, {}},
      {"monza.", 1, 59, 61, {}, {}, 57, 63, 58, 61},
      {"nurburg.", {}, {}, {}, {}, {}, 0, 7, 2, 6},
      {"mexico.", {}, {}, {}, 1, 103, 102, 2, 103, 1},
  }};
  return kTable;
}

void Apply(const std::optional<int>& value, int& field) {
  if (value) field = *value;
}

}  // namespace

SectionSettings SectionSettingsForPath(std::string_view lowercased_path) {
  SectionSettings settings;
  for (const NamedSettings& row : SettingsTable()) {
    if (lowercased_path.find(row.name) == std::string_view::npos) continue;
    Apply(row.firstStripWall, settings.firstStripWall);
    Apply(row.allWallsFrom, settings.allWallsFrom);
    Apply(row.allWallsTo, settings.allWallsTo);
    Apply(row.twoWallsFrom, settings.twoWallsFrom);
    Apply(row.twoWallsTo, settings.twoWallsTo);
    Apply(row.specialSectionA, settings.specialSectionA);
    Apply(row.specialValueA, settings.specialValueA);
    Apply(row.specialSectionB, settings.specialSectionB);
    Apply(row.specialValueB, settings.specialValueB);
  }
  return settings;
}

bool TrackGeometry::Load(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) {
    *this = TrackGeometry();
    path_ = AsciiLower(path.string());
    return Fail("it cannot be read");
  }
  return LoadBytes(std::move(*bytes), path.string());
}

bool TrackGeometry::LoadBytes(std::vector<std::uint8_t> bytes, std::string_view path) {
  *this = TrackGeometry();
  path_ = AsciiLower(path);
  settings_ = SectionSettingsForPath(path_);
  image_ = std::move(bytes);
  if (!Parse()) return false;
  loaded_ = true;
  return true;
}

bool TrackGeometry::Fail(std::string error) {
  std::string path = std::move(path_);
  *this = TrackGeometry();
  path_ = std::move(path);
  error_ = std::move(error);
  return false;
}

bool TrackGeometry::Parse() {
  ByteReader header(image_);
  std::span<const std::uint8_t> magic = header.Bytes(kTrackMagic.size());
  version_ = header.U32();
  trackLength_ = header.U32();
  const std::int64_t lineCount = header.I32();
  const std::int64_t sectionCount = header.I32();
  const std::int64_t surfaceBytes = header.I32();
  const std::int64_t sectionBytes = header.I32();
  if (!header.ok()) return Fail("it is shorter than its 28-byte header");
  if (!std::equal(magic.begin(), magic.end(), kTrackMagic.begin())) {
    return Fail("it does not begin with \"KART\"");
  }
  const bool old = version_ < kStripLayoutVersion;
  layout_ = old ? static_cast<int>(version_) : kNewestLayout;
  const std::size_t slots = old ? kOldLineSlots : kNewLineSlots;
  if (lineCount < 1 || lineCount > static_cast<std::int64_t>(slots)) {
    return Fail("its reference-line count " + std::to_string(lineCount) + " is not 1 to " +
                std::to_string(slots));
  }
  if (sectionCount < 1 || sectionCount > kMaxSections) {
    return Fail("its section count " + std::to_string(sectionCount) + " is out of range");
  }
  if (surfaceBytes < 0 || sectionBytes < 0) return Fail("its block sizes are negative");

  const std::uint64_t size = image_.size();
  const std::uint64_t offsetsAt = old ? kOldOffsetsAt : kNewOffsetsAt;
  const std::uint64_t lineAt = offsetsAt + 4 * static_cast<std::uint64_t>(sectionCount);
  const std::uint64_t surfaceAt = lineAt + kLineRecordSize * static_cast<std::uint64_t>(
                                               lineCount * sectionCount);
  const std::uint64_t sectionAt = surfaceAt + static_cast<std::uint64_t>(surfaceBytes);
  if (sectionAt + static_cast<std::uint64_t>(sectionBytes) > size) {
    return Fail("its blocks need " + std::to_string(sectionAt + sectionBytes) +
                " bytes but the file holds " + std::to_string(size));
  }
  lineBlockAt_ = lineAt;
  sectionBlockAt_ = sectionAt;

  const std::span<const std::uint8_t> all(image_);
  ByteReader slotReader(all.subspan(kTrackHeaderSize, slots * 4));
  for (std::size_t i = 0; i < slots; ++i) lineSlots_.push_back(slotReader.I32());
  lines_.assign(lineSlots_.begin(), lineSlots_.begin() + lineCount);

  ByteReader body(image_);
  body.Seek(offsetsAt);
  sectionOffsets_.reserve(sectionCount);
  for (std::int64_t i = 0; i < sectionCount; ++i) sectionOffsets_.push_back(body.U32());
  lineRecords_.resize(static_cast<std::size_t>(lineCount * sectionCount));
  for (LineRecord& record : lineRecords_) {
    for (std::int32_t& word : record) word = body.I32();
  }
  ByteReader surfaceReader = body.Sub(surfaceBytes);
  std::uint64_t entryCount = 0;
  if (old) {
    entryCount = surfaceBytes / kSurfaceEntrySize;
    surfaces_.resize(entryCount);
    for (SurfaceEntry& entry : surfaces_) {
      entry.start = surfaceReader.I32();
      entry.end = surfaceReader.I32();
      entry.code = surfaceReader.I32();
    }
  } else {
    entryCount = surfaceBytes / kStripSize;
    strips_.resize(entryCount);
    for (Strip& strip : strips_) {
      for (std::int32_t& word : strip) word = surfaceReader.I32();
    }
  }
  if (!body.ok() || !surfaceReader.ok()) return Fail("its blocks run past its end");

  const std::span<const std::uint8_t> sectionBlock = all.subspan(sectionAt, sectionBytes);
  sections_.resize(sectionCount);
  wallFirst_.reserve(sectionCount);
  for (std::int64_t i = 0; i < sectionCount; ++i) {
    const std::string which = "section " + std::to_string(i);
    const std::uint64_t at = sectionOffsets_[i];
    if (at + kSectionRecordSize > sectionBlock.size()) {
      return Fail(which + " lies outside the section block");
    }
    ByteReader record(sectionBlock.subspan(at));
    SectionRecord& section = sections_[i];
    for (std::int32_t& word : section.words) word = record.I32();
    if (version_ == kNewestLayoutVersion) {
      // The extra word 4 is dropped; word 12 keeps its value.
      std::copy(section.words.begin() + 5, section.words.end(), section.words.begin() + 4);
    }
    const std::int64_t surfaceCount = section.words[kSurfaceCountWord];
    const std::int64_t surfaceFirst = section.words[kSurfaceFirstWord];
    if (surfaceCount < 0 || surfaceFirst < 0 ||
        static_cast<std::uint64_t>(surfaceFirst + surfaceCount) > entryCount) {
      return Fail(which + " names surfaces outside the surface block");
    }
    wallFirst_.push_back(walls_.size());
    if (!old) continue;
    const std::int64_t wallCount = section.words[kWallCountWord];
    if (wallCount < 0 ||
        at + kSectionRecordSize + kWallSize * static_cast<std::uint64_t>(wallCount) >
            sectionBlock.size()) {
      return Fail(which + " has walls outside the section block");
    }
    for (std::int64_t k = 0; k < wallCount; ++k) {
      WallEntry& wall = walls_.emplace_back();
      for (std::int32_t& word : wall) word = record.I32();
    }
  }
  return true;
}

std::span<const SurfaceEntry> TrackGeometry::surfaces(int section) const {
  if (surfaces_.empty()) return {};
  const SectionRecord& record = sections_[section];
  return std::span(surfaces_).subspan(record.words[kSurfaceFirstWord],
                                      record.words[kSurfaceCountWord]);
}

std::span<const Strip> TrackGeometry::strips(int section) const {
  if (strips_.empty()) return {};
  const SectionRecord& record = sections_[section];
  return std::span(strips_).subspan(record.words[kSurfaceFirstWord],
                                    record.words[kSurfaceCountWord]);
}

std::span<const WallEntry> TrackGeometry::walls(int section) const {
  if (layout_ == kNewestLayout) return {};
  return std::span(walls_).subspan(wallFirst_[section], sections_[section].words[kWallCountWord]);
}

int TrackGeometry::SectionContaining(std::uint32_t dlong) const {
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const std::int64_t start = sections_[i].start();
    if (start <= dlong && dlong < start + sections_[i].length()) return static_cast<int>(i);
  }
  return -1;
}

int TrackGeometry::SectionAtOrBefore(std::uint32_t dlong) const {
  for (std::size_t i = sections_.size(); i > 0; --i) {
    if (sections_[i - 1].start() <= dlong) return static_cast<int>(i - 1);
  }
  return 0;
}

double TrackGeometry::SectionT(const SectionRecord& record, double along) const {
  // A zero-length section would divide by zero; its points all lie at its start.
  return record.length() == 0 ? 0.0 : along / record.length();
}

Point3 TrackGeometry::PositionAt(std::int32_t dlong, std::int32_t dlat) const {
  if (!loaded_) return {};
  std::uint32_t d = static_cast<std::uint32_t>(dlong);
  if (d >= trackLength_) d -= trackLength_;
  const int s = SectionAtOrBefore(d);
  const SectionRecord& record = sections_[s];
  const double along = static_cast<double>(static_cast<std::int64_t>(d) - record.start());
  const double t = SectionT(record, along);

  if (dlat == INT_MAX || dlat == INT_MIN) {
    std::span<const WallEntry> sectionWalls = walls(s);
    if (sectionWalls.empty()) {
      // No wall to stand for: the outermost reference line on that side.
      dlat = dlat == INT_MAX ? lines_.back() : lines_.front();
    } else {
      const WallEntry& wall = dlat == INT_MAX ? sectionWalls.back() : sectionWalls.front();
      dlat = TruncToInt32((1 - t) * wall[1] + t * wall[2]);
    }
  }

  const int lineCount = static_cast<int>(lines_.size());
  int i = 0;
  for (int k = 0; k + 1 < lineCount; ++k) {
    if (lines_[k] < 1 && lines_[k + 1] > 0) {
      i = k;
      break;
    }
  }
  const int next = std::min(i + 1, lineCount - 1);
  const double span = static_cast<double>(lines_[next]) - lines_[i];
  const double u = span == 0 ? 0.0 : (static_cast<double>(dlat) - lines_[i]) / span;
  const LineRecord& l0 = lineRecord(s, i);
  const LineRecord& l1 = lineRecord(s, next);

  Point3 p;
  if (record.kind() == kStraight) {
    const double heading = HeadingRadians(record.heading());
    p.x = (1 - u) * l0[kPxWord] + u * l1[kPxWord] + std::cos(heading) * along;
    p.y = (1 - u) * l0[kPyWord] + u * l1[kPyWord] + std::sin(heading) * along;
  } else {
    const double angle =
        TurnRadians(record.turn()) * t + HeadingRadians(record.heading()) - kQuarterTurn;
    const double r = (1 - u) * l0[kPxWord] + u * l1[kPxWord];
    p.x = std::cos(angle) * r + record.cx();
    p.y = std::sin(angle) * r + record.cy();
  }

  if (dlat <= lines_.front()) {
    p.z = HeightOf(lineRecord(s, 0), t);
  } else if (dlat >= lines_.back()) {
    p.z = HeightOf(lineRecord(s, lineCount - 1), t);
  } else {
    p.z = HeightOf(lineRecord(s, 0), t);  // reference lines out of order: the first line
    for (int j = 0; j + 1 < lineCount; ++j) {
      if (lines_[j] <= dlat && dlat < lines_[j + 1]) {
        const double w = (static_cast<double>(dlat) - lines_[j]) / (static_cast<double>(lines_[j + 1]) - lines_[j]);
        p.z = w * HeightOf(lineRecord(s, j + 1), t) + (1 - w) * HeightOf(lineRecord(s, j), t);
        break;
      }
    }
  }
  return p;
}

TrackDirection TrackGeometry::DirectionAt(std::int32_t dlong) const {
  if (!loaded_) return {};
  std::uint32_t d = static_cast<std::uint32_t>(dlong);
  if (d >= trackLength_) d -= trackLength_;
  const int found = SectionContaining(d);
  const int s = found < 0 ? 0 : found;
  const SectionRecord& record = sections_[s];
  const double along = static_cast<double>(static_cast<std::int64_t>(d) - record.start());
  const double t = SectionT(record, along);

  double heading = HeadingRadians(record.heading());
  TrackDirection out{std::cos(heading), std::sin(heading), 0};
  const LineRecord& line = lineRecord(s, 0);
  double px = line[kPxWord] + t * out.cos * record.length();
  double py = line[kPyWord] + t * out.sin * record.length();
  if (record.kind() == kArc) {
    // The heading is advanced in binary units and kept to 32 bits, as a stored heading is.
    const std::int64_t advanced =
        TruncToInt64(2.0 * record.turn() * t + static_cast<double>(record.heading()));
    heading = HeadingRadians(static_cast<std::uint32_t>(advanced));
    out.cos = std::cos(heading);
    out.sin = std::sin(heading);
    px = record.cx();
    py = record.cy();
  }
  out.planeOffset = (out.cos * px + out.sin * py) / -kTrackUnitsPerMetre;
  return out;
}

int TrackGeometry::WallsAt(std::int32_t dlong, int mode, std::span<std::int32_t, 4> out) const {
  if (!loaded_) return 0;
  const int s = SectionContaining(static_cast<std::uint32_t>(dlong));
  if (s < 0) return 0;
  std::span<const WallEntry> sectionWalls = walls(s);
  const int n = static_cast<int>(std::min<std::size_t>(sectionWalls.size(), 4));
  const SectionRecord& record = sections_[s];
  const double t = SectionT(
      record, static_cast<double>(static_cast<std::int64_t>(static_cast<std::uint32_t>(dlong)) -
                                  record.start()));
  for (int k = 0; k < n; ++k) {
    const std::int32_t start = sectionWalls[k][1];
    const std::int32_t end = sectionWalls[k][2];
    if (mode == 0) {
      out[k] = TruncToInt32((1 - t) * start + t * end);
    } else {
      out[k] = start < 0 ? std::min(start, end) : std::max(start, end);
    }
  }
  return n;
}

bool TrackGeometry::DropsInnerWalls(std::int64_t start) const {
  auto has = [this](std::string_view name) { return path_.find(name) != std::string::npos; };
  if (has("pocono")) return true;
  if (has("gateway") && (start < 4537156 || start >= 35128420)) return true;
  for (std::string_view name : {"hickory", "nwenglnd", "searspt", "searsnew", "midohio",
                                "midohhq"}) {
    if (has(name)) return true;
  }
  if (has("laguna")) return start >= 65410861 || start < 64344734;
  for (std::string_view name : {"lagunahq", "glen", "indy", "indyhq"}) {
    if (has(name)) return true;
  }
  if (has("clevland") || has("clvlndhq")) return 69591302 <= start && start < 71826187;
  if (has("vancouvr")) {
    if (start >= 49134887) return false;
    if (start > 47710000) return true;
  }
  if (has("vanhq")) return 47710000 < start && start < 49134887;
  return false;
}

double TrackGeometry::HeadingAt(std::int32_t dlong) const {
  if (!loaded_) return 0;
  std::int64_t d = dlong;
  if (d >= static_cast<std::int64_t>(trackLength_)) d -= trackLength_;
  int s = 0;
  for (std::size_t i = sections_.size(); i > 0; --i) {
    if (sections_[i - 1].words[kStartWord] <= d) {
      s = static_cast<int>(i - 1);
      break;
    }
  }
  const SectionRecord& record = sections_[s];
  const double heading = HeadingRadians(record.heading());
  if (record.kind() == kStraight) return heading;
  const double t = SectionT(record, static_cast<double>(d - record.words[kStartWord]));
  return heading + t * TurnRadians(record.turn());
}

bool TrackGeometry::SectionSurfaces(int section, SectionRecord& record,
                                    std::vector<SurfaceEntry>& out, bool border) const {
  out.clear();
  if (!loaded_ || layout_ == kNewestLayout || section < 0 || section >= sectionCount()) {
    return false;
  }
  record = sections_[section];
  std::span<const SurfaceEntry> own = surfaces(section);
  out.assign(own.begin(), own.end());
  for (const WallEntry& wall : walls(section)) {
    const SurfaceEntry entry{wall[1], wall[2], wall[0] == 0 ? -1 : MulWrapping(wall[0], -1)};
    auto at = std::find_if(out.begin(), out.end(),
                           [&](const SurfaceEntry& e) { return e.start >= entry.start; });
    out.insert(at, entry);
  }
  // Behind a wall that starts inside the section, the surface outside it carries on.
  std::int32_t lastType = 6;
  for (std::size_t i = 1; i < out.size(); ++i) {
    const SurfaceEntry previous = out[i - 1];
    if (previous.code >= 0) {
      lastType = previous.code;
    } else if (previous.start < out[i].start) {
      out.insert(out.begin() + i, SurfaceEntry{previous.start, previous.end, lastType});
    }
  }
  if (!border) return true;
  constexpr std::int32_t kBorder = 100;
  constexpr std::int32_t kBorderWidth = 3000;
  auto high = [](std::int32_t code) { return code >= 38 && code != kBorder; };
  for (std::size_t i = 1; i < out.size(); ++i) {
    const SurfaceEntry current = out[i];
    if (high(current.code) && out[i - 1].code < 38) {
      out.insert(out.begin() + i, SurfaceEntry{AddWrapping(current.start, -kBorderWidth),
                                               AddWrapping(current.end, -kBorderWidth),
                                               kBorder});
    } else if (current.code < 38 && high(out[i - 1].code)) {
      out[i].start = AddWrapping(current.start, kBorderWidth);
      out[i].end = AddWrapping(current.end, kBorderWidth);
      out.insert(out.begin() + i, SurfaceEntry{current.start, current.end, kBorder});
    }
  }
  return true;
}

}  // namespace velmora
