#include "trackside/track_strips.h"

#include <array>
#include <cmath>
#include <optional>

#include "object/gpl_object_format.h"
#include "platform/message_sink.h"
#include "track/racing_lines.h"

namespace velmora {

namespace {

// The records the strip pieces are written from: a textured polygon (3DO3 type 1; untagged code
// 2 with value 0x100) and a flat polygon of colour 47 (3DO3) or 36 (untagged).
constexpr std::array<std::uint8_t, 9> kGroove3do3 = {2, 0, 0, 0, 0, 1, 0, 0, 0};
constexpr std::array<std::uint8_t, 13> kStartLine3do3 = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0x2F, 0, 0, 0};
constexpr std::array<std::uint8_t, 8> kGrooveUntagged = {2, 0, 0, 0x80, 0, 1, 0, 0};
constexpr std::array<std::uint8_t, 12> kStartLineUntagged = {1, 0, 0, 0x80, 36, 0, 0, 0,
                                                             3, 0, 0, 0};

struct Corner {
  std::int64_t dlong = 0;
  std::int64_t dlat = 0;
  std::int16_t u = 0, v = 0;
};

std::int32_t Clamped(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// Makes the piece's four vertices and its plane; nothing (and no vertex) when the corners are
// collinear and so give no plane.
ObjectNode* MakePiece(Object3do& object, TrackLayout& layout, const std::array<Corner, 4>& corners,
                      std::uint32_t record, int code) {
  const TrackGeometry& track = object.track_or_empty();
  std::array<ObjectPoint, 4> points;
  for (std::size_t i = 0; i < 4; ++i) {
    const Point3 p = track.PositionAt(Clamped(corners[i].dlong), Clamped(corners[i].dlat));
    points[i].x = std::trunc(p.x);
    points[i].y = std::trunc(p.y);
    points[i].z = std::trunc(p.z + kStripLift);
    points[i].u = corners[i].u;
    points[i].v = corners[i].v;
  }
  std::optional<ObjectPoint> plane = PlaneThrough(points[0], points[1], points[2]);
  if (!plane) return nullptr;
  ObjectNode& node = layout.NewNode();
  node.code = code;
  node.source_offset = record;
  std::vector<ObjectPoint>& vertices = object.vertices();
  for (const ObjectPoint& p : points) {
    node.points.push_back(static_cast<std::int32_t>(vertices.size()));
    vertices.push_back(p);
  }
  plane->index = static_cast<std::int32_t>(object.planes().size());
  node.plane_index = plane->index;
  object.planes().push_back(*plane);
  return &node;
}

// The texture the groove pieces carry, registered with the first piece laid: a track object
// without a piece names no groove.
class GrooveTexture {
 public:
  explicit GrooveTexture(Object3do& object) : object_(object) {}
  int index() {
    if (index_ < 0) index_ = object_.AddName("groove", static_cast<int>(NameKind::kTexture));
    return index_;
  }

 private:
  Object3do& object_;
  int index_ = -1;
};

void LayLaneGroove(Object3do& object, TrackLayout& layout, TrackLane& lane, int k,
                   const GrooveLine& line, std::uint32_t record, GrooveTexture& texture) {
  const double length = static_cast<double>(lane.end) - static_cast<double>(lane.start);
  std::int64_t n = 1;
  if (k < 4 && lane.end > lane.start) {
    n = std::max<std::int64_t>(1, static_cast<std::int64_t>(length / (kUnitsPerMetre *
                                                                        kGroovePieceMetres)));
  }
  const double s = length / static_cast<double>(n);
  const double w = kUnitsPerMetre * kGrooveScale;
  for (std::int64_t i = 0; i < n; ++i) {
    const auto d0 = static_cast<std::int64_t>(std::trunc(lane.start + static_cast<double>(i) * s));
    const auto d1 = static_cast<std::int64_t>(std::trunc(static_cast<double>(d0) + s));
    const double g0 = line.dlat_metres(Clamped(d0)) * w;
    const double g1 = line.dlat_metres(Clamped(d1)) * w;
    const auto t0 = static_cast<std::int64_t>(std::trunc(static_cast<double>(d0) * 0.0005)) & 63;
    const std::int64_t t1 =
        t0 + static_cast<std::int64_t>(std::trunc(static_cast<double>(d1 - d0) * 0.0005));
    auto lateral = [](double g, double side) { return static_cast<std::int64_t>(std::trunc(g + side)); };
    const std::array<Corner, 4> corners = {
        Corner{d0, lateral(g0, -kGrooveHalfWidth), 0, static_cast<std::int16_t>(t0)},
        Corner{d1, lateral(g1, -kGrooveHalfWidth), 0, static_cast<std::int16_t>(t1)},
        Corner{d1, lateral(g1, kGrooveHalfWidth), 128, static_cast<std::int16_t>(t1)},
        Corner{d0, lateral(g0, kGrooveHalfWidth), 128, static_cast<std::int16_t>(t0)}};
    ObjectNode* piece = MakePiece(object, layout, corners, record, 2);
    if (piece == nullptr) continue;
    const auto b0 = static_cast<std::int64_t>(std::trunc(line.braking(Clamped(d0)) * 160.0 + 32.0));
    const auto b1 = static_cast<std::int64_t>(std::trunc(line.braking(Clamped(d1)) * 10.0 + 2.0));
    piece->value = static_cast<std::int32_t>(0x100 + (b0 & 0xF0) + b1);
    piece->texture_index = texture.index();
    lane.contents.push_back(piece);
  }
}

}  // namespace

void LayGrooveStrips(Object3do& object, TrackLayout& layout, const GrooveLine& line,
                     int format_mode) {
  const std::uint32_t record =
      format_mode == 2 ? object.AddSyntheticRecord(kGroove3do3)
                       : object.AddSyntheticRecord(kGrooveUntagged);
  GrooveTexture texture(object);
  for (TrackSection& section : layout.sections) {
    for (int k = 0; k < kLaneCount; ++k) {
      if (section.TakesPart(k)) {
        LayLaneGroove(object, layout, section.lanes[k], k, line, record, texture);
      }
    }
  }
}

void LayGrooves(Object3do& object, TrackLayout& layout, const std::filesystem::path& folder,
                int format_mode) {
  RacingLines lines;
  // Missing or damaged line files leave the lines empty, and the strips run along the
  // reference line; they are laid without a word, whatever the lines say.
  lines.LoadLines(folder).IgnoreError();
  LayGrooves(object, layout, lines, format_mode);
}

void LayGrooves(Object3do& object, TrackLayout& layout, RacingLines& lines,
                int format_mode) {
  const GrooveLine line{[&](std::int32_t d) { return lines.GrooveDlatAt(d); },
                        [&](std::int32_t d) { return lines.BrakingAt(d); }};
  LayGrooveStrips(object, layout, line, format_mode);
}

void LayStartLine(Object3do& object, TrackLayout& layout) {
  if (layout.sections.empty() || object.track() == nullptr) return;
  const bool is3do3 = object.source_format() == SourceFormat::k3do3;
  const std::uint32_t record = is3do3 ? object.AddSyntheticRecord(kStartLine3do3)
                                      : object.AddSyntheticRecord(kStartLineUntagged);
  const int code = is3do3 ? 2 : 1;
  for (int k : {0, 4, 6}) {
    SectionRecord first;
    std::vector<SurfaceEntry> entries;
    if (!object.track()->SectionSurfaces(0, first, entries, false) || entries.size() < 2) return;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
      if (entries[i].code < kStartLineCode) continue;
      const std::int64_t a = entries[i].start, b = entries[i + 1].start;
      const std::array<Corner, 4> corners = {Corner{0, a}, Corner{19685, a}, Corner{19685, b},
                                             Corner{0, b}};
      ObjectNode* piece = MakePiece(object, layout, corners, record, code);
      if (piece != nullptr) layout.sections.front().lanes[k].contents.push_back(piece);
    }
  }
}

}  // namespace velmora
