#ifndef VELMORA_IMAGE_PCX_FILE_H_
#define VELMORA_IMAGE_PCX_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace velmora {

// PCX pictures, as the source games keep textures and palettes in them. The 128-byte header:
//
//   0 manufacturer:u8 (10)   1 version:u8 (5)   2 encoding:u8 (1, run-length)
//   3 bitsPerPlane:u8   4 xmin:u16   6 ymin:u16   8 xmax:u16   10 ymax:u16
//   65 planes:u8   ...   run-length pixel data from byte 128
//
// A 256-colour picture keeps its palette in the last 768 bytes of the file.

inline constexpr std::size_t kPcxHeaderSize = 128;
inline constexpr std::size_t kPcxBitsPerPlaneAt = 3;
inline constexpr std::size_t kPcxPlanesAt = 65;

// Whether the header describes a 24-bit picture (planes times bits per plane is 24); a header
// that is cut short is not one.
bool IsTrueColourPcxHeader(std::span<const std::uint8_t> header);
// The same test on a file, reading only its header.
bool IsTrueColourPcx(const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_IMAGE_PCX_FILE_H_
