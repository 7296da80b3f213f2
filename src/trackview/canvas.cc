#include "trackview/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "trackview/bitmap_font.h"

namespace velmora {

namespace {

// Lines longer than this many pixels are cut; a hostile coordinate cannot make a long loop.
constexpr double kMaxLineSteps = 20000;

}  // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  pixels_.resize(static_cast<std::size_t>(width_) * height_ * 3);
  FillRect(0, 0, width_, height_, background);
}

Rgb Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
  return {pixels_[at], pixels_[at + 1], pixels_[at + 2]};
}

void Canvas::Set(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
  pixels_[at] = colour.r;
  pixels_[at + 1] = colour.g;
  pixels_[at + 2] = colour.b;
}

void Canvas::FillRect(int x, int y, int w, int h, Rgb colour) {
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = std::min<long>(static_cast<long>(x) + w, width_);
  const int y1 = std::min<long>(static_cast<long>(y) + h, height_);
  for (int row = y0; row < y1; ++row) {
    for (int col = x0; col < x1; ++col) Set(col, row, colour);
  }
}

void Canvas::StrokeRect(int x, int y, int w, int h, Rgb colour) {
  FillRect(x, y, w, 1, colour);
  FillRect(x, y + h - 1, w, 1, colour);
  FillRect(x, y, 1, h, colour);
  FillRect(x + w - 1, y, 1, h, colour);
}

void Canvas::Dot(int x, int y, Rgb colour, int thickness) {
  if (thickness <= 1) {
    Set(x, y, colour);
    return;
  }
  const int half = thickness / 2;
  FillRect(x - half, y - half, thickness, thickness, colour);
}

void Canvas::Line(double x0, double y0, double x1, double y1, Rgb colour, int thickness) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
    return;
  }
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double steps = std::min(std::ceil(std::max(std::fabs(dx), std::fabs(dy))), kMaxLineSteps);
  if (steps < 1) {
    Dot(static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)), colour, thickness);
    return;
  }
  for (int i = 0; i <= static_cast<int>(steps); ++i) {
    const double t = i / steps;
    Dot(static_cast<int>(std::lround(x0 + dx * t)), static_cast<int>(std::lround(y0 + dy * t)),
        colour, thickness);
  }
}

void Canvas::Disc(double cx, double cy, double radius, Rgb colour) {
  if (!std::isfinite(cx) || !std::isfinite(cy) || !(radius > 0) || radius > 64) return;
  const int r = static_cast<int>(std::ceil(radius));
  const int ix = static_cast<int>(std::lround(std::clamp(cx, -1e6, 1e6)));
  const int iy = static_cast<int>(std::lround(std::clamp(cy, -1e6, 1e6)));
  for (int y = -r; y <= r; ++y) {
    for (int x = -r; x <= r; ++x) {
      if (x * x + y * y <= radius * radius) Set(ix + x, iy + y, colour);
    }
  }
}

int Canvas::Text(int x, int y, std::string_view text, Rgb colour, int scale) {
  int pen = x;
  for (char c : text) {
    const Glyph& glyph = GlyphOf(c);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if (glyph[row] & (0x10 >> col)) {
          FillRect(pen + col * scale, y + row * scale, scale, scale, colour);
        }
      }
    }
    pen += kGlyphAdvance * scale;
  }
  return pen - x;
}

int TextWidth(std::string_view text, int scale) {
  return static_cast<int>(text.size()) * kGlyphAdvance * scale;
}

}  // namespace velmora
