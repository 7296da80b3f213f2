#ifndef VELMORA_TRACKVIEW_BITMAP_FONT_H_
#define VELMORA_TRACKVIEW_BITMAP_FONT_H_

#include <array>
#include <cstdint>

namespace velmora {

// A small built-in 5 x 7 font for the labels of track pictures, so that drawing them needs no
// font files. Each glyph is seven rows, top first; bit 4 of a row is its leftmost pixel.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// The advance of one character: the glyph and one blank column (one blank row below).
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;
inline constexpr int kGlyphLineHeight = kGlyphHeight + 2;

using Glyph = std::array<std::uint8_t, kGlyphHeight>;

// The glyph of a printable ASCII character (32 to 126); other characters draw as '?'.
const Glyph& GlyphOf(char c);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_BITMAP_FONT_H_
