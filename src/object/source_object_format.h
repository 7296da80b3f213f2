#ifndef VELMORA_OBJECT_SOURCE_OBJECT_FORMAT_H_
#define VELMORA_OBJECT_SOURCE_OBJECT_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

// The source games' object files. Record offsets count from the start of the node data.
//
// 3DO3 (format 2), in the chunk container:
//   3do3  := "3OD3" { (PERP? NRTS? MRON? blanks?)* MIRP }
//   PERP  := count x (unused:u32 x:i32 y:i32 z:i32)          source units
//   NRTS  := NUL-terminated names, referred to by byte offset
//   MIRP  := unused:u32 record* (0x20 | end)
//   record := code:u8 fields...      field +n is the unaligned u32 n bytes after the code byte;
//                                    +1 is always 0. Lengths: Record3do3Length.
//
// Untagged (format 1):
//   header := nodeBytes:u32 root:u32 textures:u32 sprites:u32 objects:u32
//             root: the root record's offset; 0 (or no record there): the last record
//   names  := (textures + sprites + objects) x 8 bytes, NUL-padded, in that order
//   nodes  := nodeBytes of u32 words from 20 + 8 x names; a word 0x800000cc at any aligned
//             position starts a record of code cc (wN: its N-th word); vertex records are not
//             marked: x:i32 y:i32 z:i32 (u:i16 v:i16) at words 1 to 4 of the offset named.
//   switch (13) := marker origin:u32 (distance:i32 child:u32)+   up to and including the first
//             pair of distance 0; distances fall, so the last child is the most detailed model
//   head (16)   := marker main:u32 n:u32 n x record:u32   the records listed are placements
//             the main record's tree holds too; files that end the record after `main` exist
//   planes (5 to 10) := marker a:i32 b:i32 c:i32 distance:i64 (low word first) children...

// The record codes of 3DO3 objects (the code byte).
enum class Code3do3 : int {
  kPolygon = 2,
  kSprite = 3,
  kGroup = 4,
  kAttribute = 5,
  kPlaneGuard = 6,       // also a lane's anchor in a track section
  kSplit2 = 7,
  kSplit4 = 8,
  kSplit3 = 9,
  kSplit3Track = 10,     // a lane divider in a track section
  kSplit2Track = 11,
  kSingleChild = 12,
  kPlacement = 13,
  kObjectRef = 14,
  kIgnored = 15,
  kNumberList = 16,      // of count 4: a track section's positions
  kSectionGroup = 17,    // gives each child its own group bit
  kPlacementTrack = 19,
  kLine = 21,
};

// The record codes of untagged objects (the marker word's low byte).
enum class CodeUntagged : int {
  kFlatPolygon = 1,
  kPolygon = 2,
  kSprite = 3,
  kAttribute = 4,
  kPlaneGuard = 5,
  kSplit2 = 6,
  kSplit3 = 7,
  kSplit3Track = 8,      // a lane divider in a track section
  kSplit4 = 9,
  kSplit2Track = 10,
  kGroup = 11,
  kIgnored = 12,
  kDetailSwitch = 13,    // level-of-detail switch; gives each child its own group bit
  kPlacement = 15,       // a placement with its object reference
  kHead = 16,            // stands for its main record
  kSectionList = 17,     // a track section's positions; makes the object the track object
};

inline constexpr std::size_t kUntaggedHeaderSize = 20;
inline constexpr std::size_t kUntaggedNameSize = 8;
inline constexpr std::uint32_t kUntaggedMarkerMask = 0xFFFFFF00;
inline constexpr std::uint32_t kUntaggedMarker = 0x80000000;
inline constexpr std::size_t kUntaggedVertexSize = 20;
inline constexpr std::uint8_t k3do3StreamEnd = 0x20;
// Records start this far into the MIRP payload.
inline constexpr std::uint32_t k3do3FirstRecord = 4;
// Group and three-way split children with these values stand for the shared empty node.
inline constexpr std::uint32_t kEmptyChild1 = 0xFFFFFFFE;
inline constexpr std::uint32_t kEmptyChild2 = 0xFFFFFFFF;
// A 3DO3 sprite's +13 with this top byte carries its size in the low 24 bits.
inline constexpr std::uint32_t kSpriteSizeTag = 0xC0;

// The length of the 3DO3 record at `at` of the node data, or 0 when its code has no length or
// its count fields are not there. The record is not checked to fit.
std::uint64_t Record3do3Length(std::span<const std::uint8_t> data, std::size_t at);

}  // namespace velmora

#endif  // VELMORA_OBJECT_SOURCE_OBJECT_FORMAT_H_
