#include "track/racing_lines.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/byte_writer.h"
#include "platform/file_system.h"
#include "platform/path_resolver.h"
#include "platform/rule_path.h"
#include "track/track_archive.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Track units of reference line per GPL point when sizing a lap.
constexpr std::int64_t kUnitsPerPoint = 59099;
// A lap of more points than this (about 600 km) comes only from a damaged track file.
constexpr std::int64_t kMaxPoints = 200000;
constexpr double kSecondScale = 2e-05;
constexpr double kEdgeOffset = 0.75;  // metres outside the edge lines
constexpr double kLaneNarrowing = 0.9;
// Kept as doubles: the float speed and rate are widened, the step is done in double and the
// result rounded back to float, which gives other last bits than float arithmetic would.
constexpr double kOvertakingSlowdown = 0.2;
constexpr double kOutwardDamping = -0.05;
constexpr double kStraightDamping = 0.25;

// GPL point counts of tracks whose computed count GPL does not use; a later row wins.
struct PointCountRule {
  std::string_view name;
  std::int64_t count;  // -1: one fewer than computed
};
constexpr std::array<PointCountRule, 15> kPointCountRules = {{
    {"laguna", 1187},
    {"searspt", -1},
    {"toronto", 956},
    {"indy", 1342},
    {"midohio", 1203},
    {"brands", 1401},
    {"detroit", 1128},
    {"portfast", 1029},
    {"vancouvr", 915},
    {"suz", 1977},
    {"zeltweg", 1972},
    {"osring", 1972},
    {"riversid", 1442},
    {"pocono", 1340},
    {"daytona", 1345},
}};

struct SourcePoint {
  std::int32_t speed = 0;
  std::int32_t second = 0;
  std::int32_t dlat = 0;
};

std::vector<LinePoint> ReadGplLine(std::span<const std::uint8_t> bytes,
                                   std::uint32_t& point_count) {
  ByteReader reader(bytes);
  reader.Skip(4);
  point_count = reader.U32();
  // A file shorter than its count keeps the points it holds.
  const std::size_t present = reader.remaining() / kGplPointSize;
  std::vector<LinePoint> points(std::min<std::size_t>(point_count, present));
  for (LinePoint& point : points) {
    point.speed = reader.F32();
    point.second = reader.F32();
    point.dlat = reader.F32();
    point.lat_rate = reader.F32();
    reader.Skip(4);
  }
  return points;
}

}  // namespace

Status RacingLines::ConvertAll(const fs::path& source_folder, const fs::path& dest_folder,
                               const TrackGeometry& geometry) {
  source_folder_ = source_folder;
  dest_folder_ = dest_folder;
  SetTrack(geometry, dest_folder);
  Status result;
  for (std::string_view name :
       {"Race.lp", "pit.lp", "pass1.lp", "pass2.lp", "maxrace.lp", "minrace.lp"}) {
    Status line = ConvertLine(name, 1.0, name == "pit.lp");
    if (line.IsIOError() && result.ok()) result = std::move(line);
  }
  return result;
}

std::int64_t RacingLines::PointCount(const TrackGeometry& geometry, std::string_view rule_path) {
  std::int64_t length = 0;
  if (geometry.loaded()) {
    const double line0 = geometry.lines().front();
    for (int s = 0; s < geometry.section_count(); ++s) {
      const SectionRecord& record = geometry.section(s);
      if (record.kind() == kStraight) {
        length += record.length();
        continue;
      }
      // The running sum is kept in whole units after every arc.
      const double radius = geometry.line_record(s, 0)[kPxWord] + line0;
      const double sum = static_cast<double>(length) + TurnRadians(record.turn()) * radius;
      length = static_cast<std::int64_t>(std::clamp(sum, -9.0e15, 9.0e15));
    }
  }
  std::int64_t count = length / kUnitsPerPoint + 2;
  const std::string lowered = AsciiLower(rule_path);
  for (const PointCountRule& rule : kPointCountRules) {
    if (lowered.find(rule.name) == std::string::npos) continue;
    count = rule.count < 0 ? count - 1 : rule.count;
  }
  return count;
}

int RacingLines::TurnSenseAt(std::int64_t dlong) const {
  if (geometry_ == nullptr || !geometry_->loaded()) return 0;
  if (dlong > geometry_->track_length()) dlong -= geometry_->track_length();
  if (dlong < 0 || dlong > UINT32_MAX) return 0;
  const int s = geometry_->SectionContaining(static_cast<std::uint32_t>(dlong));
  if (s < 0 || geometry_->section(s).kind() == kStraight) return 0;
  return geometry_->section(s).turn() < 0 ? -1 : 1;
}

