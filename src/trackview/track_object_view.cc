#include "trackview/track_object_view.h"

#include <bit>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "format/chunk_file.h"
#include "platform/ascii.h"
#include "platform/byte_reader.h"
// The structural walk of GPL objects: it checks every chunk, node length and reference, so
// the reading below only looks up what the walk has already found in bounds.
#include "object/gpl_object_check.h"

namespace velmora {

namespace {

constexpr std::uint32_t kGroupOpcode = 4;
constexpr std::uint32_t kAttributeOpcode = 5;
constexpr std::uint32_t kSectionOpcode = 15;
constexpr std::uint32_t kNumberListOpcode = 16;
constexpr std::uint32_t kPlacementOpcode = 19;
constexpr std::uint32_t kObjectReferenceOpcode = 14;
constexpr std::uint32_t kFlatPolygonOpcode = 27;
constexpr std::uint32_t kTexturedPolygonOpcode = 31;
constexpr std::uint32_t kShadedPolygonOpcode = 32;
constexpr std::uint32_t kFixedTableWords = 240;
constexpr std::uint32_t kTextureAttributeKinds[] = {1, 5};

// The tables and node stream of one 3DO4 file, with its nodes indexed by offset.
class ObjectTables {
 public:
  bool Read(std::span<const std::uint8_t> bytes, const GplObjectOutline& walk) {
    for (std::size_t at = kChunkHeaderSize; at < bytes.size();) {
      Result<Chunk> chunk = ReadChunk(bytes, at);
      if (!chunk) return false;
      const std::span<const std::uint8_t> payload = bytes.subspan(chunk->payload, chunk->size);
      if (chunk->Is("SZYX")) vertices_ = payload;
      if (chunk->Is("NALP")) planes_ = payload;
      if (chunk->Is("NRTS")) strings_ = payload;
      if (chunk->Is("MIRP")) prim_ = payload;
      at = chunk->End();
    }
    for (std::size_t i = 0; i < walk.node_offsets.size(); ++i) {
      opcode_at_.emplace(walk.node_offsets[i], walk.opcodes[i] & 0xFF);
    }
    return prim_.size() >= 4;
  }

  // Word `k` of the node at `offset` (0 when outside the stream).
  std::uint32_t Word(std::uint32_t offset, std::size_t k) const {
    ByteReader reader(prim_);
    reader.Seek(offset + 4 * k);
    return reader.U32();
  }
  float Float(std::uint32_t offset, std::size_t k) const {
    return std::bit_cast<float>(Word(offset, k));
  }
  // The opcode of the node at `offset`, or 0 when no node starts there.
  std::uint32_t OpcodeAt(std::uint32_t offset) const {
    const auto it = opcode_at_.find(offset);
    return it == opcode_at_.end() ? 0 : it->second;
  }
  std::uint32_t root() const { return Word(0, 0); }

