// Writes the textures and the sprite that every converted track carries: the groove, the hay
// bale and cone textures and the cone sprite, with this program's own MIP and SRB writers.
// Their output is committed under src/resources/; rerun after changing a picture:
//
//   velmora_make_carried_images src/resources [PREVIEW_DIR]
//
// With PREVIEW_DIR it also reads each file back through the program's readers and writes a PNG
// of it there (the groove once with each built-in palette fragment), enlarged four times.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image/mip_file.h"
#include "image/srb_file.h"
#include "image/texture_palette.h"
#include "platform/byte_writer.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

using Picture = std::function<std::uint8_t(int x, int y)>;

// A repeatable hash in [0, 1) so the files come out the same on every run.
double Noise(int x, int y, int seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u +
                    static_cast<std::uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777216.0;
}

std::uint32_t Bgra(std::uint32_t rrggbb, std::uint8_t alpha = 255) {
  return (rrggbb & 0xFF) | (rrggbb >> 8 & 0xFF) << 8 | (rrggbb >> 16 & 0xFF) << 16 |
         static_cast<std::uint32_t>(alpha) << 24;
}

// Levels point-sampled from the picture at each level's scale.
MipOut IndexedMip(int width, int height, int levels, bool four_bit, const Picture& picture,
                  std::vector<std::vector<std::uint8_t>>& storage) {
  MipOut mip;
  mip.width_log2 = Log2(static_cast<std::uint32_t>(width));
  mip.height_log2 = Log2(static_cast<std::uint32_t>(height));
  storage.assign(levels, {});
  for (int k = 0; k < levels; ++k) {
    const int w = width >> k, h = height >> k, s = 1 << k;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; x += four_bit ? 2 : 1) {
        if (four_bit) {
          storage[k].push_back(
              static_cast<std::uint8_t>(picture(x * s, y * s) << 4 | picture((x + 1) * s, y * s)));
        } else {
          storage[k].push_back(picture(x * s, y * s));
        }
      }
    }
    mip.levels.push_back({static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h),
                          static_cast<std::uint32_t>(four_bit ? w / 2 : w), storage[k]});
  }
  return mip;
}

std::array<std::uint8_t, 64> ColourMap(const std::vector<std::uint32_t>& rrggbb, bool transparent) {
  std::array<std::uint8_t, 64> cmap{};
  for (std::size_t i = 0; i < 16; ++i) {
    const std::uint32_t c =
        Bgra(i < rrggbb.size() ? rrggbb[i] : 0, i == 0 && transparent ? 0 : 255);
    for (int b = 0; b < 4; ++b) cmap[4 * i + b] = static_cast<std::uint8_t>(c >> (8 * b));
  }
  return cmap;
}

// Rubber laid down along the racing line: streaks running the texture's length, densest in the
// middle of its width. Indexes 30 to 33 are dark greys in both built-in palette fragments.
std::uint8_t Groove(int x, int y) {
  const double across = (x - 63.5) / 30.0;
  const double lane = std::exp(-across * across);                  // the racing line
  const double streak = 0.35 + 0.65 * Noise(x, 0, 1);              // each column's own rubber
  const double along = 0.75 + 0.25 * std::sin(y * 0.2 + x * 0.7);  // patchy along the track
  const double strength = lane * streak * along;
  if (Noise(x, y, 2) > strength * 1.2) return 0;  // bare track shows through
  if (strength > 0.7) return 33;
  if (strength > 0.5) return 32;
  if (strength > 0.3) return 31;
  return 30;
}

const std::vector<std::uint32_t> kHayColours = {0x4a3a1c, 0x6e5624, 0x8c6e2c, 0xa88634,
                                                0xc29c40, 0xd6b44e, 0xe6c862, 0xf2dc84,
                                                0x7a6a50, 0x5a4c38, 0xb09048, 0x9c7c34};

