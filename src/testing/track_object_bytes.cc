#include "testing/track_object_bytes.h"

#include <map>

#include "format/chunk_file.h"
#include "platform/byte_writer.h"

namespace velmora::testkit {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The string table: every name once, then 0xFF and blanks to a multiple of four.
std::map<std::string, std::uint32_t> WriteStrings(ByteWriter& out, const TrackObjectParts& parts) {
  std::map<std::string, std::uint32_t> offsets;
  std::vector<std::string> names;
  for (const TrackObjectParts::Placed& placed : parts.placed) names.push_back(placed.name);
  names.push_back("groove");
  ChunkScope strings(out, "NRTS");
  std::uint32_t at = 0;
  for (const std::string& name : names) {
    if (offsets.count(name)) continue;
    offsets[name] = at;
    out.Text(name);
    out.U8(0);
    at += static_cast<std::uint32_t>(name.size() + 1);
  }
  out.U8(0xFF);
  out.Fill((4 - (at + 1) % 4) % 4, ' ');
  return offsets;
}

void WriteNodes(ByteWriter& out, const TrackObjectParts& parts,
                const std::map<std::string, std::uint32_t>& strings) {
  ChunkScope prim(out, "MIRP");
  const std::size_t base = out.size();
  out.U32(0);  // root, patched at the end
  auto here = [&] { return static_cast<std::uint32_t>(out.size() - base); };
  for (const TrackObjectParts::Placed& placed : parts.placed) {
    const std::uint32_t reference = here();
    for (std::uint32_t w : {14u, strings.at(placed.name), 0u}) out.U32(w);
    out.U32(19);
    for (float v : {placed.at.x, placed.at.y, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}) out.F32(v);
    out.U32(reference);
  }
  for (const std::array<std::uint32_t, 4>& quad : parts.grooves) {
    const std::uint32_t polygon = here();
    for (std::uint32_t w : {0x0820u, 0u, 0xFF000000u, 4u}) out.U32(w);
    for (int k = 0; k < 8; ++k) out.F32(0);
    for (std::uint32_t v : quad) out.U32(v);
    for (int k = 0; k < 4; ++k) out.U32(kNone);
    for (std::uint32_t w : {5u, polygon, 5u, strings.at("groove"), 20u}) out.U32(w);
  }
  for (const std::array<std::uint32_t, 4>& quad : parts.flat_quads) {
    for (std::uint32_t w : {0x081Bu, 0xFF000000u, 4u}) out.U32(w);
    for (std::uint32_t v : quad) out.U32(v);
  }
  for (std::size_t i = 0; i < parts.cuts.size(); ++i) {
    const auto plane = static_cast<std::uint32_t>(i + 2);
    for (std::uint32_t w : {15u, plane, kNone, 0u, kNone, plane, kNone, 1u, kNone, kNone, kNone}) {
      out.U32(w);
    }
    for (int k = 0; k < 5; ++k) out.U32(0);  // words 11 to 15: no entries
  }
  const std::uint32_t table = here();
  for (std::uint32_t w : {16u, parts.fixed_table_words}) out.U32(w);
  for (std::uint32_t k = 0; k < parts.fixed_table_words; ++k) {
    out.U32(k % 4 == 0 ? 15000000 : k % 4 == 2 ? 8000000 : 0);
  }
  const std::uint32_t root = here();
  for (std::uint32_t w : {4u, 2u, table, table}) out.U32(w);
  out.PatchU32(base, root);
}

}  // namespace

std::vector<std::uint8_t> BuildTrackObjectBytes(const TrackObjectParts& parts) {
  ByteWriter out;
  {
    ChunkScope file(out, "4OD3");
    if (!parts.vertices.empty()) {
      ChunkScope vertices(out, "SZYX");
      for (const TrackObjectParts::Point& p : parts.vertices) {
        out.U32(0);
        for (float v : {p.x, p.y, 0.0f}) out.F32(v);
      }
    }
    {
      ChunkScope planes(out, "NALP");
      for (float v : {0.0f, 0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 100.0f}) out.F32(v);
      for (const TrackObjectParts::Plane& cut : parts.cuts) {
        for (float v : {cut.nx, cut.ny, 0.0f, cut.d}) out.F32(v);
      }
    }
    const std::map<std::string, std::uint32_t> strings = WriteStrings(out, parts);
    WriteNodes(out, parts, strings);
  }
  return out.Take();
}

}  // namespace velmora::testkit