  std::optional<GroundPoint> Vertex(std::uint32_t index) const {
    ByteReader reader(vertices_);
    reader.Seek(static_cast<std::size_t>(index) * 16 + 4);
    const float x = reader.F32();
    const float y = reader.F32();
    if (!reader.ok() || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return GroundPoint{x, y};
  }
  std::optional<CutPlane> Plane(std::uint32_t index) const {
    ByteReader reader(planes_);
    reader.Seek(static_cast<std::size_t>(index) * 16);
    const float nx = reader.F32();
    const float ny = reader.F32();
    reader.Skip(4);
    const float d = reader.F32();
    if (!reader.ok() || !std::isfinite(nx) || !std::isfinite(ny) || !std::isfinite(d)) {
      return std::nullopt;
    }
    return CutPlane{nx, ny, d};
  }
  std::string_view String(std::uint32_t offset) const {
    if (offset >= strings_.size()) return {};
    const auto* start = reinterpret_cast<const char*>(strings_.data()) + offset;
    std::size_t length = 0;
    while (offset + length < strings_.size() && start[length] != '\0') ++length;
    return {start, length};
  }
  const std::unordered_map<std::uint32_t, std::uint32_t>& nodes() const { return opcode_at_; }

 private:
  std::span<const std::uint8_t> vertices_, planes_, strings_, prim_;
  std::unordered_map<std::uint32_t, std::uint32_t> opcode_at_;  // node offset -> opcode
};

bool IsTrackObject(const ObjectTables& tables) {
  const std::uint32_t root = tables.root();
  if (tables.OpcodeAt(root) != kGroupOpcode || tables.Word(root, 1) != 2) return false;
  const std::uint32_t table = tables.Word(root, 3);
  return tables.OpcodeAt(table) == kNumberListOpcode && tables.Word(table, 1) == kFixedTableWords;
}

std::vector<GroundPoint> PolygonPoints(const ObjectTables& tables, std::uint32_t node) {
  const std::uint32_t opcode = tables.OpcodeAt(node);
  std::vector<GroundPoint> points;
  std::size_t count = 0;
  std::size_t first_index = 0;
  if (opcode == kFlatPolygonOpcode) {
    count = tables.Word(node, 2);
    first_index = 3;
  } else if (opcode == kTexturedPolygonOpcode || opcode == kShadedPolygonOpcode) {
    count = tables.Word(node, 3);
    first_index = 4 + 2 * count;
  }
  if (count > 64) return {};  // a strip piece has four corners; far more is no strip
  for (std::size_t k = 0; k < count; ++k) {
    std::optional<GroundPoint> point = tables.Vertex(tables.Word(node, first_index + k));
    if (!point) return {};
    points.push_back(*point);
  }
  return points;
}

void ReadNode(const ObjectTables& tables, std::uint32_t node, std::uint32_t opcode,
              std::unordered_set<std::uint32_t>& planes_seen, TrackObjectView& view) {
  if (opcode == kSectionOpcode) {
    for (std::size_t word : {1, 5}) {  // cut planes a and b
      const std::uint32_t index = tables.Word(node, word);
      std::optional<CutPlane> plane = tables.Plane(index);
      if (plane && planes_seen.insert(index).second) view.cuts.push_back(*plane);
    }
  } else if (opcode == kPlacementOpcode) {
    const std::uint32_t child = tables.Word(node, 8);
    const GroundPoint at{tables.Float(node, 1), tables.Float(node, 2)};
    if (tables.OpcodeAt(child) == kObjectReferenceOpcode && std::isfinite(at.x) &&
        std::isfinite(at.y)) {
      view.placed.push_back({AsciiLower(tables.String(tables.Word(child, 1))), at});
    }
  } else if (opcode == kAttributeOpcode) {
    const std::uint32_t kind = tables.Word(node, 2);
    bool texture = false;
    for (std::uint32_t k : kTextureAttributeKinds) texture = texture || kind == k;
    if (texture && EqualsIgnoreCase(tables.String(tables.Word(node, 3)), "groove")) {
      std::vector<GroundPoint> points = PolygonPoints(tables, tables.Word(node, 1));
      if (!points.empty()) view.grooves.push_back(std::move(points));
    }
  } else if (opcode == kFlatPolygonOpcode) {
    std::vector<GroundPoint> points = PolygonPoints(tables, node);
    if (points.size() == 4) view.flat_quads.push_back({points[0], points[1], points[2], points[3]});
  }
}

}  // namespace

bool HasTrackObjectRoot(std::span<const std::uint8_t> bytes, const GplObjectOutline& outline) {
  ObjectTables tables;
  return tables.Read(bytes, outline) && IsTrackObject(tables);
}

std::optional<TrackObjectView> ReadTrackObject(std::span<const std::uint8_t> bytes) {
  Result<GplObjectOutline> checked = CheckGplObject(bytes);
  if (!checked.ok()) return std::nullopt;
  const GplObjectOutline& walk = *checked;
  ObjectTables tables;
  if (!tables.Read(bytes, walk) || !IsTrackObject(tables)) return std::nullopt;
  TrackObjectView view;
  std::unordered_set<std::uint32_t> planes_seen;
  // In stream order, so that the view lists things in the order they were written.
  for (std::uint32_t offset : walk.node_offsets) {
    ReadNode(tables, offset, tables.OpcodeAt(offset), planes_seen, view);
  }
  return view;
}

}  // namespace velmora
