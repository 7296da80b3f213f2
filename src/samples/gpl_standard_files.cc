#include "samples/gpl_standard_files.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>

#include "image/mip_file.h"
#include "image/page_image.h"
#include "image/srb_file.h"
#include "platform/ascii.h"
#include "platform/byte_writer.h"
#include "resources/embedded_files.h"

namespace velmora::samples {

namespace {

constexpr int kWavRate = 11025;

// Menu pages: the three the converter rewrites at the sizes it expects, the others at the
// size of the page they stand beside.
struct PageSpec {
  std::string_view name;
  PageSize size;
};
constexpr std::array<PageSpec, 8> kPages = {{{"bwpic.pbf", {258, 340}},
                                             {"event.pbf", {258, 340}},
                                             {"page0.pbf", {281, 431}},
                                             {"page1.pbf", {277, 431}},
                                             {"page2.pbf", {277, 431}},
                                             {"page3.pbf", {277, 431}},
                                             {"page4.pbf", {277, 431}},
                                             {"page5.pbf", {277, 431}}}};

// A page background: a dusk sky fading into a green field, a grey road curving through it and
// a dark title plate at the top, so a page shown in the game's menu looks like one.
std::vector<std::uint8_t> BuildPage(PageSize size, int seed) {
  std::vector<std::uint16_t> pixels(static_cast<std::size_t>(size.width) * size.height);
  for (int y = 0; y < size.height; ++y) {
    const double v = static_cast<double>(y) / size.height;
    for (int x = 0; x < size.width; ++x) {
      const double u = static_cast<double>(x) / size.width;
      int r, g, b;
      if (v < 0.45) {  // sky
        r = static_cast<int>(60 + 150 * v + 10 * seed);
        g = static_cast<int>(90 + 120 * v);
        b = static_cast<int>(200 - 60 * v);
      } else {  // field
        r = 40;
        g = static_cast<int>(140 - 60 * v);
        b = 50;
      }
      const double road = 0.5 + 0.25 * std::sin(v * 6.0 + seed);
      if (v > 0.45 && std::abs(u - road) < 0.04 + 0.12 * (v - 0.45)) r = g = b = 96;
      if (y >= 8 && y < 8 + size.height / 8 && x >= 8 && x < size.width - 8) {
        r = 24;  // title plate
        g = 24;
        b = 32;
      }
      pixels[static_cast<std::size_t>(y) * size.width + x] =
          Rgb565(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(b));
    }
  }
  return BuildPageImage(size.width, size.height, pixels);
}

// A one-level opaque 16-bit (5-6-5) texture of 2^log2 pixels a side.
std::vector<std::uint8_t> BuildTexture565(std::uint32_t log2, std::uint16_t (*pixel)(int, int)) {
  const std::uint32_t side = 1u << log2;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(side * side * 2);
  for (std::uint32_t y = 0; y < side; ++y) {
    for (std::uint32_t x = 0; x < side; ++x) {
      const std::uint16_t value = pixel(static_cast<int>(x), static_cast<int>(y));
      bytes.push_back(static_cast<std::uint8_t>(value));
      bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
  }
  MipOut mip;
  mip.type = kMipType16Bit;
  mip.width_log2 = log2;
  mip.height_log2 = log2;
  mip.levels.push_back({side, side, side * 2, bytes});
  return BuildMip(mip);
}

std::uint16_t TyreTread(int x, int y) {
  return ((x / 4 + y / 2) % 3 == 0) ? Rgb565(70, 70, 70) : Rgb565(25, 25, 25);
}
std::uint16_t TyreSide(int x, int y) {
  const int dx = x - 16, dy = y - 16;
  const int r2 = dx * dx + dy * dy;
  return r2 < 36 ? Rgb565(160, 160, 150) : r2 < 225 ? Rgb565(30, 30, 30) : Rgb565(20, 20, 20);
}
std::uint16_t Shadow(int x, int y) {
  const int dx = x - 16, dy = y - 16;
  return dx * dx + dy * dy < 196 ? Rgb565(10, 10, 10) : Rgb565(60, 60, 60);
}
std::uint16_t Groove(int x, int) {
  return Rgb565(static_cast<std::uint8_t>(40 + x % 8), 40, 40);
}

// A flag marshal seen from the track: a figure in white holding a yellow flag.
std::vector<std::uint8_t> BuildFlaggerSprite() {
  constexpr std::uint32_t kWidth = 16, kHeight = 32;
  std::vector<std::uint8_t> pixels;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      std::uint16_t value = 0;  // transparent
      if (x >= 5 && x < 10 && y >= 6) value = 0x8000 | 0x7BDE;           // body, light grey
      if (x >= 6 && x < 9 && y < 5) value = 0x8000 | 0x6E73;             // head
      if (x >= 10 && y >= 4 && y < 12) value = 0x8000 | (31 << 10) | (31 << 5);  // flag
      pixels.push_back(static_cast<std::uint8_t>(value));
      pixels.push_back(static_cast<std::uint8_t>(value >> 8));
    }
  }
  SpriteHeader header;
  header.width = 0.6f;
  header.height = 1.8f;
  header.origin_x = 0.3f;
  return BuildSrb(header, SpriteTexture(kWidth, kHeight, Log2(kHeight), pixels));
}

std::vector<std::uint8_t> CarriedObject(std::string_view resource) {
  for (const EmbeddedFile& file : EmbeddedFiles()) {
    if (EqualsIgnoreCase(file.name, resource)) {
      return std::vector<std::uint8_t>(file.bytes.begin(), file.bytes.end());
    }
  }
  return {};
}

}  // namespace

