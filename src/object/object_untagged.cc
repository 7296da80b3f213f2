// Format 1: the untagged source objects of CART/ICR2, read, linked and converted.

#include <cstdlib>
#include <cstring>

#include "object/object3do.h"
#include "object/source_object_format.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// Texture attribute values that GPL spells differently.
std::uint32_t MappedTextureValue(std::int32_t value) {
  switch (value) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 32: return 5;
    case 64: return 11;
    default: return 3;
  }
}

// Words a record of each code needs, beyond counted lists.
std::size_t FixedWords(int code) {
  switch (code) {
    case 1: return 3;
    case 2: return 4;
    case 3: case 4: return 4;
    case 5: return 7;
    case 6: case 10: return 8;
    case 7: case 8: return 9;
    case 9: return 10;
    case 11: case 16: return 2;
    case 13: return 6;
    case 15: return 8;
    case 17: return 5;
    default: return 1;
  }
}

}  // namespace

int Object3do::LoadUntagged() {
  ByteReader r(buffer_);
  for (std::uint32_t& word : header_words_) word = r.U32();
  if (!r.ok()) return 0;
  const std::uint64_t counts[3] = {header_words_[2], header_words_[3], header_words_[4]};
  const std::uint64_t names = counts[0] + counts[1] + counts[2];
  if (names > (buffer_.size() - kUntaggedHeaderSize) / kUntaggedNameSize) return 0;
  std::vector<NameRecord>* lists[3] = {&texture_names_, &sprite_names_, &object_names_};
  for (int k = 0; k < 3; ++k) {
    lists[k]->reserve(counts[k]);
    for (std::uint64_t i = 0; i < counts[k]; ++i) {
      std::span<const std::uint8_t> raw = r.Bytes(kUntaggedNameSize);
      NameRecord record;
      const auto* text = reinterpret_cast<const char*>(raw.data());
      record.name.assign(text, strnlen(text, kUntaggedNameSize));
      lists[k]->push_back(std::move(record));
    }
  }
  const std::size_t start = r.position();
  const std::size_t length = std::min<std::size_t>(header_words_[0], buffer_.size() - start);
  node_data_ = std::span<const std::uint8_t>(buffer_).subspan(start, length);
  return 1;
}

bool Object3do::BuildTreeUntagged() {
  if (buffer_.empty() || format_ != 1) return false;
  for (std::uint32_t at = 0; at + 4 <= node_data_.size(); at += 4) {
    const std::uint32_t word = Field(at, 0);
    if ((word & kUntaggedMarkerMask) != kUntaggedMarker) continue;
    const int code = static_cast<int>(word & 0xFF);
    if (code == 0 || code == 14 || code > 17) continue;
    if (!ParseUntaggedRecord(at, code)) break;
    CountCode(code);
  }
  AssignGroupBits(13);
  CollectSections();
  return true;
}

std::int32_t Object3do::UntaggedVertex(std::uint32_t offset, bool /*with_uv*/) {
  auto it = vertex_by_offset_.find(offset);
  if (it != vertex_by_offset_.end()) return it->second;
  if (std::uint64_t{offset} + kUntaggedVertexSize > node_data_.size()) return -1;
  ObjectPoint v;
  v.source_offset = offset;
  v.x = static_cast<std::int32_t>(Field(offset, 4));
  v.y = static_cast<std::int32_t>(Field(offset, 8));
  v.z = static_cast<std::int32_t>(Field(offset, 12));
  const std::uint32_t uv = Field(offset, 16);
  v.u = static_cast<std::int16_t>(uv & 0xFFFF);
  v.v = static_cast<std::int16_t>(uv >> 16);
  const auto index = static_cast<std::int32_t>(vertices_.size());
  vertices_.push_back(v);
  vertex_by_offset_.emplace(offset, index);
  return index;
}

bool Object3do::LinkMarked(ObjectNode& parent, std::uint32_t child, bool group) {
  const bool marked = std::uint64_t{child} + 4 <= node_data_.size() &&
                      (Field(child, 0) & kUntaggedMarkerMask) == kUntaggedMarker;
  if (marked) {
    LinkChild(parent, child);
  } else if (group) {
    // A group keeps a child that is no record, as a node that writes nothing.
    ObjectNode* node = NodeAt(child);
    if (node == nullptr) node = &NewNode(0, child, false);
    parent.children.push_back(node);
    ++node->parent_count;
  }
  return marked;
}

