#include "trackside/trackside_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "object/gpl_object_format.h"

namespace velmora {

namespace {

constexpr double kQuarterTurn = 1.570795;
constexpr double kHalfTurn = 3.14159;
constexpr double kObjectLift = 0.2;   // metres: starter and flaggers stand this far up
constexpr double kFlaggerBack = 1.5;  // metres behind the given point

struct Pose {
  double x = 0, y = 0, z = 0;  // metres
  double a1 = 0, a2 = 0, a3 = 0;
};

// Truncates metres times 19685 to whole track units, kept inside what a dlong can hold.
std::int32_t TrackUnits(double metres) {
  const double units = std::trunc(metres * kUnitsPerMetre);
  if (!(units > std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
  if (!(units < std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(units);
}

Pose PoseAt(const TrackGeometry& track, std::int32_t dlong, std::int32_t dlat) {
  const Point3 p = track.PositionAt(dlong, dlat);
  return {p.x / kUnitsPerMetre, p.y / kUnitsPerMetre, p.z / kUnitsPerMetre};
}

// The object reference and the placement of one trackside object; the placement's node.
ObjectNode& WriteObject(Object3do& object, TrackLayout& layout, GplNodeStream& stream,
                        const Pose& pose, std::string_view name) {
  ObjectNode& node = layout.NewNode();
  const int index = object.AddName(name, static_cast<int>(NameKind::kObject));
  const std::uint32_t name_offset = object.names(NameKind::kObject)[index].string_offset;
  const std::int32_t reference = stream.MarkUnowned();
  ByteWriter& o = stream.out();
  o.U32(kOpObjectRef);
  o.U32(name_offset);
  o.U32(0);
  stream.MarkNode(node);
  o.U32(kOpPlacement);
  for (double v : {pose.x, pose.y, pose.z, pose.a1, pose.a2, pose.a3}) o.F32(static_cast<float>(v));
  o.F32(1.0f);
  o.I32(reference);
  return node;
}

// Lists `node` in every taking-part lane whose stretch holds `dlong`, ends excluded or, with
// `include_end`, the end included.
void ListInLanes(TrackSection& section, ObjectNode& node, std::int64_t dlong, bool include_end) {
  for (int k = 0; k < kLaneCount; ++k) {
    TrackLane& lane = section.lanes[k];
    if (!section.TakesPart(k) || !(lane.start < dlong)) continue;
    if (dlong < lane.end || (include_end && dlong == lane.end)) lane.contents.push_back(&node);
  }
}

std::vector<std::string> Table(const Object3do& object, std::string_view folder,
                               std::string_view suffix) {
  if (object.resources() == nullptr) return {};
  std::optional<std::span<const std::uint8_t>> bytes =
      object.resources()->Find(std::string(folder) + std::string(suffix));
  return bytes ? TableLines(*bytes) : std::vector<std::string>{};
}

// A starter line: dlong, dlat and height offset, in metres.
struct StarterLine {
  float dlong = 0, dlat = 0, lift = 0;
};
std::optional<StarterLine> ParseStarterLine(const std::string& line) {
  StarterLine s;
  if (std::sscanf(line.c_str(), "%f,%f,%f", &s.dlong, &s.dlat, &s.lift) != 3) return std::nullopt;
  return s;
}

// Only the first line of the table places the starter. A table that is not there, or in which no
// line parses, places none; one with a heading first puts the starter at the defaults.
void PlaceStarter(Object3do& object, TrackLayout& layout, std::string_view folder,
                  GplNodeStream& stream) {
  const std::vector<std::string> lines = Table(object, folder, "_STARTER_LAT");
  if (std::none_of(lines.begin(), lines.end(),
                   [](const std::string& line) { return ParseStarterLine(line).has_value(); })) {
    return;
  }
  const TrackGeometry& track = object.track_or_empty();
  std::int64_t dlong = kStarterDlong;
  const std::vector<std::uint32_t>& starts = object.section_starts();
  if (starts.size() >= 2 && starts[1] < static_cast<std::uint32_t>(kStarterDlong)) {
    dlong = std::int64_t{starts[1]} - kStarterBeforeEnd;
  }
  std::int32_t dlat = kStarterDlat;
  double lift = 0;
  if (const std::optional<StarterLine> given = ParseStarterLine(lines.front())) {
    dlong = TrackUnits(given->dlong);
    dlat = TrackUnits(given->dlat);
    lift = given->lift;
  }
  Pose pose = PoseAt(track, static_cast<std::int32_t>(dlong), dlat);
  pose.z += lift + kObjectLift;
  ObjectNode& node = WriteObject(object, layout, stream, pose, "starter");
  if (!layout.sections.empty()) ListInLanes(layout.sections.front(), node, dlong, true);
}

void PlaceFlags(Object3do& object, TrackLayout& layout, std::string_view folder,
                GplNodeStream& stream) {
  const TrackGeometry& track = object.track_or_empty();
  for (const std::string& line : Table(object, folder, "_FLAGS")) {
    int number = 0, k = 0, side = 0;
    float fx = 0, fy = 0, fz = 0;
    if (std::sscanf(line.c_str(), "%d,%d,%d,%f,%f,%f", &number, &k, &side, &fx, &fy, &fz) != 6) {
      continue;
    }
    if (k < 0 || static_cast<std::size_t>(k) >= layout.sections.size()) continue;
    TrackSection& section = layout.sections[k];
    double x = fx, y = fy, z = fz;
    // Coordinates beyond 19685 are track units: the whole point is converted.
    if (std::abs(x) > kUnitsPerMetre || std::abs(y) > kUnitsPerMetre ||
        std::abs(z) > kUnitsPerMetre) {
      x /= kUnitsPerMetre;
      y /= kUnitsPerMetre;
      z /= kUnitsPerMetre;
    }
    const TrackLane& whole = section.lanes[6];
    double a = (track.HeadingAt(static_cast<std::int32_t>(whole.start)) +
                track.HeadingAt(static_cast<std::int32_t>(whole.end))) * 0.5;
    if ((side & 1) == 0) a += kHalfTurn;  // right side
    const Pose pose{x - kFlaggerBack * std::sin(a), y + kFlaggerBack * std::cos(a),
                    z + kObjectLift, a, 0, 0};
    ObjectNode& node = WriteObject(object, layout, stream, pose, "flagger");
    for (int lane_index : {0, 4, 6}) {
      if (!section.TakesPart(lane_index)) continue;
      TrackLane& lane = section.lanes[lane_index];
      if ((side & 2) != 0) {
        lane.contents.push_back(&node);
      } else if (!lane.cross_sections.empty()) {
        ObjectNode* edge = (side & 1) == 0 ? lane.cross_sections.back() : lane.cross_sections.front();
        edge->children.push_back(&node);
      }
    }
  }
}

void PlaceFlagLat(Object3do& object, TrackLayout& layout, std::string_view folder,
                  GplNodeStream& stream) {
  const TrackGeometry& track = object.track_or_empty();
  for (const std::string& line : Table(object, folder, "_FLAG_LAT")) {
    float pos = 0, lat = 0;
    int flag = 0;  // read and not used
    if (std::sscanf(line.c_str(), "%f,%f,%d", &pos, &lat, &flag) != 3) continue;
    const std::int32_t dlong = TrackUnits(pos);
    Pose pose = PoseAt(track, dlong, TrackUnits(lat));
    pose.a1 = track.HeadingAt(dlong) + kQuarterTurn;
    ObjectNode& node = WriteObject(object, layout, stream, pose, "flagger");
    for (TrackSection& section : layout.sections) ListInLanes(section, node, dlong, false);
  }
}

enum class RowKind { kTyres, kCones, kHay };

void PlaceRows(Object3do& object, TrackLayout& layout, std::string_view folder,
               std::string_view suffix, RowKind kind, GplNodeStream& stream) {
  const TrackGeometry& track = object.track_or_empty();
  const double spacing = kind == RowKind::kTyres ? 8.0 : kind == RowKind::kCones ? 12.0 : 10.0;
  const std::string_view name = kind == RowKind::kTyres ? "_tire"
                                : kind == RowKind::kCones ? "_cone"
                                                          : "_hay";
  for (const std::string& line : Table(object, folder, suffix)) {
    float start = 0, end = 0, lat = 0;
    if (std::sscanf(line.c_str(), "%f,%f,%f", &start, &end, &lat) != 3) continue;
    const std::int32_t dlat = TrackUnits(lat);
    // The row stops where a dlong can reach, whatever end the line gives.
    const double limit = std::min<double>(end * kUnitsPerMetre, std::numeric_limits<std::int32_t>::max());
    for (std::int64_t dlong = TrackUnits(start); static_cast<double>(dlong) < limit;
         dlong = static_cast<std::int64_t>(std::trunc(dlong + spacing * kUnitsPerMetre))) {
      const auto at = static_cast<std::int32_t>(dlong);
      Pose pose = PoseAt(track, at, dlat);
      pose.a1 = track.HeadingAt(at) + (kind == RowKind::kTyres ? kQuarterTurn : 0.0);
      if (kind == RowKind::kHay) {
        const std::int64_t ahead = std::min<std::int64_t>(dlong + 19685, INT32_MAX);
        pose.a2 = pose.z - PoseAt(track, static_cast<std::int32_t>(ahead), dlat).z;
      }
      ObjectNode& node = WriteObject(object, layout, stream, pose, name);
      for (TrackSection& section : layout.sections) ListInLanes(section, node, dlong, false);
    }
  }
}

}  // namespace

std::vector<std::string> TableLines(std::span<const std::uint8_t> bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::uint8_t byte : bytes) {
    if (byte == '\n') {
      if (!line.empty()) lines.push_back(std::move(line));
      line.clear();
    } else if (byte != 0) {
      line.push_back(static_cast<char>(byte));
    } else {
      break;  // the text ends at a zero, as it would in a zero-terminated copy
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

void PlaceTrackside(Object3do& object, TrackLayout& layout, std::string_view folder,
                    GplNodeStream& stream) {
  PlaceStarter(object, layout, folder, stream);
  PlaceFlags(object, layout, folder, stream);
  PlaceFlagLat(object, layout, folder, stream);
  PlaceRows(object, layout, folder, "_TIRES", RowKind::kTyres, stream);
  PlaceRows(object, layout, folder, "_CONES", RowKind::kCones, stream);
  PlaceRows(object, layout, folder, "_HAY", RowKind::kHay, stream);
}

}  // namespace velmora
