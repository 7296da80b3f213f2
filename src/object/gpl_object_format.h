#ifndef VELMORA_OBJECT_GPL_OBJECT_FORMAT_H_
#define VELMORA_OBJECT_GPL_OBJECT_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_writer.h"
#include "platform/units.h"

namespace velmora {

// GPL's 3D object files (.3do), in the chunk container (format/chunk_file.h):
//
//   3do   := "4OD3"(version, size = file length - 12) { XYZS? PLAN? STRN? MIRP }
//   XYZS  := count x (flags:u32 x:f32 y:f32 z:f32)              vertices, metres
//   PLAN  := count x (nx:f32 ny:f32 nz:f32 d:f32)               planes: n.p + d = 0
//   STRN  := names (NUL-terminated) 0xFF blanks                 size = (sum(len+1) + 4) & ~3
//   MIRP  := root:u32 node*                                     size = 4 + node bytes, padded
//   (read only) NORM := entries as PLAN;  HAND := count x (nameOffset:u32 nodeOffset:u32)
//
// Node references, `root` included, are byte offsets from the `root` field, so the first node
// sits at 4; children are written before their parents and `root` is the last node. A node is
// opword:u32 (opcode in bits 0-7, a flags byte in 8-15) and fields whose number follows from
// the opcode (GplNodeLength).

inline constexpr std::string_view kTagObject4 = "4OD3";
inline constexpr std::string_view kTagObject3 = "3OD3";
inline constexpr std::string_view kTagVertices = "SZYX";  // XYZS
inline constexpr std::string_view kTagPlanes = "NALP";    // PLAN
inline constexpr std::string_view kTagStrings = "NRTS";   // STRN
inline constexpr std::string_view kTagNodes = "MIRP";     // PRIM
inline constexpr std::string_view kTagNormals = "MRON";   // NORM
inline constexpr std::string_view kTagHandles = "DNAH";   // HAND
inline constexpr std::string_view kTagSourceVertices = "PERP";  // 3DO3 vertex table

inline constexpr std::size_t kVertexEntrySize = 16;
inline constexpr std::size_t kPlaneEntrySize = 16;
inline constexpr std::size_t kHandleEntrySize = 8;
inline constexpr std::uint8_t kStringTableEnd = 0xFF;
// The PRIM chunk header with `root`: where the first node's offset 4 is counted from.
inline constexpr std::size_t kNodeChunkHeaderSize = 16;
inline constexpr std::int32_t kNoNode = -1;

inline constexpr double kAngleFactor = 1.462916844274344e-9;

// Opcodes of the nodes, with the flags byte where the writer sets one.
inline constexpr std::uint32_t kOpSprite = 3;
inline constexpr std::uint32_t kOpGroup = 4;
inline constexpr std::uint32_t kOpAttribute = 5;
inline constexpr std::uint32_t kOpPlaneGuard = 6;
inline constexpr std::uint32_t kOpSplit2 = 7;
inline constexpr std::uint32_t kOpLaneDivider = 8;
inline constexpr std::uint32_t kOpSplit3 = 9;
inline constexpr std::uint32_t kOpSplit3Track = 10;
inline constexpr std::uint32_t kOpSplit2Track = 11;
inline constexpr std::uint32_t kOpPlacementTrack = 13;
inline constexpr std::uint32_t kOpObjectRef = 14;
inline constexpr std::uint32_t kOpTrackSection = 15;
inline constexpr std::uint32_t kOpNumberList = 16;
inline constexpr std::uint32_t kOpPlacement = 19;
inline constexpr std::uint32_t kOpLine = 21;
inline constexpr std::uint32_t kOpFlatPolygon = 27;
inline constexpr std::uint32_t kOpTexturedPolygonPlain = 31;  // carried objects only: no vertex colours
inline constexpr std::uint32_t kOpTexturedPolygon = 32;
inline constexpr std::uint32_t kOpwordSprite = 0x0A03;
inline constexpr std::uint32_t kOpwordLine = 0x0815;
inline constexpr std::uint32_t kOpwordFlatPolygon = 0x081B;
inline constexpr std::uint32_t kOpwordTexturedPolygon = 0x0820;
inline constexpr std::uint32_t kSpriteTail = 0x00010000;

// The length in bytes of the node at `at` of a PRIM payload (offset 0 is `root`), or 0 when
// its opcode has no length or its count fields cannot be read or do not fit the payload.
std::size_t GplNodeLength(std::span<const std::uint8_t> prim, std::size_t at);

// A colour word: blue, green, red, alpha from the lowest byte.
constexpr std::uint32_t ColourWord(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                   std::uint8_t a = 0xFF) {
  return static_cast<std::uint32_t>(b) | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(a) << 24;
}

struct GplVertex {
  float x = 0, y = 0, z = 0;
};
struct GplPlane {
  float nx = 0, ny = 0, nz = 0, d = 0;
};

// The STRN payload of names in the order given: size (sum of (length + 1) + 4) & ~3, the
// names, 0xFF, blanks. Empty when there are no names.
std::vector<std::uint8_t> BuildStringTable(const std::vector<std::string>& names);

// Assembles a 3DO4 file: header, the tables, then the node stream. Nodes are appended between
// BeginNodes and EndNodes; node offsets are counted from the `root` field.
class GplObjectWriter {
 public:
  explicit GplObjectWriter(std::size_t reserve = 0);

  void AppendVertices(std::span<const GplVertex> vertices);
  void AppendPlanes(std::span<const GplPlane> planes);
  void AppendStrings(std::span<const std::uint8_t> table);
  // Handles, for the carried objects; the program's own writer never makes any.
  void AppendHandles(std::span<const std::pair<std::uint32_t, std::uint32_t>> handles);

  void BeginNodes();
  // The offset the next node gets.
  std::int32_t NextNodeOffset() const {
    return static_cast<std::int32_t>(out_.size() - nodes_start_ + 4);
  }
  ByteWriter& out() { return out_; }
  // Root is the last node written (`last_node`); pads the chunk and fills in both sizes.
  std::vector<std::uint8_t> EndNodes(std::int32_t last_node);

 private:
  ByteWriter out_;
  std::size_t prim_at_ = 0;
  std::size_t nodes_start_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_GPL_OBJECT_FORMAT_H_
