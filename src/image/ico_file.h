#ifndef VELMORA_IMAGE_ICO_FILE_H_
#define VELMORA_IMAGE_ICO_FILE_H_

#include <cstdint>
#include <span>
#include <vector>

namespace velmora {

// A Windows icon file (.ico) of square 32-bit images, the form the resource compiler embeds
// as the program's icon.
//
//   header   u16 reserved (0), u16 type (1: icon), u16 image count
//   entries  16 bytes each: u8 width, u8 height (0 stands for 256), u8 colours (0), u8 0,
//            u16 planes (1), u16 bits per pixel (32), u32 image bytes, u32 image offset
//   images   each a 40-byte bitmap info header (height doubled: colour rows then mask rows),
//            the BGRA pixels bottom row first, then the 1-bit transparency mask, bottom row
//            first, each row padded to 4 bytes (a set bit: transparent)
inline constexpr std::size_t kIcoHeaderSize = 6;
inline constexpr std::size_t kIcoEntrySize = 16;
inline constexpr std::size_t kIcoBitmapHeaderSize = 40;
inline constexpr int kIcoMaxSize = 256;

// One square image: size * size pixels, top row first, each 0xAARRGGBB with straight alpha.
struct IcoImage {
  int size = 0;
  std::vector<std::uint32_t> argb;
};

// The icon file holding `images` in the order given. Sizes run from 1 to kIcoMaxSize.
std::vector<std::uint8_t> WriteIcoFile(std::span<const IcoImage> images);

}  // namespace velmora

#endif  // VELMORA_IMAGE_ICO_FILE_H_