PageSize GplPageSize(std::string_view name) {
  for (const PageSpec& page : kPages) {
    if (EqualsIgnoreCase(page.name, name)) return page.size;
  }
  return {};
}

std::vector<std::uint8_t> BuildWav(int samples, int pitch) {
  ByteWriter out;
  const std::uint32_t data_size = static_cast<std::uint32_t>(samples);
  out.Text("RIFF");
  out.U32(36 + data_size + (data_size & 1));
  out.Text("WAVEfmt ");
  out.U32(16);
  out.U16(1);  // PCM
  out.U16(1);  // mono
  out.U32(kWavRate);
  out.U32(kWavRate);  // bytes a second
  out.U16(1);         // bytes a sample frame
  out.U16(8);         // bits a sample
  out.Text("data");
  out.U32(data_size);
  std::uint32_t noise = 12345;
  for (int i = 0; i < samples; ++i) {
    double level;
    if (pitch > 0) {
      level = std::sin(6.283185307179586 * pitch * i / kWavRate);
    } else {
      noise = noise * 1103515245u + 12345u;
      level = static_cast<double>((noise >> 16) & 0x7FFF) / 16384.0 - 1.0;
    }
    out.U8(static_cast<std::uint8_t>(128 + 24 * level));  // 8-bit PCM is unsigned
  }
  if (data_size & 1) out.U8(0);  // RIFF chunks are padded to even sizes
  return out.Take();
}

std::vector<MemberBytes> BuildGplStandardFiles() {
  std::vector<MemberBytes> files;
  int seed = 0;
  for (const PageSpec& page : kPages) {
    files.push_back({std::string(page.name), BuildPage(page.size, seed++)});
  }
  files.push_back({"starter.3do", CarriedObject("_CONE_3DO")});
  files.push_back({"groove.mip", BuildTexture565(5, Groove)});
  files.push_back({"flagger.3do", CarriedObject("_HAY_3DO")});
  files.push_back({"flagger.srb", BuildFlaggerSprite()});
  files.push_back({"announce.wav", BuildWav(kWavRate / 2, 440)});
  files.push_back({"crowd.wav", BuildWav(kWavRate, 0)});
  files.push_back({"tire.3do", CarriedObject("_TIRE_3DO")});
  files.push_back({"tirefrnt.mip", BuildTexture565(5, TyreTread)});
  files.push_back({"tireside.mip", BuildTexture565(5, TyreSide)});
  files.push_back({"shadtire.mip", BuildTexture565(5, Shadow)});
  return files;
}

}  // namespace velmora::samples
