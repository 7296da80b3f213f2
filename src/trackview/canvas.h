#ifndef VELMORA_TRACKVIEW_CANVAS_H_
#define VELMORA_TRACKVIEW_CANVAS_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// A 24-bit picture in memory, rows top first, that the track pictures are drawn on. Every
// drawing call clips to the picture, so callers may draw partly or wholly outside it.
class Canvas {
 public:
  Canvas(int width, int height, Rgb background);

  int width() const { return width_; }
  int height() const { return height_; }
  // Red, green, blue bytes, row after row.
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }
  Rgb At(int x, int y) const;

  void Set(int x, int y, Rgb colour);
  void FillRect(int x, int y, int w, int h, Rgb colour);
  void StrokeRect(int x, int y, int w, int h, Rgb colour);
  // A line `thickness` pixels wide between two points given in pixels (fractions allowed).
  void Line(double x0, double y0, double x1, double y1, Rgb colour, int thickness = 1);
  void Disc(double cx, double cy, double radius, Rgb colour);
  // Text in the built-in font, each font pixel drawn as `scale` x `scale` pixels, with its top
  // left corner at (x, y). Returns the width drawn.
  int Text(int x, int y, std::string_view text, Rgb colour, int scale = 1);

 private:
  void Dot(int x, int y, Rgb colour, int thickness);

  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

// Width in pixels of a text drawn at `scale`.
int TextWidth(std::string_view text, int scale = 1);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_CANVAS_H_
