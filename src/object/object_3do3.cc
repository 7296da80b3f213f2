// Format 2: the 3DO3 source objects of N2, N3 and NL, read, linked and converted.

#include "format/chunk_file.h"
#include "object/object3do.h"
#include "object/source_object_format.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// Attribute values that GPL spells differently.
std::uint32_t MappedAttributeValue(std::int32_t value) {
  if (value == 29) return 20;
  if (value == 7) return 5;
  if (value == 14) return 3;
  return static_cast<std::uint32_t>(value);
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
  switch (data[at]) {
    case 2: {
      const std::uint64_t type = field(5), n = field(13);
      if (type == 0) return 17 + 4 * n;
      if (type == 3 || type == 5) return 17 + 12 * n;
      return 17 + 8 * n;
    }
    case 3: return 17;
    case 4: case 16: return 9 + 4 * field(5);
    case 5: {
      const std::uint64_t kind = field(9);
      return kind == 5 || kind == 12 ? 21 : 17;
    }
    case 6: return 29;
    case 7: case 11: return 33;
    case 8: return 41;
    case 9: case 10: case 13: case 19: return 37;
    case 12: return 13 + 4 * field(9);
    case 14: return 13;
    case 15: return 21;
    case 17: return 21 + 8 * field(17);
    case 21: return 25;
    default: return 0;
  }
}

int Object3do::Load3do3() {
  std::optional<Chunk> top = ReadChunk(buffer_, 0);
  if (!top) return 0;
  const std::size_t limit = top->payload + top->size;
  std::size_t at = top->payload;
  while (at < limit) {
    const std::size_t start = at;
    std::optional<Chunk> chunk = ReadChunk(buffer_, at, limit);
    if (chunk && chunk->Is(kTagSourceVertices)) {
      ByteReader r(std::span<const std::uint8_t>(buffer_).subspan(chunk->payload, chunk->size));
      for (std::size_t i = 0; i + kVertexEntrySize <= chunk->size; i += kVertexEntrySize) {
        ObjectPoint v;
        v.source_offset = static_cast<std::int64_t>(chunk->payload + i);
        r.U32();
        v.x = r.I32();
        v.y = r.I32();
        v.z = r.I32();
        vertices_.push_back(v);
      }
      at = chunk->End();
      chunk = ReadChunk(buffer_, at, limit);
    }
    if (chunk && chunk->Is(kTagStrings)) {
      strings_ = std::span<const std::uint8_t>(buffer_).subspan(chunk->payload, chunk->size);
      at = chunk->End();
      chunk = ReadChunk(buffer_, at, limit);
    }
    if (chunk && chunk->Is(kTagNormals)) at = chunk->End();
    while (at < limit && buffer_[at] == kChunkPadByte) ++at;
    chunk = ReadChunk(buffer_, at, limit);
    if (chunk && chunk->Is(kTagNodes)) {
      node_data_ = std::span<const std::uint8_t>(buffer_).subspan(chunk->payload, chunk->size);
      source_vertex_count_ = vertices_.size();
      return 2;
    }
    // A chunk the sequence does not know: the file cannot be read past it.
    if (at == start) return 0;
  }
  return 0;
}

// A name in the string table at `offset`; nothing when it starts or runs past the table.
static std::optional<std::string_view> NameAt(std::span<const std::uint8_t> strings,
                                              std::uint32_t offset) {
  if (offset >= strings.size()) return std::nullopt;
  const auto* begin = reinterpret_cast<const char*>(strings.data()) + offset;
  const std::size_t room = strings.size() - offset;
  const void* nul = std::memchr(begin, 0, room);
  if (nul == nullptr) return std::nullopt;
  return std::string_view(begin, static_cast<const char*>(nul) - begin);
}

bool Object3do::BuildTree3do3() {
  if (buffer_.empty() || format_ != 2) return false;
  std::uint32_t at = k3do3FirstRecord;
  while (at < node_data_.size()) {
    const int code = node_data_[at];
    if (code == k3do3StreamEnd) break;
    CountCode(code);
    if (Field(at, 1) != 0) break;  // not a record
    const std::uint64_t length = Record3do3Length(node_data_, at);
    // Only records that lie wholly inside the node data are parsed.
    if (length == 0 || length > node_data_.size() - at) break;
    if (!Parse3do3Record(at, code)) break;
    at += static_cast<std::uint32_t>(length);
  }
  AssignGroupBits(17);
  CollectSections();
  return true;
}

