#include "dialogs/program_icon.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// The drawing is laid out on a 16 by 16 grid of units, scaled to the icon's size.
constexpr double kGrid = 16.0;

struct Colour {
  double r, g, b;
};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kTrack{90, 90, 90};
constexpr Colour kPole{60, 40, 20};

// A premultiplied canvas that rectangles are laid on one after another.
class Canvas {
 public:
  explicit Canvas(int size)
      : size_(size), unit_(size / kGrid), pixels_(static_cast<std::size_t>(size * size)) {}

  // Fills the rectangle given in grid units; pixels it covers in part take that share.
  void Fill(double left, double top, double width, double height, const Colour& colour) {
    const double x0 = left * unit_, y0 = top * unit_;
    const double x1 = (left + width) * unit_, y1 = (top + height) * unit_;
    const int first_x = std::max(0, static_cast<int>(std::floor(x0)));
    const int last_x = std::min(size_, static_cast<int>(std::ceil(x1)));
    const int first_y = std::max(0, static_cast<int>(std::floor(y0)));
    const int last_y = std::min(size_, static_cast<int>(std::ceil(y1)));
    for (int y = first_y; y < last_y; ++y) {
      const double cover_y = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
      for (int x = first_x; x < last_x; ++x) {
        const double cover_x = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
        Blend(pixels_[static_cast<std::size_t>(y * size_ + x)], colour, cover_x * cover_y);
      }
    }
  }

  std::vector<std::uint32_t> Argb() const {
    std::vector<std::uint32_t> argb;
    argb.reserve(pixels_.size());
    for (const Pixel& pixel : pixels_) {
      const auto byte = [](double value) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L));
      };
      const double alpha = pixel.a;
      const auto straight = [&](double premultiplied) {
        return alpha > 0 ? byte(premultiplied / alpha) : 0u;
      };
      argb.push_back(byte(alpha * 255) << 24 | straight(pixel.r) << 16 | straight(pixel.g) << 8 |
                     straight(pixel.b));
    }
    return argb;
  }

 private:
  struct Pixel {
    double r = 0, g = 0, b = 0, a = 0;  // premultiplied, alpha 0..1
  };

  static void Blend(Pixel& pixel, const Colour& colour, double cover) {
    if (cover <= 0) return;
    const double keep = 1 - cover;
    pixel.r = colour.r * cover + pixel.r * keep;
    pixel.g = colour.g * cover + pixel.g * keep;
    pixel.b = colour.b * cover + pixel.b * keep;
    pixel.a = cover + pixel.a * keep;
  }

  int size_;
  double unit_;
  std::vector<Pixel> pixels_;
};

constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};

}  // namespace

std::vector<std::uint32_t> ProgramIconPixels(int size) {
  Canvas canvas(size);
  // Track: a grey band with a white edge line across the lower third.
  canvas.Fill(0, 11, kGrid, 5, kTrack);
  canvas.Fill(0, 11, kGrid, 0.6, kWhite);
  // Flag: four by three squares on a pole, framed by a thin black line.
  canvas.Fill(2, 1, 1, 14, kPole);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 4; ++column) {
      canvas.Fill(3 + column * 3, 1 + row * 3, 3, 3, (row + column) % 2 == 0 ? kBlack : kWhite);
    }
  }
  constexpr double kLine = 0.5;
  canvas.Fill(3 - kLine / 2, 1 - kLine / 2, 12 + kLine, kLine, kBlack);
  canvas.Fill(3 - kLine / 2, 10 - kLine / 2, 12 + kLine, kLine, kBlack);
  canvas.Fill(3 - kLine / 2, 1 - kLine / 2, kLine, 9 + kLine, kBlack);
  canvas.Fill(15 - kLine / 2, 1 - kLine / 2, kLine, 9 + kLine, kBlack);
  return canvas.Argb();
}

std::span<const int> ProgramIconSizes() { return kSizes; }

}  // namespace velmora
