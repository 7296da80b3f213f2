// The reader of the 3DO3 source objects of N2, N3 and NL.

#include <cstring>
#include <optional>
#include <string_view>

#include "format/chunk_file.h"
#include "object/source_object_format.h"
#include "object/source_object_readers.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// A name in the string table at `offset`; nothing when it starts or runs past the table.
std::optional<std::string_view> NameAt(std::span<const std::uint8_t> strings,
                                       std::uint32_t offset) {
  if (offset >= strings.size()) return std::nullopt;
  const auto* begin = reinterpret_cast<const char*>(strings.data()) + offset;
  const std::size_t room = strings.size() - offset;
  const void* nul = std::memchr(begin, 0, room);
  if (nul == nullptr) return std::nullopt;
  return std::string_view(begin, static_cast<const char*>(nul) - begin);
}

}  // namespace

std::uint64_t Record3do3Length(std::span<const std::uint8_t> data, std::size_t at) {
  auto field = [&](std::size_t n) -> std::uint64_t {
    if (at > data.size()) return 0;
    ByteReader r(data.subspan(at));
    r.Skip(n);
    const std::uint32_t value = r.U32();
    return r.ok() ? value : 0xFFFFFFFFull;  // an overlong length: refused by the caller
  };
  if (at >= data.size()) return 0;
  switch (static_cast<Code3do3>(data[at])) {
    case Code3do3::kPolygon: {
      const std::uint64_t type = field(5), n = field(13);
      if (type == 0) return 17 + 4 * n;
      if (type == 3 || type == 5) return 17 + 12 * n;
      return 17 + 8 * n;
    }
    case Code3do3::kSprite: return 17;
    case Code3do3::kGroup: case Code3do3::kNumberList: return 9 + 4 * field(5);
    case Code3do3::kAttribute: {
      const std::uint64_t kind = field(9);
      return kind == 5 || kind == 12 ? 21 : 17;
    }
    case Code3do3::kPlaneGuard: return 29;
    case Code3do3::kSplit2: case Code3do3::kSplit2Track: return 33;
    case Code3do3::kSplit4: return 41;
    case Code3do3::kSplit3: case Code3do3::kSplit3Track: case Code3do3::kPlacement:
    case Code3do3::kPlacementTrack:
      return 37;
    case Code3do3::kSingleChild: return 13 + 4 * field(9);
    case Code3do3::kObjectRef: return 13;
    case Code3do3::kIgnored: return 21;
    case Code3do3::kSectionGroup: return 21 + 8 * field(17);
    case Code3do3::kLine: return 25;
  }
  return 0;
}

Status Reader3do3::Load() {
  Object3do& o = object_;
  const std::span<const std::uint8_t> bytes(o.buffer_);
  Result<Chunk> top = ReadChunk(o.buffer_, 0);
  if (!top) return Status::Corruption("3DO3 object without its chunk header");
  o.source_size_ = top->size;
  const std::size_t limit = top->payload + top->size;
  std::size_t at = top->payload;
  while (at < limit) {
    const std::size_t start = at;
    Result<Chunk> chunk = ReadChunk(o.buffer_, at, limit);
    if (chunk && chunk->Is(kTagSourceVertices)) {
      ByteReader r(bytes.subspan(chunk->payload, chunk->size));
      for (std::size_t i = 0; i + kVertexEntrySize <= chunk->size; i += kVertexEntrySize) {
        ObjectPoint v;
        v.source_offset = static_cast<std::int64_t>(chunk->payload + i);
        r.U32();
        v.x = r.I32();
        v.y = r.I32();
        v.z = r.I32();
        o.vertices_.push_back(v);
      }
      at = chunk->End();
      chunk = ReadChunk(o.buffer_, at, limit);
    }
    if (chunk && chunk->Is(kTagStrings)) {
      o.strings_ = bytes.subspan(chunk->payload, chunk->size);
      at = chunk->End();
      chunk = ReadChunk(o.buffer_, at, limit);
    }
    if (chunk && chunk->Is(kTagNormals)) at = chunk->End();
    while (at < limit && o.buffer_[at] == kChunkPadByte) ++at;
    chunk = ReadChunk(o.buffer_, at, limit);
    if (chunk && chunk->Is(kTagNodes)) {
      o.node_data_ = bytes.subspan(chunk->payload, chunk->size);
      o.source_vertex_count_ = o.vertices_.size();
      return Status::Ok();
    }
    // A chunk the sequence does not know: the file cannot be read past it.
    if (at == start) {
      return Status::Corruption("3DO3 object: unknown chunk at " + std::to_string(at));
    }
  }
  return Status::Corruption("3DO3 object without node data");
}

