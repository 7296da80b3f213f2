// How the records of untagged objects become GPL nodes.

#include <cstdlib>

#include "object/source_node_writers.h"
#include "object/source_object_format.h"

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

// A colour word is a palette index below 256 (when there is a palette), else the colour itself.
std::uint32_t UntaggedColour(const Object3do& object, std::uint32_t word) {
  if (word < 256 && object.palette() != nullptr) {
    return object.PaletteColour(static_cast<std::uint8_t>(word));
  }
  return ColourWord(static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 8),
                    static_cast<std::uint8_t>(word));
}

void WriteFlatPolygon(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  stream.WritePolygon(node, false, UntaggedColour(object, object.Field(node.source_offset, 4)));
  if (object.is_track_object() && node.plane_index > 0 && !node.section_flag) {
    const std::int32_t polygon = node.output_offset;
    node.output_offset = stream.MarkUnowned();
    stream.out().U32(kOpPlaneGuard);
    stream.out().I32(node.plane_index);
    stream.out().I32(polygon);
  }
}

void WritePolygon(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  const bool textured = node.texture_index >= 0 &&
                        static_cast<std::size_t>(node.texture_index) < object.textures().size();
  stream.WritePolygon(node, textured,
                      object.PaletteColour(object.Field(node.source_offset, 8) & 0xFF));
  if (textured && node.value >= 256) {
    stream.WriteFollowingAttribute(node, object.textures()[node.texture_index].string_offset, 20);
  }
}

void WriteSprite(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  const std::uint32_t number = object.Field(node.source_offset, 12);
  const std::vector<NameRecord>& sprites = object.names(NameKind::kSprite);
  if (number >= sprites.size()) return;
  const NameRecord& sprite = sprites[number];
  const auto words = static_cast<std::int32_t>(object.Field(node.source_offset, 8));
  // In doubles from the start: a hostile size word times the height overflows an int.
  const double size = sprite.width != 0 ? static_cast<double>(words) * sprite.height * 1.3 /
                                              (sprite.width * kUnitsPerMetre)
                                        : 0.0;
  stream.MarkNode(node);
  ByteWriter& o = stream.out();
  o.U32(kOpwordSprite);
  o.I32(object.vertices()[node.points[0]].index);
  o.I32(-1);
  o.U32(sprite.string_offset);
  o.F32(static_cast<float>(size));
  o.U32(kSpriteTail);
}

void WriteAttribute(ObjectNode& node, GplNodeStream& stream) {
  if (node.children.size() != 1) return;
  const Object3do& object = stream.object();
  const NameRecord& texture = object.textures()[object.Field(node.source_offset, 4)];
  const std::int32_t child = node.children.front()->output_offset;
  stream.MarkNode(node);
  ByteWriter& o = stream.out();
  o.U32(kOpAttribute);
  o.I32(child);
  o.U32(5);
  o.U32(texture.string_offset);
  o.U32(MappedTextureValue(texture.value));
}

// A placement writes its object reference first, as a node of its own.
void WritePlacement(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  auto w = [&](std::size_t n) { return object.Field(node.source_offset, 4 * n); };
  const std::vector<NameRecord>& names = object.names(NameKind::kObject);
  const std::int64_t number =
      std::llabs(static_cast<std::int64_t>(static_cast<std::int32_t>(w(7)))) - 1;
  if (number < 0 || static_cast<std::uint64_t>(number) >= names.size()) return;
  const std::int32_t reference = stream.MarkUnowned();
  stream.out().U32(kOpObjectRef);
  stream.out().U32(names[number].string_offset);
  stream.out().U32(0);
  std::int32_t words[6];
  for (int i = 0; i < 6; ++i) words[i] = static_cast<std::int32_t>(w(1 + i));
  stream.MarkNode(node);
  stream.WritePlacement(kOpPlacement, words, reference);
}

}  // namespace

void WriteUntaggedNode(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  auto w = [&](std::size_t n) { return object.Field(node.source_offset, 4 * n); };
  // A child word of 0 names no child in the splits that allow it.
  auto written = [&](std::size_t n, bool zero_is_none) {
    return zero_is_none && w(n) == 0 ? kNoNode : stream.WrittenOffset(w(n));
  };
  switch (static_cast<CodeUntagged>(node.code)) {
    case CodeUntagged::kFlatPolygon: WriteFlatPolygon(node, stream); break;
    case CodeUntagged::kPolygon: WritePolygon(node, stream); break;
    case CodeUntagged::kSprite: WriteSprite(node, stream); break;
    case CodeUntagged::kAttribute: WriteAttribute(node, stream); break;
    case CodeUntagged::kPlaneGuard: node.output_offset = written(6, false); break;
    case CodeUntagged::kSplit2: case CodeUntagged::kSplit2Track: {
      const std::int32_t children[] = {written(6, true), written(7, true)};
      const bool plain = node.code == static_cast<int>(CodeUntagged::kSplit2);
      stream.WriteSplit(node, plain ? kOpSplit2 : kOpSplit2Track, children);
      break;
    }
    case CodeUntagged::kSplit3: case CodeUntagged::kSplit3Track: {
      const bool plain = node.code == static_cast<int>(CodeUntagged::kSplit3);
      const std::int32_t children[] = {written(6, plain), written(8, plain), written(7, plain)};
      stream.WriteSplit(node, plain ? kOpSplit3 : kOpSplit3Track, children);
      break;
    }
    case CodeUntagged::kSplit4: {
      const std::int32_t children[] = {written(7, true), written(8, true), written(9, true)};
      stream.WriteSplit(node, kOpSplit3Track, children);
      break;
    }
    case CodeUntagged::kGroup: stream.WriteGroup(node); break;
    // The most detailed model: the game's own choice close up.
    case CodeUntagged::kDetailSwitch: stream.WriteLastChildGroup(node); break;
    // Nothing of its own: a parent (or the root) that names the head reaches its main record.
    case CodeUntagged::kHead: node.output_offset = written(1, false); break;
    case CodeUntagged::kPlacement: WritePlacement(node, stream); break;
    case CodeUntagged::kSectionList: {
      stream.MarkNode(node);
      stream.out().U32(kOpNumberList);
      stream.out().U32(4);
      for (std::size_t n = 1; n <= 4; ++n) stream.out().U32(w(n));
      break;
    }
    case CodeUntagged::kIgnored: break;  // no GPL node
  }
}

void BuildPlanesUntagged(Object3do& object) {
  for (const auto& node : object.nodes()) {
    const std::uint32_t r = node->source_offset;
    const auto code = static_cast<CodeUntagged>(node->code);
    if (code == CodeUntagged::kFlatPolygon || code == CodeUntagged::kPolygon) {
      AppendPolygonPlane(object, *node);
    } else if (node->code >= static_cast<int>(CodeUntagged::kPlaneGuard) &&
               node->code <= static_cast<int>(CodeUntagged::kSplit2Track)) {
      // The distance is the signed 64-bit value of w5 (high) and w4 (low), for either sign.
      const auto distance = static_cast<std::int64_t>(std::uint64_t{object.Field(r, 20)} << 32 |
                                                      object.Field(r, 16));
      AppendRecordPlane(object, *node, static_cast<std::int32_t>(object.Field(r, 4)),
                        static_cast<std::int32_t>(object.Field(r, 8)),
                        static_cast<std::int32_t>(object.Field(r, 12)),
                        static_cast<double>(distance));
    }
  }
}

}  // namespace velmora