void RacingLines::SetTrack(const TrackGeometry& geometry, const fs::path& dest_folder) {
  geometry_ = &geometry;
  dest_name_ = GplTrackFolderRulePath(dest_folder);
}

std::optional<std::vector<std::uint8_t>> RacingLines::ReadLineFile(const fs::path& path) {
  if (resolver_ == nullptr) return ReadFileBytes(path);
  std::optional<fs::path> found = resolver_->ResolveExisting(path);
  if (!found) return std::nullopt;
  return ReadFileBytes(*found);
}

bool RacingLines::WriteLineFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  return resolver_ != nullptr ? resolver_->WriteFileBytes(path, bytes)
                              : WriteFileBytes(path, bytes);
}

Status RacingLines::ConvertLine(std::string_view name, double scale, bool pit) {
  std::optional<std::vector<std::uint8_t>> source = ReadLineFile(source_folder_ / name);
  if (!source) return Status::NotFound((source_folder_ / name).string());
  if (!WriteLineFile(dest_folder_ / name, ConvertLineBytes(name, *source, scale, pit))) {
    return Status::IOError((dest_folder_ / name).string());
  }
  return Status::Ok();
}

std::vector<std::uint8_t> RacingLines::ConvertLineBytes(std::string_view name,
                                                        std::span<const std::uint8_t> source,
                                                        double scale, bool pit) const {
  const bool overtaking =
      name.find("pass1") != std::string_view::npos || name.find("pass2") != std::string_view::npos;
  double edge_offset = 0;
  bool edge = false;
  if (name.find("maxrace") != std::string_view::npos) {
    edge = true;
    edge_offset = -kEdgeOffset;
  }
  if (name.find("minrace") != std::string_view::npos) {
    edge = true;
    edge_offset = kEdgeOffset;
  }

  ByteReader reader(source);
  // A file shorter than its count is read as far as it goes.
  const std::int64_t source_count = std::min<std::int64_t>(
      reader.U32(), static_cast<std::int64_t>(reader.remaining() / kSourcePointSize));

  const std::int64_t count = std::clamp<std::int64_t>(
      geometry_ == nullptr ? 2 : PointCount(*geometry_, dest_name_), 0, kMaxPoints);
  const double step =
      count > 2 ? static_cast<double>(source_count) / static_cast<double>(count - 2) : 0.0;

  ByteWriter out;
  out.Reserve(8 + count * kGplPointSize);
  out.U32(kGplLineTag);
  out.U32(static_cast<std::uint32_t>(count));
  // A line without points is written as points of speed 0 on the reference line.
  SourcePoint current;
  std::int64_t last_read = -1;
  LinePoint previous;
  for (std::int64_t k = 0; k < count; ++k) {
    const auto j = static_cast<std::int64_t>(static_cast<double>(k) * step);
    while (last_read < j && last_read + 1 < source_count) {
      current.speed = reader.I32();
      current.second = reader.I32();
      current.dlat = reader.I32();
      ++last_read;
    }
    double divisor = current.speed > 20000
                         ? 55000 - (current.speed - 20000.0) * 0.16666666666666669
                         : 55000;
    if (divisor < 40000) divisor = 40000;
    LinePoint point;
    point.speed = static_cast<float>(current.speed / divisor * scale);
    if (overtaking) point.speed = static_cast<float>(point.speed - kOvertakingSlowdown);
    point.second = static_cast<float>(current.second * kSecondScale);
    point.dlat = static_cast<float>(current.dlat / kUnitsPerMetre);
    if (edge) {
      point.dlat = static_cast<float>(point.dlat + edge_offset);
    } else if (!pit) {
      point.dlat = static_cast<float>(point.dlat * kLaneNarrowing);
    }
    if (k > 0 && point.speed != 0) {
      float rate = static_cast<float>((point.dlat - previous.dlat) / (point.speed * 100.0));
      const int sense = TurnSenseAt(static_cast<std::int64_t>(3.0 * k * kUnitsPerMetre));
      // Moving outwards in a corner is damped hard; on straights the rate is quartered.
      if (rate * sense < 0) rate = static_cast<float>(rate * kOutwardDamping);
      if (rate * sense == 0) rate = static_cast<float>(rate * kStraightDamping);
      point.lat_rate = rate;
    }
    out.F32(point.speed);
    out.F32(point.second);
    out.F32(point.dlat);
    out.F32(point.lat_rate);
    out.U32(0);
    previous = point;
  }
  return out.Take();
}