// Straw lying in short horizontal fibres, two twine strings round the bale.
std::uint8_t Hay(int x, int y) {
  if ((x >= 15 && x <= 16) || (x >= 47 && x <= 48)) return Noise(x, y, 3) < 0.8 ? 8 : 9;
  const int fibre =
      static_cast<int>(Noise((x + static_cast<int>(Noise(0, y, 4) * 64)) / 6, y, 5) * 8);
  static const std::uint8_t kStraw[8] = {1, 2, 3, 4, 5, 6, 7, 10};
  std::uint8_t index = kStraw[fibre];
  if (Noise(x, y, 6) < 0.06) index = 0;  // gaps between the fibres
  return index;
}

const std::vector<std::uint32_t> kConeColours = {0x000000, 0xff6a00, 0xf25c00, 0xe04e00,
                                                 0xc44000, 0xa83400, 0xffffff, 0xe8e8e8,
                                                 0xc8c8c8, 0x303030, 0x181818, 0xff8a30};

// The cone's wrap: orange shaded round the body, two white reflective collars, a black foot.
std::uint8_t ConeBody(int x, int y) {
  const int shade = static_cast<int>(std::abs(x - 31.5) / 8.0);  // 0 in the middle, 3 at the sides
  if (y >= 56) return y >= 60 ? 10 : 9;
  if ((y >= 14 && y < 22) || (y >= 32 && y < 38))
    return static_cast<std::uint8_t>(6 + std::min(shade, 2));
  if (shade == 0 && x > 28 && x < 32) return 11;  // highlight
  return static_cast<std::uint8_t>(1 + std::min(shade, 4));
}

// The cone seen from the side: a tapering orange body with a white collar on a black base
// plate; index 0 round it is transparent.
std::uint8_t ConeSprite(int x, int y) {
  const double cx = 31.5;
  if (y >= 54 && y < 60) return std::abs(x - cx) < 22 ? (y == 54 ? 9 : 10) : 0;
  if (y < 6 || y >= 54) return 0;
  const double half = 2.0 + (y - 6) * (14.0 / 48.0);  // 2 at the tip, 16 at the base
  const double dx = x - cx;
  if (std::abs(dx) > half) return 0;
  const int shade = static_cast<int>(std::abs(dx) / half * 3.99);
  if (y >= 22 && y < 32) return static_cast<std::uint8_t>(6 + std::min(shade, 2));
  if (shade == 0 && dx < 0) return 11;
  return static_cast<std::uint8_t>(1 + shade);
}

// --- PNG previews (stored deflate: no compression library needed) ---

std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0xFFFFFFFFu) {
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc;
}

void PngChunk(std::vector<std::uint8_t>& png, const char* type,
              const std::vector<std::uint8_t>& data) {
  auto be32 = [&png](std::uint32_t v) {
    for (int i = 3; i >= 0; --i) png.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  be32(static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  be32(Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// RGBA pixels, row by row.
bool WritePng(const fs::path& path, int width, int height, const std::vector<std::uint8_t>& rgba,
              int zoom) {
  const int w = width * zoom, h = height * zoom;
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = rgba.data() + ((y / zoom) * width + x / zoom) * 4;
      // Transparent pixels on a checkerboard, so the shape is visible in any viewer.
      const std::uint8_t back = ((x / 8 + y / 8) % 2) != 0 ? 0x90 : 0x60;
      for (int c = 0; c < 3; ++c) raw.push_back(p[3] != 0 ? p[c] : back);
      raw.push_back(255);
    }
  }
  std::vector<std::uint8_t> z = {0x78, 0x01};
  for (std::size_t at = 0; at < raw.size(); at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  const std::uint32_t adler = b << 16 | a;
  for (int i = 3; i >= 0; --i) z.push_back(static_cast<std::uint8_t>(adler >> (8 * i)));
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  for (std::uint32_t v : {static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)}) {
    for (int i = 3; i >= 0; --i) ihdr.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  PngChunk(png, "IHDR", ihdr);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", {});
  return WriteFileBytes(path, png);
}

// Every level of a texture read back, side by side, as RGBA.
bool PreviewTexture(const TextureImage& t,
                    const std::function<std::array<std::uint8_t, 4>(int)>& colour,
                    const fs::path& path) {
  const int width = t.width + (t.level_count > 1 ? t.width / 2 + 2 : 0);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * t.height * 4, 0);
  int left = 0, top = 0;
  for (int k = 0; k < t.level_count; ++k) {
    const int w = t.width >> k, h = t.height >> k;
    std::span<const std::uint8_t> level = t.Level(k);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int index = t.bits_per_pixel == 8 ? level[y * w + x] : level[y * (w / 2) + x / 2];
        if (t.bits_per_pixel == 4) index = x % 2 == 0 ? index >> 4 : index & 15;
        const std::array<std::uint8_t, 4> c = colour(index);
        std::copy(c.begin(), c.end(), rgba.begin() + ((top + y) * width + left + x) * 4);
      }
    }
    if (k == 0) {
      left = t.width + 2;
    } else {
      top += h + 2;
    }
  }
  return WritePng(path, width, t.height, rgba, 4);
}

