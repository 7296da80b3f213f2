#ifndef VELMORA_IMAGE_PAGE_IMAGE_H_
#define VELMORA_IMAGE_PAGE_IMAGE_H_

// Menu page images and the bitmaps their titles are drawn on.
//
// PBF page (chunk container, stored tags):
//   "PAMB" BMAP { "DHMB" BMHD (14, pad 0x20 0x20)  "ATAD" DATA }
//   BMHD  := type:u8 (3)  width:u32  height:u32  stride:u32  reserved:u8
//   DATA  := height rows of stride bytes, top row first, 16-bit 5-6-5 pixels;
//            stride = 2 x width rounded up to a multiple of 4
// The headers fill the first 52 bytes and the pixels start at byte 52. A page is rewritten as
// its whole BMAP chunk (BMAP size + 12 bytes), so it keeps its size.
//
// 24-bit bitmap (Windows BMP):
//   offset 10 u32 pixel offset (54), 18 i32 width, 22 i32 height (rows bottom first),
//   28 u16 bits per pixel (24); rows of ((width + 1) x 3 / 4) x 4 bytes, pixels blue, green, red.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/text_drawer.h"

namespace velmora {

inline constexpr std::size_t kPagePixelsAt = 52;
inline constexpr std::uint8_t kPageType = 3;
inline constexpr std::size_t kBitmapHeaderSize = 54;

// A page image: the whole file and where its pixels lie.
struct PageImage {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::size_t file_size = 0;  // BMAP size + 12: what is written back
  std::vector<std::uint8_t> bytes;

  std::span<const std::uint8_t> FileBytes() const {
    return std::span<const std::uint8_t>(bytes).first(file_size);
  }
};

// Corruption when the headers are not those of a page or the pixels do not fit the file.
Result<PageImage> ReadPageImage(std::vector<std::uint8_t> bytes);
// A page of `width` x `height` 5-6-5 pixels, top row first.
std::vector<std::uint8_t> BuildPageImage(int width, int height, std::span<const std::uint16_t> pixels);

// A 24-bit bitmap file in memory; its pixels are drawn on in place through Canvas().
struct BitmapImage {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::size_t pixels_at = 0;
  std::vector<std::uint8_t> bytes;

  PixelCanvas Canvas();
};

// Corruption when the file is not an uncompressed bottom-up 24-bit bitmap whose rows fit it.
Result<BitmapImage> ReadBitmap(std::vector<std::uint8_t> bytes);
// A bitmap file of `width` x `height` pixels given as red, green, blue, top row first.
std::vector<std::uint8_t> BuildBitmap(int width, int height, std::span<const std::uint8_t> rgb);

// The bitmap's pixels as 5-6-5 into the page, row for row from the top; what falls outside
// the page is left out, pixels the bitmap does not cover keep their values.
void CopyBitmapIntoPage(const BitmapImage& bitmap, PageImage& page);

// 5-6-5 of a colour: (R & 0xF8) << 8 | (G & 0xFC) << 3 | B >> 3.
constexpr std::uint16_t Rgb565(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

// The tallest character height from 99 down to 1 at which the text is at most `widest` pixels
// wide; 1 when it does not fit even there.
inline constexpr int kTallestTitle = 99;
int FitTitleHeight(TextDrawer& drawer, std::u32string_view text, int widest);

// Draws a title at the height that fits it into `placement.box_width` and returns that height.
int DrawTitle(TextDrawer& drawer, std::u32string_view text, const TextPlacement& placement,
              PixelCanvas& canvas);

}  // namespace velmora

#endif  // VELMORA_IMAGE_PAGE_IMAGE_H_