void Reader3do3::Link() {
  Object3do& o = object_;
  std::uint32_t at = k3do3FirstRecord;
  while (at < o.node_data_.size()) {
    const int code = o.node_data_[at];
    if (code == k3do3StreamEnd) break;
    o.CountCode(code);
    if (o.Field(at, 1) != 0) break;  // not a record
    const std::uint64_t length = Record3do3Length(o.node_data_, at);
    // Only records that lie wholly inside the node data are parsed.
    if (length == 0 || length > o.node_data_.size() - at) break;
    if (!CheckRecord(at, static_cast<Code3do3>(code)) || o.NodeAt(at) != nullptr) break;
    ParseRecord(at, static_cast<Code3do3>(code));
    at += static_cast<std::uint32_t>(length);
  }
}

std::int32_t Reader3do3::SourceVertex(std::uint32_t index) const {
  return index < object_.source_vertex_count_ ? static_cast<std::int32_t>(index) : -1;
}

// The checks that make a record bad, before its node exists.
bool Reader3do3::CheckRecord(std::uint32_t r, Code3do3 code) const {
  auto f = [&](std::size_t n) { return object_.Field(r, n); };
  const std::span<const std::uint8_t> strings = object_.strings_;
  switch (code) {
    case Code3do3::kPolygon:
      for (std::uint32_t i = 0; i < f(13); ++i) {
        if (SourceVertex(f(17 + 4 * i)) < 0) return false;
      }
      return true;
    case Code3do3::kSprite: return SourceVertex(f(5)) >= 0 && NameAt(strings, f(9));
    case Code3do3::kAttribute:
      return !((f(9) == 1 || f(9) == 5) && !NameAt(strings, f(13)));
    case Code3do3::kObjectRef: return NameAt(strings, f(5)).has_value();
    case Code3do3::kLine:
      return !(f(5) == 0 && f(13) == 2 && (SourceVertex(f(17)) < 0 || SourceVertex(f(21)) < 0));
    default: return true;
  }
}

void Reader3do3::LinkOrEmpty(ObjectNode& node, std::uint32_t child) {
  if (child == kEmptyChild1 || child == kEmptyChild2) {
    object_.LinkEmpty(node);
  } else {
    object_.LinkChild(node, child);
  }
}

void Reader3do3::ParsePolygon(ObjectNode& node, std::uint32_t r) {
  auto f = [&](std::size_t n) { return object_.Field(r, n); };
  std::vector<ObjectPoint>& vertices = object_.vertices_;
  const std::uint32_t type = f(5), n = f(13);
  node.textured = type != 0 && type != 2;
  node.points.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::int32_t source = SourceVertex(f(17 + 4 * i));
    if (!node.textured) {
      node.points.push_back(source);
      continue;
    }
    // Each corner of a textured polygon is its own vertex, carrying its texels.
    ObjectPoint corner = vertices[source];
    const std::uint32_t uv = f(17 + 4 * static_cast<std::size_t>(n) + 4 * i);
    corner.u = static_cast<std::int16_t>(uv & 0xFFFF);
    corner.v = static_cast<std::int16_t>(uv >> 16);
    node.points.push_back(static_cast<std::int32_t>(vertices.size()));
    vertices.push_back(corner);
  }
}

