#include "object/object3do4.h"

#include "format/chunk_file.h"
#include "platform/ascii.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

void ReadPoints(std::span<const std::uint8_t> payload, std::size_t entry_size, bool plane,
                std::vector<ObjectPoint>& out) {
  ByteReader r(payload);
  while (r.Has(entry_size)) {
    ObjectPoint p;
    p.source_offset = static_cast<std::int64_t>(r.position());
    if (!plane) r.U32();  // flags
    p.x = r.F32();
    p.y = r.F32();
    p.z = r.F32();
    if (plane) p.d = r.F32();
    p.index = static_cast<std::int32_t>(out.size());
    out.push_back(p);
  }
}

}  // namespace

int Object3do4::Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path) {
  buffer_ = std::move(buffer);
  path_ = path;
  source_path_ = AsciiLower(path.string());
  format_ = 0;
  std::optional<Chunk> top = ReadChunk(buffer_, 0);
  if (!top || !top->Is(kTagObject4)) return 0;  // any top `version` is accepted
  const std::span<const std::uint8_t> bytes(buffer_);
  const std::size_t limit = top->payload + top->size;
  std::size_t at = top->payload;
  bool have_nodes = false;
  // The pass: NORM? XYZS? PLAN? STRN? blanks? HAND? PRIM?, repeated to the payload's end.
  while (at < limit) {
    const std::size_t start = at;
    auto next = [&](std::string_view tag) -> std::optional<Chunk> {
      std::optional<Chunk> chunk = ReadChunk(buffer_, at, limit);
      if (!chunk || !chunk->Is(tag)) return std::nullopt;
      at = std::min(chunk->End(), limit);
      return chunk;
    };
    if (auto c = next(kTagNormals)) ReadPoints(bytes.subspan(c->payload, c->size), 16, true, planes_);
    if (auto c = next(kTagVertices)) {
      ReadPoints(bytes.subspan(c->payload, c->size), 16, false, vertices_);
    }
    if (auto c = next(kTagPlanes)) ReadPoints(bytes.subspan(c->payload, c->size), 16, true, planes_);
    if (auto c = next(kTagStrings)) strings_ = bytes.subspan(c->payload, c->size);
    while (at < limit && buffer_[at] == kChunkPadByte) ++at;
    if (auto c = next(kTagHandles)) {
      ByteReader r(bytes.subspan(c->payload, c->size));
      while (r.Has(kHandleEntrySize)) {
        const std::uint32_t name = r.U32();
        handles_.emplace_back(name, r.U32());
      }
    }
    if (auto c = next(kTagNodes)) {
      prim_ = bytes.subspan(c->payload, c->size);
      root_ = ByteReader(prim_).U32();
      have_nodes = true;
    }
    if (at == start) return 0;  // a chunk the pass does not know
  }
  if (!have_nodes) return 0;
  format_ = 4;
  return format_;
}

bool Object3do4::BuildTree() {
  if (format_ != 4) return false;
  node_data_ = prim_;
  for (std::uint32_t at = 4; at < prim_.size();) {
    const std::size_t length = GplNodeLength(prim_, at);
    if (length == 0) break;
    const int opcode = static_cast<int>(Field(at, 0) & 0xFF);
    CountCode(opcode);
    ObjectNode& node = NewNode(opcode, at);
    auto link = [&](std::size_t word) { LinkChild(node, Field(at, 4 * word)); };
    switch (opcode) {
      case kOpGroup:
        for (std::uint32_t i = 0; i < Field(at, 4); ++i) link(2 + i);
        break;
      case kOpAttribute: link(1); break;
      case kOpPlaneGuard: link(2); break;
      case kOpSplit2: case kOpSplit2Track: link(2); link(3); break;
      case kOpLaneDivider: for (std::size_t k = 2; k <= 5; ++k) link(k); break;
      case kOpSplit3: case kOpSplit3Track: for (std::size_t k = 2; k <= 4; ++k) link(k); break;
      case kOpPlacementTrack: case kOpPlacement: link(8); break;
      default: break;
    }
    at += static_cast<std::uint32_t>(length);
    if (at > root_) break;
  }
  for (const auto& [name, offset] : handles_) {
    if (ObjectNode* node = NodeAt(offset)) node->name_index = static_cast<std::int32_t>(name);
  }
  return true;
}

std::vector<std::uint8_t> Object3do4::BuildGpl(const std::filesystem::path& /*output*/) {
  return buffer_;
}

}  // namespace velmora