std::int32_t Object3do::SourceVertex(std::uint32_t index) const {
  return index < source_vertex_count_ ? static_cast<std::int32_t>(index) : -1;
}

bool Object3do::Parse3do3Record(std::uint32_t r, int code) {
  auto f = [&](std::size_t n) { return Field(r, n); };
  // Checks that make the record bad come before the node exists.
  switch (code) {
    case 2: {
      const std::uint32_t n = f(13);
      for (std::uint32_t i = 0; i < n; ++i) {
        if (SourceVertex(f(17 + 4 * i)) < 0) return false;
      }
      break;
    }
    case 3:
      if (SourceVertex(f(5)) < 0 || !NameAt(strings_, f(9))) return false;
      break;
    case 5:
      if ((f(9) == 1 || f(9) == 5) && !NameAt(strings_, f(13))) return false;
      break;
    case 14:
      if (!NameAt(strings_, f(5))) return false;
      break;
    case 21:
      if (f(5) == 0 && f(13) == 2 && (SourceVertex(f(17)) < 0 || SourceVertex(f(21)) < 0)) {
        return false;
      }
      break;
    default:
      break;
  }
  if (NodeAt(r) != nullptr) return false;
  ObjectNode& node = NewNode(code, r);
  auto link_or_empty = [&](std::uint32_t child) {
    if (child == kEmptyChild1 || child == kEmptyChild2) {
      node.children.push_back(empty_node_.get());
      ++empty_node_->parent_count;
    } else {
      LinkChild(node, child);
    }
  };
  switch (code) {
    case 2: {
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
        ObjectPoint corner = vertices_[source];
        const std::uint32_t uv = f(17 + 4 * static_cast<std::size_t>(n) + 4 * i);
        corner.u = static_cast<std::int16_t>(uv & 0xFFFF);
        corner.v = static_cast<std::int16_t>(uv >> 16);
        node.points.push_back(static_cast<std::int32_t>(vertices_.size()));
        vertices_.push_back(corner);
      }
      break;
    }
    case 3:
      node.points.push_back(SourceVertex(f(5)));
      node.name_index = AddName(*NameAt(strings_, f(9)), 3);
      break;
    case 4:
      for (std::uint32_t i = 0; i < f(5); ++i) link_or_empty(f(9 + 4 * i));
      break;
    case 5: {
      LinkChild(node, f(5));
      const std::uint32_t kind = f(9);
      if (kind == 1 || kind == 5) node.texture_index = AddName(*NameAt(strings_, f(13)), 2);
      if (kind == 4) node.value = static_cast<std::int32_t>(f(13));
      if (kind == 5) {
        if (!node.children.empty()) node.value = static_cast<std::int32_t>(f(17));
        texture_names_[node.texture_index].value = static_cast<std::int32_t>(f(17));
      }
      break;
    }
    case 6: LinkChild(node, f(25)); break;
    case 7: case 11:
      LinkChild(node, f(25));
      LinkChild(node, f(29));
      break;
    case 8:
      for (std::size_t n = 25; n <= 37; n += 4) LinkChild(node, f(n));
      break;
    case 9:
      for (std::size_t n = 25; n <= 33; n += 4) LinkChild(node, f(n));
      break;
    case 10:
      for (std::size_t n = 25; n <= 33; n += 4) link_or_empty(f(n));
      break;
    case 12: LinkChild(node, f(5)); break;
    case 13: case 19: LinkChild(node, f(33)); break;
    case 14: node.name_index = AddName(*NameAt(strings_, f(5)), 1); break;
    case 16:
      if (f(5) >= 4) track_object_ = true;
      break;
    case 17:
      for (std::uint32_t i = 0; i < f(17); ++i) LinkChild(node, f(25 + 8 * std::size_t{i}));
      break;
    case 21:
      if (f(5) == 0 && f(13) == 2) {
        // A line is drawn as a thin quad: two more vertices beside its ends.
        const std::int32_t a = SourceVertex(f(17)), b = SourceVertex(f(21));
        ObjectPoint a2 = vertices_[a], b2 = vertices_[b];
        for (ObjectPoint* p : {&a2, &b2}) {
          p->x += 2000;
          p->y += 4000;
          p->z -= 100;
        }
        const auto a2_index = static_cast<std::int32_t>(vertices_.size());
        vertices_.push_back(a2);
        vertices_.push_back(b2);
        node.points = {a, a2_index, a2_index + 1, b};
      }
      break;
    default:
      break;
  }
  return true;
}

