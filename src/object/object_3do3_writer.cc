// How the records of 3DO3 objects become GPL nodes.

#include "object/source_node_writers.h"
#include "object/source_object_format.h"

namespace velmora {

namespace {

// Attribute values that GPL spells differently.
std::uint32_t MappedAttributeValue(std::int32_t value) {
  if (value == 29) return 20;
  if (value == 7) return 5;
  if (value == 14) return 3;
  return static_cast<std::uint32_t>(value);
}

void WriteAttribute(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  if (node.children.empty()) return;
  const ObjectNode& first = *node.children.front();
  if (node.value == 14 && first.value != 14) return;
  node.output_offset = first.output_offset;
  if (object.is_track_object()) return;
  const std::uint32_t kind = object.Field(node.source_offset, 9);
  if (kind != 1 && kind != 4 && kind != 5) return;
  stream.MarkNode(node);
  ByteWriter& o = stream.out();
  o.U32(kOpAttribute);
  o.I32(first.output_offset);
  o.U32(kind);
  if (kind == 4) {
    o.U32(MappedAttributeValue(node.value));
    return;
  }
  o.U32(object.textures()[node.texture_index].string_offset);
  if (kind == 5) o.U32(MappedAttributeValue(node.value));
}

void WritePolygon(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  if (node.value == 29) return;
  const std::uint32_t type = object.Field(node.source_offset, 5);
  const bool textured = (type & 1) != 0 && node.texture_index >= 0 &&
                        static_cast<std::size_t>(node.texture_index) < object.textures().size();
  const std::uint32_t colour = object.PaletteColour(object.Field(node.source_offset, 9) & 0xFF);
  stream.WritePolygon(node, textured, colour);
  if (object.is_track_object() && textured && node.value >= 0) {
    stream.WriteFollowingAttribute(node, object.textures()[node.texture_index].string_offset,
                                   node.value >= 256 ? 20 : static_cast<std::uint32_t>(node.value));
  }
}

void WriteSprite(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  const NameRecord& sprite = object.names(NameKind::kSprite)[node.name_index];
  const std::uint32_t tagged = object.Field(node.source_offset, 13);
  const std::int64_t size = (tagged >> 24) == kSpriteSizeTag ? (tagged & 0xFFFFFF) : sprite.size;
  stream.MarkNode(node);
  ByteWriter& o = stream.out();
  o.U32(kOpwordSprite);
  o.I32(object.vertices()[node.points[0]].index);
  o.I32(-1);
  o.U32(sprite.string_offset);
  o.F32(static_cast<float>(size / kUnitsPerMetre));
  o.U32(kSpriteTail);
}

void WriteLine(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  auto f = [&](std::size_t n) { return object.Field(node.source_offset, n); };
  if (object.is_track_object() || f(13) != 2) return;
  if (f(17) >= object.source_vertex_count() || f(21) >= object.source_vertex_count()) return;
  stream.MarkNode(node);
  ByteWriter& o = stream.out();
  o.U32(kOpwordLine);
  o.U32(object.PaletteColour(f(9) & 0xFF));
  o.U32(f(17));
  o.U32(f(21));
}

}  // namespace

void Write3do3Node(ObjectNode& node, GplNodeStream& stream) {
  const Object3do& object = stream.object();
  const std::uint32_t r = node.source_offset;
  auto f = [&](std::size_t n) { return object.Field(r, n); };
  auto written = [&](std::size_t n) { return stream.WrittenOffset(f(n)); };
  ByteWriter& o = stream.out();
  switch (static_cast<Code3do3>(node.code)) {
    case Code3do3::kPolygon: WritePolygon(node, stream); break;
    case Code3do3::kSprite: WriteSprite(node, stream); break;
    case Code3do3::kGroup: stream.WriteGroup(node); break;
    case Code3do3::kAttribute: WriteAttribute(node, stream); break;
    case Code3do3::kPlaneGuard: node.output_offset = written(25); break;
    case Code3do3::kSplit2: case Code3do3::kSplit2Track: {
      const std::int32_t children[] = {written(25), written(29)};
      stream.WriteSplit(node, static_cast<std::uint32_t>(node.code), children);
      break;
    }
    case Code3do3::kSplit3: case Code3do3::kSplit3Track: {
      const std::int32_t children[] = {written(25), written(29), written(33)};
      stream.WriteSplit(node, static_cast<std::uint32_t>(node.code), children);
      break;
    }
    case Code3do3::kPlacement: case Code3do3::kPlacementTrack: {
      const std::int32_t words[6] = {
          static_cast<std::int32_t>(f(5)),  static_cast<std::int32_t>(f(9)),
          static_cast<std::int32_t>(f(13)), static_cast<std::int32_t>(f(17)),
          static_cast<std::int32_t>(f(21)), static_cast<std::int32_t>(f(25))};
      const std::int32_t child = written(33);
      stream.MarkNode(node);
      const bool plain = node.code == static_cast<int>(Code3do3::kPlacement);
      stream.WritePlacement(plain ? kOpPlacement : kOpPlacementTrack, words, child);
      break;
    }
    case Code3do3::kObjectRef:
      stream.MarkNode(node);
      o.U32(kOpObjectRef);
      o.U32(object.names(NameKind::kObject)[node.name_index].string_offset);
      o.U32(0);
      break;
    case Code3do3::kNumberList: {
      const std::uint32_t n = f(5);
      stream.MarkNode(node);
      o.U32(kOpNumberList);
      o.U32(n);
      for (std::uint32_t i = 0; i < n; ++i) o.U32(f(9 + 4 * std::size_t{i}));
      break;
    }
    case Code3do3::kSectionGroup: stream.WriteLastChildGroup(node); break;
    case Code3do3::kLine: WriteLine(node, stream); break;
    case Code3do3::kSplit4: case Code3do3::kSingleChild: case Code3do3::kIgnored:
      break;  // no GPL node
  }
}

void BuildPlanes3do3(Object3do& object) {
  for (const auto& node : object.nodes()) {
    const std::uint32_t r = node->source_offset;
    if (node->code >= static_cast<int>(Code3do3::kPlaneGuard) &&
        node->code <= static_cast<int>(Code3do3::kSplit2Track)) {
      // The distance's high word (+17) comes first; a negative one takes the low word off
      // rather than adding it, as these objects have always been read.
      const auto hi = static_cast<std::int32_t>(object.Field(r, 17));
      const std::uint32_t lo = object.Field(r, 21);
      const double distance = hi >= 0 ? hi * 4294967296.0 + lo : hi * 4294967296.0 - lo;
      AppendRecordPlane(object, *node, static_cast<std::int32_t>(object.Field(r, 5)),
                        static_cast<std::int32_t>(object.Field(r, 9)),
                        static_cast<std::int32_t>(object.Field(r, 13)), distance);
    } else if (node->code == static_cast<int>(Code3do3::kPolygon)) {
      AppendPolygonPlane(object, *node);
    }
  }
}

}  // namespace velmora
