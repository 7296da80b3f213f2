// Writes the menu pages every converted track carries: the page images "PAGE0_PBF",
// "PAGE1_PBF", "EVENT_PBF" and "PAGE2_PBF", and the bitmaps "PAGE0_US_BMP", "PAGE1_US_BMP" and
// "EVENT_US_BMP" the track's titles are drawn on. The pictures are painted here from shapes and
// gradients, with calm areas where the titles go. Their output is committed under
// src/resources/; rerun after changing a picture:
//
//   velmora_make_carried_pages src/resources [PREVIEW_DIR]
//
// With PREVIEW_DIR it also writes each page image there as a PNG, to look at. To look at a page
// a conversion wrote:
//
//   velmora_make_carried_pages --show PAGE.pbf OUT.png

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/page_image.h"
#include "platform/file_system.h"
#include "preview_png.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Hex(std::uint32_t rrggbb) {
  return {static_cast<double>(rrggbb >> 16 & 0xFF), static_cast<double>(rrggbb >> 8 & 0xFF),
          static_cast<double>(rrggbb & 0xFF)};
}

// A repeatable hash in [0, 1) so the files come out the same on every run.
double Noise(int x, int y, int seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u +
                    static_cast<std::uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777216.0;
}

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), pixels_(width * height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

  template <typename Shader>
  void Paint(Shader shader) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) At(x, y) = shader(x + 0.5, y + 0.5, At(x, y));
    }
  }
  // Blends `colour` in with coverage from the signed distance `d` (negative inside).
  template <typename Distance>
  void Shape(Rgb colour, Distance d, double opacity = 1.0) {
    Paint([&](double x, double y, Rgb under) {
      return Mix(under, colour, opacity * Smooth(0.6, -0.6, d(x, y)));
    });
  }
  // A light grain, so flat areas do not band in 5-6-5.
  void Grain(double amount, int seed) {
    Paint([&](double x, double y, Rgb c) {
      const double n = (Noise(static_cast<int>(x), static_cast<int>(y), seed) - 0.5) * amount;
      return Rgb{c.r + n, c.g + n, c.b + n};
    });
  }
  void Vignette(double strength) {
    Paint([&](double x, double y, Rgb c) {
      const double dx = x / width_ - 0.5, dy = y / height_ - 0.5;
      const double k = 1.0 - strength * (dx * dx + dy * dy) * 2.2;
      return Rgb{c.r * k, c.g * k, c.b * k};
    });
  }

  std::vector<std::uint8_t> RgbBytes(int width, int height) const {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Rgb& c = pixels_[static_cast<std::size_t>(y) * width_ + x];
        for (double v : {c.r, c.g, c.b}) {
          out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)));
        }
      }
    }
    return out;
  }
  std::vector<std::uint16_t> Rgb565Pixels() const {
    std::vector<std::uint8_t> rgb = RgbBytes(width_, height_);
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i < rgb.size(); i += 3) out.push_back(Rgb565(rgb[i], rgb[i + 1], rgb[i + 2]));
    return out;
  }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// A chequered band between x0 and x1 that ripples like a flag.
void FlagBand(Picture& p, double x0, double x1, double square, double top, double bottom) {
  p.Paint([&](double x, double y, Rgb under) {
    if (x < x0 || x >= x1 || y < top || y >= bottom) return under;
    const double wave = 4.0 * std::sin(y / 37.0 + x / 23.0);
    const int cx = static_cast<int>(std::floor((x - x0) / square));
    const int cy = static_cast<int>(std::floor((y - top + wave) / square));
    const double light = 0.82 + 0.18 * std::sin(y / 37.0 + x / 23.0 + 1.2);
    Rgb c = (cx + cy) % 2 == 0 ? Rgb{236, 236, 230} : Rgb{22, 22, 26};
    c = {c.r * light, c.g * light, c.b * light};
    const double edge = std::min({x - x0, x1 - x, y - top, bottom - y});
    return Mix(under, c, Smooth(0.0, 1.5, edge));
  });
}

// A curve of kerb stones: red and white blocks along a circle's arc.
void Kerb(Picture& p, double cx, double cy, double radius, double width, double from,
          double to) {
  p.Paint([&](double x, double y, Rgb under) {
    const double r = std::hypot(x - cx, y - cy);
    double a = std::atan2(y - cy, x - cx);
    if (a < from || a > to) return under;
    const double d = std::abs(r - radius) - width / 2;
    const bool red = static_cast<int>(std::floor(a * radius / 9.0)) % 2 == 0;
    return Mix(under, red ? Rgb{196, 36, 32} : Rgb{238, 236, 228}, Smooth(0.6, -0.6, d));
  });
}