void Object3do::Write3do3Attribute(ObjectNode& node) {
  if (node.children.empty()) return;
  const ObjectNode& first = *node.children.front();
  if (node.value == 14 && first.value != 14) return;
  node.output_offset = first.output_offset;
  if (track_object_) return;
  const std::uint32_t kind = Field(node.source_offset, 9);
  if (kind != 1 && kind != 4 && kind != 5) return;
  MarkNode(node);
  ByteWriter& o = out();
  o.U32(kOpAttribute);
  o.I32(first.output_offset);
  o.U32(kind);
  if (kind == 4) {
    o.U32(MappedAttributeValue(node.value));
    return;
  }
  o.U32(textures_[node.texture_index].string_offset);
  if (kind == 5) o.U32(MappedAttributeValue(node.value));
}

void Object3do::Write3do3Polygon(ObjectNode& node, bool reverse) {
  if (node.value == 29) return;
  const std::uint32_t type = Field(node.source_offset, 5);
  const bool textured = (type & 1) != 0 && node.texture_index >= 0 &&
                        static_cast<std::size_t>(node.texture_index) < textures_.size();
  const std::uint32_t colour = PaletteColour(Field(node.source_offset, 9) & 0xFF);
  WritePolygon(node, textured, colour, reverse);
  if (track_object_ && textured && node.value >= 0) {
    WriteExtraAttribute(node.output_offset, textures_[node.texture_index].string_offset,
                        node.value >= 256 ? 20 : static_cast<std::uint32_t>(node.value), node);
  }
}

void Object3do::Write3do3Node(ObjectNode& node, bool reverse) {
  const std::uint32_t r = node.source_offset;
  auto f = [&](std::size_t n) { return Field(r, n); };
  auto written = [&](std::size_t n) { return WrittenOffset(f(n)); };
  ByteWriter* o = out_;
  switch (node.code) {
    case 2: Write3do3Polygon(node, reverse); break;
    case 3: {
      const std::uint32_t tagged = f(13);
      const std::int64_t size = (tagged >> 24) == kSpriteSizeTag
                                    ? (tagged & 0xFFFFFF)
                                    : sprite_names_[node.name_index].size;
      MarkNode(node);
      o->U32(kOpwordSprite);
      o->I32(vertices_[node.points[0]].index);
      o->I32(-1);
      o->U32(sprite_names_[node.name_index].string_offset);
      o->F32(static_cast<float>(size / kUnitsPerMetre));
      o->U32(kSpriteTail);
      break;
    }
    case 4: WriteGroup(node); break;
    case 5: Write3do3Attribute(node); break;
    case 6: node.output_offset = written(25); break;
    case 7: case 11: {
      const std::int32_t children[] = {written(25), written(29)};
      WriteSplit(node, static_cast<std::uint32_t>(node.code), children);
      break;
    }
    case 9: case 10: {
      const std::int32_t children[] = {written(25), written(29), written(33)};
      WriteSplit(node, static_cast<std::uint32_t>(node.code), children);
      break;
    }
    case 13: case 19: {
      const std::int32_t words[6] = {
          static_cast<std::int32_t>(f(5)),  static_cast<std::int32_t>(f(9)),
          static_cast<std::int32_t>(f(13)), static_cast<std::int32_t>(f(17)),
          static_cast<std::int32_t>(f(21)), static_cast<std::int32_t>(f(25))};
      const std::int32_t child = written(33);
      MarkNode(node);
      WritePlacement(node.code == 13 ? kOpPlacement : kOpPlacementTrack, words, child);
      break;
    }
    case 14:
      MarkNode(node);
      o->U32(kOpObjectRef);
      o->U32(object_names_[node.name_index].string_offset);
      o->U32(0);
      break;
    case 16: {
      const std::uint32_t n = f(5);
      MarkNode(node);
      o->U32(kOpNumberList);
      o->U32(n);
      for (std::uint32_t i = 0; i < n; ++i) o->U32(f(9 + 4 * std::size_t{i}));
      break;
    }
    case 17:
      WriteLastChildGroup(node);
      break;
    case 21:
      if (track_object_ || f(13) != 2) break;
      if (SourceVertex(f(17)) < 0 || SourceVertex(f(21)) < 0) break;
      MarkNode(node);
      o->U32(kOpwordLine);
      o->U32(PaletteColour(f(9) & 0xFF));
      o->U32(f(17));
      o->U32(f(21));
      break;
    default:  // 8, 12, 15 and records without a GPL node
      break;
  }
}

}  // namespace velmora