void RacingLines::LoadLineBytes(std::string_view file, std::span<const std::uint8_t> bytes) {
  std::vector<LinePoint>* points = file == "race.lp"      ? &race_
                                   : file == "pass1.lp"   ? &pass1_
                                   : file == "pass2.lp"   ? &pass2_
                                   : file == "minrace.lp" ? &minrace_
                                   : file == "maxrace.lp" ? &maxrace_
                                                          : nullptr;
  if (points == nullptr) return;
  *points = ReadGplLine(bytes, point_count_);
  brake_scale_ = 0;  // the braking scale belongs to the race line just read
}

Status RacingLines::LoadLines(const fs::path& folder, std::optional<std::string_view> track_name) {
  const std::array<std::pair<std::string_view, std::vector<LinePoint>*>, 5> files = {{
      {"race.lp", &race_},
      {"pass1.lp", &pass1_},
      {"pass2.lp", &pass2_},
      {"minrace.lp", &minrace_},
      {"maxrace.lp", &maxrace_},
  }};
  for (const auto& [file, points] : files) {
    std::optional<std::vector<std::uint8_t>> bytes = ReadLineFile(folder / file);
    if (bytes) *points = ReadGplLine(*bytes, point_count_);
  }
  brake_scale_ = 0;  // the braking scale belongs to the race line just read
  if (!track_name) return Status::Ok();

  const std::string name(*track_name);
  // The track file is one of the GPL track's, whether loose or inside its archive.
  const std::string rule_path = GplTrackFolderRulePath(folder) + AsciiLower(name) + ".trk";
  auto geometry = std::make_unique<TrackGeometry>();
  Status loaded;
  if (FileExists(folder / (name + ".trk"))) {
    loaded = geometry->Load(folder / (name + ".trk"), rule_path);
  } else {
    TrackArchive archive;
    loaded = archive.Open(folder / (name + ".dat"));
    // A directory cut short still holds the track file when its record is complete. The
    // members are read in memory: nothing is written for them.
    if (loaded.ok() || loaded.IsCorruption()) loaded = archive.Hold({}, ".trk");
    if (loaded.ok()) {
      std::optional<std::span<const std::uint8_t>> member = archive.HeldMember(name + ".trk");
      loaded = member ? geometry->LoadBytes({member->begin(), member->end()}, rule_path)
                      : Status::NotFound("it cannot be read");
    }
  }
  if (!loaded.ok()) return loaded;
  owned_geometry_ = std::move(geometry);
  geometry_ = owned_geometry_.get();
  return Status::Ok();
}

double RacingLines::BrakingAt(std::int32_t dlong) {
  if (race_.empty()) return 0;
  const auto count = static_cast<std::int64_t>(race_.size());
  if (brake_scale_ == 0) {
    float drop = 0;
    for (std::int64_t i = 0; i + 4 < count; ++i) {
      drop = std::min(drop, race_[i + 1].speed - race_[i].speed);
    }
    brake_scale_ = 0.25f * drop;
  }
  std::int64_t k = static_cast<std::int64_t>(dlong / kPointSpacing);
  k = std::max<std::int64_t>(std::min(k, count - 4), 3);
  float drop = 0;
  for (std::int64_t j = k; j <= k + 2; ++j) {
    if (j + 1 < count) drop = std::min(drop, race_[j + 1].speed - race_[j].speed);
  }
  const float r = drop / brake_scale_;
  if (!(r > 0)) return 0;
  if (r >= 1) return 1;
  return r;
}

double RacingLines::GrooveDlatAt(std::int32_t dlong) const {
  if (race_.empty()) return 0;
  const auto count = static_cast<std::int64_t>(race_.size());
  std::int64_t k = static_cast<std::int64_t>(dlong / kPointSpacing);
  if (k > count - 6) k = 0;
  if (k <= 1) k = 1;
  auto dlat_of = [](const std::vector<LinePoint>& line, std::int64_t j) {
    return j < static_cast<std::int64_t>(line.size()) ? line[j].dlat : 0.0f;
  };
  const bool edges = !maxrace_.empty() && !minrace_.empty();
  float sum = 0;
  for (std::int64_t j = k - 1; j <= k + 1; ++j) {
    sum += 0.5f * dlat_of(race_, j);
    if (edges) sum += 0.5f * (dlat_of(maxrace_, j) + dlat_of(minrace_, j));
  }
  return sum * 0.33333334f;
}

}  // namespace velmora
