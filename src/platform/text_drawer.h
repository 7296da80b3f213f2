#ifndef VELMORA_PLATFORM_TEXT_DRAWER_H_
#define VELMORA_PLATFORM_TEXT_DRAWER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/status.h"

namespace velmora {

// A 24-bit picture in memory that text is drawn into, in place: `height` rows of `stride`
// bytes, each pixel blue, green, red; the bottom row first when `bottom_up`, as Windows
// bitmaps keep them. The canvas does not own the bytes.
struct PixelCanvas {
  std::span<std::uint8_t> bytes;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  bool bottom_up = true;

  // The pixel's three bytes, `y` counted from the top; null outside the picture.
  std::uint8_t* At(int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    const std::size_t row = static_cast<std::size_t>(bottom_up ? height - 1 - y : y);
    const std::size_t at = row * stride + static_cast<std::size_t>(x) * 3;
    return at + 3 <= bytes.size() ? bytes.data() + at : nullptr;
  }
};

struct TextColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

enum class TextDirection { kHorizontal, kUpwards };

// Where a text goes. (x, y) is the text's reference corner: the top left corner of the text in
// its own reading direction, so an upward text grows up the picture from y and to the right
// from x. The text's box is `box_width` pixels along the reading direction and one character
// height across it; nothing outside the box changes.
struct TextPlacement {
  int x = 0;
  int y = 0;
  int box_width = 0;
  TextDirection direction = TextDirection::kHorizontal;
  TextColour colour;
};

// Measures and draws single lines of text at a character height in pixels: the height of the
// font's cell, ascent and descent together, as the games' menus were laid out with. Glyphs are
// drawn solid in the text colour wherever they cover at least half a pixel, never blended with
// what is underneath. Implementations hold the loaded font; one drawer serves one thread.
class TextDrawer {
 public:
  virtual ~TextDrawer() = default;
  // The width in pixels of the text set horizontally at `height`.
  virtual int Measure(std::u32string_view text, int height) = 0;
  virtual void Draw(std::u32string_view text, int height, const TextPlacement& placement,
                    PixelCanvas& canvas) = 0;
};

// The system's drawer for the font family `family` as the platform's font configuration
// resolves it (on Linux the metric-compatible stand-in of a Windows family). NotFound when the
// system has no usable font.
Result<std::unique_ptr<TextDrawer>> OpenSystemTextDrawer(std::string_view family);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_TEXT_DRAWER_H_