void Reader3do3::ParseAttribute(ObjectNode& node, std::uint32_t r) {
  auto f = [&](std::size_t n) { return object_.Field(r, n); };
  object_.LinkChild(node, f(5));
  const std::uint32_t kind = f(9);
  if (kind == 1 || kind == 5) {
    node.texture_index = object_.AddName(*NameAt(object_.strings_, f(13)), 2);
  }
  if (kind == 4) node.value = static_cast<std::int32_t>(f(13));
  if (kind == 5) {
    if (!node.children.empty()) node.value = static_cast<std::int32_t>(f(17));
    object_.texture_names_[node.texture_index].value = static_cast<std::int32_t>(f(17));
  }
}

void Reader3do3::ParseLine(ObjectNode& node, std::uint32_t r) {
  auto f = [&](std::size_t n) { return object_.Field(r, n); };
  if (f(5) != 0 || f(13) != 2) return;
  // A line is drawn as a thin quad: two more vertices beside its ends.
  std::vector<ObjectPoint>& vertices = object_.vertices_;
  const std::int32_t a = SourceVertex(f(17)), b = SourceVertex(f(21));
  ObjectPoint a2 = vertices[a], b2 = vertices[b];
  for (ObjectPoint* p : {&a2, &b2}) {
    p->x += 2000;
    p->y += 4000;
    p->z -= 100;
  }
  const auto a2_index = static_cast<std::int32_t>(vertices.size());
  vertices.push_back(a2);
  vertices.push_back(b2);
  node.points = {a, a2_index, a2_index + 1, b};
}

void Reader3do3::ParseRecord(std::uint32_t r, Code3do3 code) {
  auto f = [&](std::size_t n) { return object_.Field(r, n); };
  ObjectNode& node = object_.NewNode(static_cast<int>(code), r);
  switch (code) {
    case Code3do3::kPolygon: ParsePolygon(node, r); break;
    case Code3do3::kSprite:
      node.points.push_back(SourceVertex(f(5)));
      node.name_index = object_.AddName(*NameAt(object_.strings_, f(9)), 3);
      break;
    case Code3do3::kGroup:
      for (std::uint32_t i = 0; i < f(5); ++i) LinkOrEmpty(node, f(9 + 4 * i));
      break;
    case Code3do3::kAttribute: ParseAttribute(node, r); break;
    case Code3do3::kPlaneGuard: object_.LinkChild(node, f(25)); break;
    case Code3do3::kSplit2: case Code3do3::kSplit2Track:
      object_.LinkChild(node, f(25));
      object_.LinkChild(node, f(29));
      break;
    case Code3do3::kSplit4:
      for (std::size_t n = 25; n <= 37; n += 4) object_.LinkChild(node, f(n));
      break;
    case Code3do3::kSplit3:
      for (std::size_t n = 25; n <= 33; n += 4) object_.LinkChild(node, f(n));
      break;
    case Code3do3::kSplit3Track:
      for (std::size_t n = 25; n <= 33; n += 4) LinkOrEmpty(node, f(n));
      break;
    case Code3do3::kSingleChild: object_.LinkChild(node, f(5)); break;
    case Code3do3::kPlacement: case Code3do3::kPlacementTrack:
      object_.LinkChild(node, f(33));
      break;
    case Code3do3::kObjectRef:
      node.name_index = object_.AddName(*NameAt(object_.strings_, f(5)), 1);
      break;
    case Code3do3::kNumberList:
      if (f(5) >= 4) object_.track_object_ = true;
      break;
    case Code3do3::kSectionGroup:
      for (std::uint32_t i = 0; i < f(17); ++i) {
        object_.LinkChild(node, f(25 + 8 * std::size_t{i}));
      }
      break;
    case Code3do3::kLine: ParseLine(node, r); break;
    case Code3do3::kIgnored: break;
  }
}

}  // namespace velmora
