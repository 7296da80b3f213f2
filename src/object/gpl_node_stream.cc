#include "object/gpl_node_stream.h"

#include <vector>

namespace velmora {

GplNodeStream::GplNodeStream(GplObjectWriter& writer, Object3do& object)
    : object_(object), out_((writer.BeginNodes(), writer.out())), nodes_start_(out_.size()) {}

void GplNodeStream::MarkNode(ObjectNode& node) {
  node.output_offset = NextOffset();
  node.written_at = out_.size();
  last_node_offset_ = node.output_offset;
}

std::int32_t GplNodeStream::MarkUnowned() {
  last_node_offset_ = NextOffset();
  return last_node_offset_;
}

std::int32_t GplNodeStream::NextOffset() const {
  return static_cast<std::int32_t>(out_.size() - nodes_start_ + 4);
}

std::int32_t GplNodeStream::WrittenOffset(std::uint32_t source_offset) const {
  const ObjectNode* node = object_.NodeAt(source_offset);
  return node == nullptr ? kNoNode : node->output_offset;
}

std::uint32_t GplNodeStream::WordAt(std::int32_t node_offset, std::size_t word) const {
  if (node_offset < 4) return 0;
  const std::size_t at = nodes_start_ + static_cast<std::size_t>(node_offset) - 4 + 4 * word;
  const std::vector<std::uint8_t>& bytes = out_.bytes();
  if (at + 4 > bytes.size()) return 0;
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void GplNodeStream::PatchWord(std::int32_t node_offset, std::size_t word, std::uint32_t value) {
  out_.PatchU32(nodes_start_ + static_cast<std::size_t>(node_offset) - 4 + 4 * word, value);
}

void GplNodeStream::WriteLastChildGroup(ObjectNode& node) {
  if (node.children.empty()) return;
  const std::int32_t last = node.children.back()->output_offset;
  MarkNode(node);
  out_.U32(kOpGroup);
  out_.U32(1);
  out_.I32(last);
}

void GplNodeStream::WriteGroup(ObjectNode& node) {
  std::vector<std::int32_t> written;
  for (const ObjectNode* child : node.children) {
    if (child->output_offset != kNoNode) written.push_back(child->output_offset);
  }
  if (written.empty()) return;
  MarkNode(node);
  out_.U32(kOpGroup);
  out_.U32(static_cast<std::uint32_t>(written.size()));
  for (std::int32_t offset : written) out_.I32(offset);
}

void GplNodeStream::WriteSplit(ObjectNode& node, std::uint32_t opword,
                               std::span<const std::int32_t> children) {
  MarkNode(node);
  out_.U32(opword);
  out_.I32(node.plane_index);
  for (std::int32_t child : children) out_.I32(child);
}

void GplNodeStream::WritePlacement(std::uint32_t opword, std::span<const std::int32_t, 6> words,
                                   std::int32_t child) {
  out_.U32(opword);
  for (int i = 0; i < 3; ++i) out_.F32(static_cast<float>(words[i] / kUnitsPerMetre));
  out_.F32(static_cast<float>(words[3] * kAngleFactor));
  out_.F32(static_cast<float>(-static_cast<double>(words[4]) * kAngleFactor));
  out_.F32(static_cast<float>(words[5] * kAngleFactor));
  out_.F32(1.0f);
  out_.I32(child);
}

void GplNodeStream::WritePolygon(ObjectNode& node, bool textured, std::uint32_t colour) {
  const std::vector<ObjectPoint>& vertices = object_.vertices();
  const std::size_t n = node.points.size();
  auto vertex_at = [&](std::size_t i) -> const ObjectPoint& {
    return vertices[node.points[reverse_ ? n - 1 - i : i]];
  };
  MarkNode(node);
  if (!textured) {
    out_.U32(kOpwordFlatPolygon);
    out_.U32(colour);
    out_.U32(static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) out_.I32(vertex_at(i).index);
    return;
  }
  const NameRecord& texture = object_.textures()[node.texture_index];
  out_.U32(kOpwordTexturedPolygon);
  out_.U32(0);
  out_.U32(colour);
  out_.U32(static_cast<std::uint32_t>(n));
  // A texture that did not load has no extent: its coordinates are written as 0.
  auto scaled = [](double texels, std::int32_t extent) {
    return extent != 0 ? static_cast<float>(texels / extent) : 0.0f;
  };
  for (std::size_t i = 0; i < n; ++i) {
    out_.F32(scaled(vertex_at(i).u, texture.width));
    out_.F32(scaled(vertex_at(i).v, texture.height));
  }
  for (std::size_t i = 0; i < n; ++i) out_.I32(vertex_at(i).index);
  const bool blended = node.value >= 256;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t alpha = 0xFF;
    if (reverse_) {
      alpha = blended ? 0x20 : 0xFF;
    } else if (blended) {
      const std::uint32_t v = static_cast<std::uint32_t>(node.value);
      alpha = (i == 1 || i == 2) ? ((v & 0x0F) + 2) * 16 : (v & 0xF0) + 0x20;
    }
    out_.U32((alpha & 0xFF) << 24 | 0xFFFFFF);
  }
}

void GplNodeStream::WriteFollowingAttribute(ObjectNode& owner, std::uint32_t name_offset,
                                            std::uint32_t value) {
  const std::int32_t child = owner.output_offset;
  owner.output_offset = MarkUnowned();
  out_.U32(kOpAttribute);
  out_.I32(child);
  out_.U32(5);
  out_.U32(name_offset);
  out_.U32(value);
}

}  // namespace velmora