bool Object3do::ParseUntaggedRecord(std::uint32_t at, int code) {
  auto w = [&](std::size_t n) { return Field(at, 4 * n); };
  const std::uint64_t room = (node_data_.size() - at) / 4;  // words from the marker on
  std::uint64_t words = FixedWords(code);
  if (code == 1) words += std::uint64_t{w(2)} + 1;
  if (code == 2) words += std::uint64_t{w(3)} + 1;
  if (code == 11) words += w(1);
  if (words > room) return false;
  if (code == 4 && w(1) >= texture_names_.size()) return false;
  if (NodeAt(at) != nullptr) return false;
  std::vector<std::int32_t> points;
  if (code == 1 || code == 2) {
    const std::size_t first = code == 1 ? 3 : 4;
    const std::uint64_t n = std::uint64_t{w(first - 1)} + 1;
    points.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::int32_t v = UntaggedVertex(w(first + i), code == 2);
      if (v < 0) return false;
      points.push_back(v);
    }
  } else if (code == 3 || code == 13) {
    const std::int32_t v = UntaggedVertex(w(1), false);
    if (v < 0) return false;
    points.push_back(v);
  }
  ObjectNode* previous = nodes_.empty() ? nullptr : nodes_.back().get();
  ObjectNode& node = NewNode(code, at);
  node.points = std::move(points);
  auto link = [&](std::size_t n, bool zero_is_none) {
    if (zero_is_none && w(n) == 0) return;
    LinkMarked(node, w(n), false);
  };
  switch (code) {
    case 2:
      if (w(1) != 0) node.value = static_cast<std::int32_t>(w(1));
      break;
    case 4:
      node.texture_index = static_cast<std::int32_t>(w(1));
      link(3, false);
      break;
    case 5: link(6, false); break;
    case 6: case 10:
      link(6, true);
      link(7, true);
      break;
    case 7:
      for (std::size_t n = 6; n <= 8; ++n) link(n, true);
      break;
    case 8:
      for (std::size_t n = 6; n <= 8; ++n) link(n, false);
      break;
    case 9:
      for (std::size_t n = 6; n <= 9; ++n) link(n, true);
      break;
    case 11:
      for (std::uint32_t i = 0; i < w(1); ++i) LinkMarked(node, w(2 + std::size_t{i}), true);
      break;
    case 13:
      link(3, false);
      link(5, false);
      break;
    case 16: link(1, false); break;
    case 17:
      track_object_ = true;
      if (previous != nullptr) previous->list_head = &node;
      break;
    default:  // 1, 3, 12, 15: no children
      break;
  }
  return true;
}

std::uint32_t Object3do::UntaggedColour(std::uint32_t word) const {
  if (word < 256 && palette_ != nullptr) return PaletteColour(static_cast<std::uint8_t>(word));
  return ColourWord(static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 8),
                    static_cast<std::uint8_t>(word));
}

void Object3do::WriteUntaggedNode(ObjectNode& node, bool reverse) {
  const std::uint32_t r = node.source_offset;
  auto w = [&](std::size_t n) { return Field(r, 4 * n); };
  // A child word of 0 names no child in the splits that allow it.
  auto written = [&](std::size_t n, bool zero_is_none) {
    return zero_is_none && w(n) == 0 ? kNoNode : WrittenOffset(w(n));
  };
  ByteWriter* o = out_;
  switch (node.code) {
    case 1: {
      WritePolygon(node, false, UntaggedColour(w(1)), reverse);
      if (is_track_object() && node.plane_index > 0 && !node.section_flag) {
        const std::int32_t polygon = node.output_offset;
        node.output_offset = MarkExtraNode();
        o->U32(kOpPlaneGuard);
        o->I32(node.plane_index);
        o->I32(polygon);
      }
      break;
    }
    case 2: {
      const bool textured = node.texture_index >= 0 &&
                            static_cast<std::size_t>(node.texture_index) < textures_.size();
      WritePolygon(node, textured, PaletteColour(w(2) & 0xFF), reverse);
      if (textured && node.value >= 256) {
        WriteExtraAttribute(node.output_offset, textures_[node.texture_index].string_offset, 20,
                            node);
      }
      break;
    }
    case 3: {
      if (w(3) >= sprite_names_.size()) break;
      const NameRecord& sprite = sprite_names_[w(3)];
      const double size = sprite.width != 0 ? static_cast<std::int32_t>(w(2)) * sprite.height *
                                                  1.3 / (sprite.width * kUnitsPerMetre)
                                            : 0.0;
      MarkNode(node);
      o->U32(kOpwordSprite);
      o->I32(vertices_[node.points[0]].index);
      o->I32(-1);
      o->U32(sprite.string_offset);
      o->F32(static_cast<float>(size));
      o->U32(kSpriteTail);
      break;
    }
    case 4: {
      if (node.children.size() != 1) break;
      const NameRecord& texture = textures_[w(1)];
      const std::int32_t child = node.children.front()->output_offset;
      MarkNode(node);
      o->U32(kOpAttribute);
      o->I32(child);
      o->U32(5);
      o->U32(texture.string_offset);
      o->U32(MappedTextureValue(texture.value));
      break;
    }
    case 5: node.output_offset = written(6, false); break;
    case 6: case 10: {
      const std::int32_t children[] = {written(6, true), written(7, true)};
      WriteSplit(node, node.code == 6 ? kOpSplit2 : kOpSplit2Track, children);
      break;
    }
    case 7: case 8: {
      const bool zero = node.code == 7;
      const std::int32_t children[] = {written(6, zero), written(8, zero), written(7, zero)};
      WriteSplit(node, node.code == 7 ? kOpSplit3 : kOpSplit3Track, children);
      break;
    }
    case 9: {
      const std::int32_t children[] = {written(7, true), written(8, true), written(9, true)};
      WriteSplit(node, kOpSplit3Track, children);
      break;
    }
    case 11: WriteGroup(node); break;
    case 13:
      WriteLastChildGroup(node);
      break;
    case 15: {
      const std::int64_t number = std::llabs(static_cast<std::int64_t>(
                                      static_cast<std::int32_t>(w(7)))) - 1;
      if (number < 0 || static_cast<std::uint64_t>(number) >= object_names_.size()) break;
      const std::int32_t reference = MarkExtraNode();
      o->U32(kOpObjectRef);
      o->U32(object_names_[number].string_offset);
      o->U32(0);
      std::int32_t words[6];
      for (int i = 0; i < 6; ++i) words[i] = static_cast<std::int32_t>(w(1 + i));
      MarkNode(node);
      WritePlacement(kOpPlacement, words, reference);
      break;
    }
    case 17:
      MarkNode(node);
      o->U32(kOpNumberList);
      o->U32(4);
      for (std::size_t n = 1; n <= 4; ++n) o->U32(w(n));
      break;
    default:  // 12, 16 and nodes without a record
      break;
  }
}

}  // namespace velmora
