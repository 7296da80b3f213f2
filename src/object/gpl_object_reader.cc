#include "object/gpl_object_reader.h"

#include <algorithm>
#include <optional>

#include "format/chunk_file.h"
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

Result<std::unique_ptr<GplObject>> GplObject::Read(std::vector<std::uint8_t> bytes) {
  std::unique_ptr<GplObject> object(new GplObject());
  object->bytes_ = std::move(bytes);
  Status status = object->ReadChunks();
  if (!status.ok()) return status;
  return object;
}

Status GplObject::ReadChunks() {
  Result<Chunk> top = ReadChunk(bytes_, 0);
  // Any top `version` is accepted.
  if (!top || !top->Is(kTagObject4)) return Status::Corruption("not a 4OD3 object");
  const std::span<const std::uint8_t> bytes(bytes_);
  const std::size_t limit = top->payload + top->size;
  std::size_t at = top->payload;
  bool have_nodes = false;
  while (at < limit) {
    const std::size_t start = at;
    auto next = [&](std::string_view tag) -> std::optional<Chunk> {
      Result<Chunk> chunk = ReadChunk(bytes_, at, limit);
      if (!chunk || !chunk->Is(tag)) return std::nullopt;
      at = std::min(chunk->End(), limit);
      return *chunk;
    };
    if (auto c = next(kTagNormals)) ReadPoints(bytes.subspan(c->payload, c->size), 16, true, planes_);
    if (auto c = next(kTagVertices)) {
      ReadPoints(bytes.subspan(c->payload, c->size), 16, false, vertices_);
    }
    if (auto c = next(kTagPlanes)) ReadPoints(bytes.subspan(c->payload, c->size), 16, true, planes_);
    if (auto c = next(kTagStrings)) strings_ = bytes.subspan(c->payload, c->size);
    while (at < limit && bytes_[at] == kChunkPadByte) ++at;
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
    if (at == start) {
      return Status::Corruption("4OD3 object: unknown chunk at " + std::to_string(at));
    }
  }
  if (!have_nodes) return Status::Corruption("4OD3 object without a node stream");
  return Status::Ok();
}

std::uint32_t GplObject::Word(std::uint32_t at) const {
  ByteReader r(prim_.subspan(std::min<std::size_t>(at, prim_.size())));
  const std::uint32_t value = r.U32();
  return r.ok() ? value : 0;
}

void GplObject::BuildTree() {
  for (std::uint32_t at = 4; at < prim_.size();) {
    const std::size_t length = GplNodeLength(prim_, at);
    if (length == 0) break;
    const int opcode = static_cast<int>(Word(at) & 0xFF);
    ++code_counts_[opcode];
    nodes_.push_back(std::make_unique<ObjectNode>());
    ObjectNode& node = *nodes_.back();
    node.code = opcode;
    node.source_offset = at;
    node_by_offset_.emplace(at, &node);
    auto link = [&](std::size_t word) {
      auto it = node_by_offset_.find(Word(at + 4 * static_cast<std::uint32_t>(word)));
      // Only nodes before this one are known: a reference forward is dropped.
      if (it == node_by_offset_.end() || it->second == &node) return;
      node.children.push_back(it->second);
      ++it->second->parent_count;
    };
    switch (opcode) {
      case kOpGroup:
        for (std::uint32_t i = 0; i < Word(at + 4); ++i) link(2 + i);
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
    auto it = node_by_offset_.find(offset);
    if (it != node_by_offset_.end()) it->second->name_index = static_cast<std::int32_t>(name);
  }
}

}  // namespace velmora