// page0: a tall page whose left part carries the track's name and event title reading upwards
// in light cream, on a deep blue ground; a chequered flag ripples down its right edge.
Picture PageZero(int width, int height) {
  Picture p(width, height);
  const Rgb top = Hex(0x0f2338), bottom = Hex(0x061220);
  p.Paint([&](double, double y, Rgb) { return Mix(top, bottom, y / height); });
  // Fine diagonal pinstripes, faint enough to keep the title area calm.
  p.Paint([&](double x, double y, Rgb c) {
    const double s = std::fmod(x + y, 9.0) < 1.0 ? 1.06 : 1.0;
    return Rgb{c.r * s, c.g * s, c.b * s};
  });
  p.Vignette(0.5);
  // A gold rule between the titles and the flag.
  p.Shape(Hex(0xc8a24a), [](double x, double y) {
    return std::max(std::abs(x - 219.0) - 1.0, std::max(14.0 - y, y - 404.0));
  });
  FlagBand(p, 226, 272, 11.5, 14, 405);
  // A red and white kerb across the foot of the page.
  p.Shape(Hex(0x0a1826), [&](double, double y) { return 410.0 - y; });
  p.Paint([&](double x, double y, Rgb under) {
    if (y < 412 || y > 422) return under;
    const bool red = static_cast<int>(std::floor((x + (y - 412) * 0.8) / 14.0)) % 2 == 0;
    return red ? Rgb{188, 34, 30} : Rgb{232, 230, 222};
  });
  p.Grain(5.0, 11);
  return p;
}

// A light plate with a thin dark rule round it, for titles in black.
void TitlePlate(Picture& p, double x0, double y0, double x1, double y1) {
  const Rgb paper = Hex(0xf3ecd9), rule = Hex(0x3a3428);
  p.Shape(Rgb{0, 0, 0}, [&](double x, double y) {
    return std::max({x0 + 3 - x, x - x1 - 3, y0 + 4 - y, y - y1 - 4});
  }, 0.35);  // a soft shadow
  p.Shape(rule, [&](double x, double y) { return std::max({x0 - x, x - x1, y0 - y, y - y1}); });
  p.Shape(paper, [&](double x, double y) {
    return std::max({x0 + 2 - x, x - x1 + 2, y0 + 2 - y, y - y1 + 2});
  });
  p.Paint([&](double x, double y, Rgb c) {
    if (x < x0 + 2 || x > x1 - 2 || y < y0 + 2 || y > y1 - 2) return c;
    const double shade = 1.0 - 0.05 * (y - y0) / (y1 - y0);
    return Rgb{c.r * shade, c.g * shade, c.b * shade};
  });
}

// A circuit scene: dusk sky, hills, a sweeping corner of track with kerbs.
void CircuitScene(Picture& p, double horizon, int seed) {
  const int w = p.width(), h = p.height();
  p.Paint([&](double, double y, Rgb) {
    if (y < horizon) return Mix(Hex(0x2b4f7a), Hex(0xe7b27a), y / horizon);
    return Mix(Hex(0x3f6b35), Hex(0x1d3b1c), (y - horizon) / (h - horizon));
  });
  p.Shape(Hex(0x35583a), [&](double x, double y) {
    return (horizon - 14 - 10 * std::sin(x / 31.0 + seed) - 6 * std::sin(x / 11.0)) - y;
  });
  p.Shape(Hex(0x2c4a2c), [&](double x, double y) {
    return (horizon - 4 - 6 * std::sin(x / 19.0 + 2.0 * seed)) - y;
  });
  // The track: a wide arc of asphalt sweeping across the lower half.
  const double cx = w * 1.15, cy = h * 1.25, radius = h * 0.72;
  p.Shape(Hex(0x4a4a4e), [&](double x, double y) {
    return std::abs(std::hypot(x - cx, y - cy) - radius) - 26.0;
  });
  p.Paint([&](double x, double y, Rgb c) {
    const double r = std::hypot(x - cx, y - cy);
    if (std::abs(r - radius) > 25.0) return c;
    const double n = (Noise(static_cast<int>(x), static_cast<int>(y), seed) - 0.5) * 10;
    return Rgb{c.r + n, c.g + n, c.b + n};
  });
  Kerb(p, cx, cy, radius + 29.0, 6.0, -3.2, -1.0);
  Kerb(p, cx, cy, radius - 29.0, 6.0, -3.2, -1.0);
  // The racing line's rubber.
  p.Shape(Hex(0x38383b), [&](double x, double y) {
    return std::abs(std::hypot(x - cx, y - cy) - radius + 6.0) - 5.0;
  }, 0.6);
}