std::function<std::array<std::uint8_t, 4>(int)> CmapColours(const TextureImage& t) {
  return [&t](int i) {
    std::span<const std::uint8_t> c = t.ColourMap().subspan(4 * i, 4);
    return std::array<std::uint8_t, 4>{c[2], c[1], c[0], c[3]};
  };
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s RESOURCES_DIR [PREVIEW_DIR]\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  std::vector<std::vector<std::uint8_t>> storage;

  MipOut groove = IndexedMip(128, 64, 4, false, Groove, storage);
  groove.tag = kTagMip8;
  groove.type = kMip8TypeTransparent;
  const std::vector<std::uint8_t> groove_file = BuildMip(groove);

  MipOut hay = IndexedMip(64, 64, 4, true, Hay, storage);
  hay.type = kMipType4Bit;
  hay.colour_map = ColourMap(kHayColours, false);
  const std::vector<std::uint8_t> hay_file = BuildMip(hay);

  MipOut cone = IndexedMip(64, 64, 4, true, ConeBody, storage);
  cone.type = kMipType4Bit;
  cone.colour_map = ColourMap(kConeColours, false);
  const std::vector<std::uint8_t> cone_file = BuildMip(cone);

  MipOut sprite = IndexedMip(64, 64, 4, true, ConeSprite, storage);
  sprite.type = kMipType4BitTransparent;
  sprite.colour_map = ColourMap(kConeColours, true);
  const std::vector<std::uint8_t> sprite_file =
      BuildSrb(SpriteHeader{1.0f, 1.0f, 64.0f, 64.0f, 32.0f, 32.0f}, sprite);

  bool ok = WriteFileBytes(out / "N2GROOVE_MIP", groove_file) &&
            WriteFileBytes(out / "_HAY_MIP", hay_file) &&
            WriteFileBytes(out / "_CONEBS1_MIP", cone_file) &&
            WriteFileBytes(out / "_CONE1_SRB", sprite_file);
  if (ok && argc > 2) {
    const fs::path preview = argv[2];
    Result<TextureImage> g = ReadMip8(groove_file);
    Result<TextureImage> h = ReadMip(hay_file);
    Result<TextureImage> c = ReadMip(cone_file);
    Result<TextureImage> s = ReadMip(sprite_file, kSrbTextureAt);
    ok = g && h && c && s;
    for (int mode = 0; ok && mode < 2; ++mode) {
      TexturePalette palette;
      palette.LoadBytes(nullptr, mode);
      ok = PreviewTexture(
          *g,
          [&palette](int i) {
            const Rgb c = palette.ColourOf(static_cast<std::uint8_t>(i));
            // On asphalt grey, as the groove lies in the game.
            if (i == 0) return std::array<std::uint8_t, 4>{0x70, 0x70, 0x70, 255};
            return std::array<std::uint8_t, 4>{c.r, c.g, c.b, 255};
          },
          preview / (std::string("groove_fragment_") + (mode == 0 ? "a" : "b") + ".png"));
    }
    ok = ok && PreviewTexture(*h, CmapColours(*h), preview / "hay.png") &&
         PreviewTexture(*c, CmapColours(*c), preview / "conebs1.png") &&
         PreviewTexture(*s, CmapColours(*s), preview / "cone1_sprite.png");
  }
  if (!ok) {
    std::fprintf(stderr, "could not write the carried images\n");
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) { return velmora::Run(argc, argv); }
