#include "object/gpl_object_format.h"

#include "format/chunk_file.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// Counts that would make a node longer than this are not counts of a real node.
constexpr std::uint64_t kMaxNodeLength = 1u << 28;

}  // namespace

std::size_t GplNodeLength(std::span<const std::uint8_t> prim, std::size_t at) {
  if (at > prim.size()) return 0;
  ByteReader r(prim.subspan(at));
  const std::uint32_t opcode = r.U32() & 0xFF;
  if (!r.ok()) return 0;
  // uN, the N-th word of the node; 0 when it is not there (the length check then fails).
  auto word = [&](std::size_t n) -> std::uint64_t {
    ByteReader w(prim.subspan(at));
    w.Skip(4 * n);
    const std::uint32_t value = w.U32();
    return w.ok() ? value : kMaxNodeLength;
  };
  std::uint64_t length = 0;
  switch (opcode) {
    case 3: case 8: length = 24; break;
    case 4: case 16: case 23: length = 8 + 4 * word(1); break;
    case 5: {
      const std::uint64_t kind = word(2);
      if (kind == 5 || kind == 8) length = 20;
      else if (kind == 12) length = 24;
      else if (kind == 13) length = 28;
      else if (kind == 17) length = 16 + 4 * word(3);
      else if (kind > 32 && kind != kMaxNodeLength) length = 16 + (kind & 15);
      else length = 16;
      break;
    }
    case 6: case 14: case 20: length = 12; break;
    case 7: case 11: case 21: length = 16; break;
    case 9: case 10: length = 20; break;
    case 13: case 19: case 22: length = 36; break;
    case 15: length = 16 * (word(15) + 4); break;
    case 17: length = 20 + 8 * word(4); break;
    case 25: length = 40; break;
    case 27: length = 12 + 4 * word(2); break;
    case 28: case 29: length = 12 + 8 * word(2); break;
    case 30: length = 12 * (word(2) + 1); break;
    case 31: length = 16 + 12 * word(3); break;
    case 32: case 33: length = 16 * (word(3) + 1); break;
    case 34: length = 16 + 20 * word(3); break;
    default: return 0;
  }
  if (length > prim.size() - at) return 0;
  return static_cast<std::size_t>(length);
}

std::vector<std::uint8_t> BuildStringTable(const std::vector<std::string>& names) {
  std::size_t total = 0;
  for (const std::string& name : names) total += name.size() + 1;
  if (total == 0) return {};
  ByteWriter out;
  const std::size_t size = (total + 4) & ~std::size_t{3};
  out.Reserve(size);
  for (const std::string& name : names) {
    out.Text(name);
    out.U8(0);
  }
  out.U8(kStringTableEnd);
  out.Fill(size - out.size(), ' ');
  return out.Take();
}

GplObjectWriter::GplObjectWriter(std::size_t reserve) {
  out_.Reserve(reserve);
  WriteChunkHeader(out_, kTagObject4, 0, 0);
}

void GplObjectWriter::AppendVertices(std::span<const GplVertex> vertices) {
  if (vertices.empty()) return;
  WriteChunkHeader(out_, kTagVertices, 0,
                   static_cast<std::uint32_t>(kVertexEntrySize * vertices.size()));
  for (const GplVertex& v : vertices) {
    out_.U32(0);
    out_.F32(v.x);
    out_.F32(v.y);
    out_.F32(v.z);
  }
}

void GplObjectWriter::AppendPlanes(std::span<const GplPlane> planes) {
  if (planes.empty()) return;
  WriteChunkHeader(out_, kTagPlanes, 0,
                   static_cast<std::uint32_t>(kPlaneEntrySize * planes.size()));
  for (const GplPlane& p : planes) {
    out_.F32(p.nx);
    out_.F32(p.ny);
    out_.F32(p.nz);
    out_.F32(p.d);
  }
}

void GplObjectWriter::AppendStrings(std::span<const std::uint8_t> table) {
  // The table's own blanks make its size a multiple of 4: no pad follows.
  if (!table.empty()) WriteLeafChunk(out_, kTagStrings, table);
}

void GplObjectWriter::AppendHandles(
    std::span<const std::pair<std::uint32_t, std::uint32_t>> handles) {
  if (handles.empty()) return;
  WriteChunkHeader(out_, kTagHandles, 0,
                   static_cast<std::uint32_t>(kHandleEntrySize * handles.size()));
  for (const auto& [name, node] : handles) {
    out_.U32(name);
    out_.U32(node);
  }
}

void GplObjectWriter::BeginNodes() {
  prim_at_ = out_.size();
  WriteChunkHeader(out_, kTagNodes, 0, 0);
  out_.U32(0);  // root
  nodes_start_ = out_.size();
}

std::vector<std::uint8_t> GplObjectWriter::EndNodes(std::int32_t last_node) {
  const std::size_t size = out_.size() - nodes_start_ + 4;
  out_.PatchU32(prim_at_ + 8, static_cast<std::uint32_t>(size));
  out_.PatchU32(prim_at_ + kChunkHeaderSize, static_cast<std::uint32_t>(last_node));
  WriteChunkPad(out_, size);
  out_.PatchU32(8, static_cast<std::uint32_t>(out_.size() - kChunkHeaderSize));
  return out_.Take();
}

}  // namespace velmora