// page1 and the event page: the title in black on a light plate across the top, a circuit
// below it.
Picture PlatePage(int width, int height, double plate_bottom, int seed) {
  Picture p(width, height);
  CircuitScene(p, plate_bottom + (height - plate_bottom) * 0.45, seed);
  p.Vignette(0.35);
  TitlePlate(p, 8, 8, width - 9, plate_bottom);
  p.Grain(4.0, seed + 20);
  return p;
}

// page2: the track page without a title: a circuit scene under a darker sky band.
Picture PageTwo(int width, int height) {
  Picture p(width, height);
  CircuitScene(p, height * 0.42, 7);
  p.Shape(Hex(0x0f2338), [&](double, double y) { return y - 40.0; }, 0.85);
  p.Shape(Hex(0xc8a24a), [&](double x, double y) {
    return std::max(std::abs(y - 41.0) - 1.0, std::max(8.0 - x, x - width + 8.0));
  });
  FlagBand(p, 12, width - 12.0, 8, 10, 34);
  p.Vignette(0.35);
  p.Grain(4.0, 27);
  return p;
}

struct PageOut {
  const char* page_resource;
  const char* bitmap_resource;  // none for page2
  int page_width, page_height;
  int bitmap_width, bitmap_height;
  Picture picture;
};

// The page's 5-6-5 pixels expanded back to 24 bits, as the game shows them.
std::vector<std::uint8_t> ExpandedPixels(std::span<const std::uint16_t> pixels) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (std::uint16_t v : pixels) {
    rgb.push_back(static_cast<std::uint8_t>((v >> 11) << 3));
    rgb.push_back(static_cast<std::uint8_t>((v >> 5 & 0x3F) << 2));
    rgb.push_back(static_cast<std::uint8_t>((v & 0x1F) << 3));
  }
  return rgb;
}

int ShowPage(const fs::path& page_path, const fs::path& png) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(page_path);
  Result<PageImage> page = ReadPageImage(bytes.value_or(std::vector<std::uint8_t>()));
  if (!page) {
    std::fprintf(stderr, "%s: %s\n", page_path.c_str(), page.status().ToString().c_str());
    return 1;
  }
  std::vector<std::uint16_t> pixels;
  for (int y = 0; y < page->height; ++y) {
    for (int x = 0; x < page->width; ++x) {
      const std::size_t at = kPagePixelsAt + static_cast<std::size_t>(y) * page->stride + 2 * x;
      pixels.push_back(static_cast<std::uint16_t>(page->bytes[at] | page->bytes[at + 1] << 8));
    }
  }
  return tools::WritePreviewPng(png, page->width, page->height, ExpandedPixels(pixels)) ? 0 : 1;
}

int Run(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--show") return ShowPage(argv[2], argv[3]);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s RESOURCES_DIR [PREVIEW_DIR]\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  std::vector<PageOut> pages;
  pages.push_back({"PAGE0_PBF", "PAGE0_US_BMP", 281, 431, 279, 429, PageZero(281, 431)});
  pages.push_back({"PAGE1_PBF", "PAGE1_US_BMP", 277, 431, 277, 431, PlatePage(277, 431, 62, 3)});
  pages.push_back({"EVENT_PBF", "EVENT_US_BMP", 258, 340, 258, 340, PlatePage(258, 340, 52, 5)});
  pages.push_back({"PAGE2_PBF", nullptr, 277, 431, 0, 0, PageTwo(277, 431)});
  bool ok = true;
  for (const PageOut& page : pages) {
    ok &= WriteFileBytes(out / page.page_resource,
                         BuildPageImage(page.page_width, page.page_height,
                                        page.picture.Rgb565Pixels()));
    if (page.bitmap_resource != nullptr) {
      ok &= WriteFileBytes(out / page.bitmap_resource,
                           BuildBitmap(page.bitmap_width, page.bitmap_height,
                                       page.picture.RgbBytes(page.bitmap_width,
                                                             page.bitmap_height)));
    }
    if (argc > 2) {
      ok &= tools::WritePreviewPng(fs::path(argv[2]) / (std::string(page.page_resource) + ".png"),
                                   page.page_width, page.page_height,
                                   ExpandedPixels(page.picture.Rgb565Pixels()));
    }
  }
  if (!ok) std::fprintf(stderr, "could not write every file\n");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) { return velmora::Run(argc, argv); }
