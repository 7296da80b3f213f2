#include "samples/image_builders.h"

#include <bit>

#include "image/mip_file.h"
#include "image/raw_texture.h"
#include "platform/byte_writer.h"

namespace velmora::samples {

namespace {

// Rows of 4-bit pixels, two a byte, left one high.
std::vector<std::uint8_t> Nibbles(int width, int height, int scale, const IndexAt& index) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x + 1 < width + 1 && x < width; x += 2) {
      const int hi = index(x * scale, y * scale) & 15;
      const int lo = x + 1 < width ? index((x + 1) * scale, y * scale) & 15 : 0;
      out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
  }
  return out;
}

void PcxRow(ByteWriter& out, const std::vector<std::uint8_t>& line) {
  for (std::size_t x = 0; x < line.size();) {
    std::size_t run = 1;
    while (x + run < line.size() && line[x + run] == line[x] && run < 63) ++run;
    if (run > 1 || (line[x] & 0xC0) == 0xC0) {
      out.U8(static_cast<std::uint8_t>(0xC0 | run));
      out.U8(line[x]);
    } else {
      out.U8(line[x]);
    }
    x += run;
  }
}

void PcxHeader(ByteWriter& out, int width, int height, int planes, int bytes_per_line) {
  out.U8(10);
  out.U8(5);
  out.U8(1);
  out.U8(8);
  out.U16(0);
  out.U16(0);
  out.U16(static_cast<std::uint16_t>(width - 1));
  out.U16(static_cast<std::uint16_t>(height - 1));
  out.Fill(65 - out.size(), 0);
  out.U8(static_cast<std::uint8_t>(planes));
  out.U16(static_cast<std::uint16_t>(bytes_per_line));
  out.Fill(128 - out.size(), 0);
}

}  // namespace

std::vector<std::uint8_t> BuildMip8(int width, int height, const IndexAt& index, bool transparent,
                                    int levels) {
  MipOut mip;
  mip.tag = kTagMip8;
  mip.type = transparent ? kMip8TypeTransparent : 0;
  mip.width_log2 = Log2(static_cast<std::uint32_t>(width));
  mip.height_log2 = Log2(static_cast<std::uint32_t>(height));
  std::vector<std::vector<std::uint8_t>> pixels(levels);
  for (int k = 0; k < levels; ++k) {
    const int w = width >> k, h = height >> k;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) pixels[k].push_back(index(x << k, y << k));
    }
    mip.levels.push_back({static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h),
                          static_cast<std::uint32_t>(w), pixels[k]});
  }
  return BuildMip(mip);
}

std::vector<std::uint8_t> BuildMip4(int width, int height, const IndexAt& index,
                                    const std::vector<std::uint32_t>& bgra, bool transparent,
                                    int levels) {
  MipOut mip;
  mip.type = transparent ? kMipType4BitTransparent : kMipType4Bit;
  mip.width_log2 = Log2(static_cast<std::uint32_t>(width));
  mip.height_log2 = Log2(static_cast<std::uint32_t>(height));
  std::array<std::uint8_t, kColourMapPayload> cmap{};
  for (std::size_t i = 0; i < 16 && i < bgra.size(); ++i) {
    for (int b = 0; b < 4; ++b) cmap[4 * i + b] = static_cast<std::uint8_t>(bgra[i] >> (8 * b));
  }
  mip.colour_map = cmap;
  std::vector<std::vector<std::uint8_t>> pixels(levels);
  for (int k = 0; k < levels; ++k) {
    const int w = width >> k, h = height >> k;
    pixels[k] = Nibbles(w, h, 1 << k, index);
    mip.levels.push_back({static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h),
                          static_cast<std::uint32_t>(w / 2), pixels[k]});
  }
  return BuildMip(mip);
}

std::vector<std::uint8_t> BuildPcx24(int width, int height, const RgbAt& colour, int pad) {
  ByteWriter out;
  const int bytes_per_line = width + pad;
  PcxHeader(out, width, height, 3, bytes_per_line);
  for (int y = 0; y < height; ++y) {
    std::vector<std::uint8_t> line;
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < bytes_per_line; ++x) {
        const Rgb24 c = x < width ? colour(x, y) : Rgb24{0, 0, 0};
        line.push_back(plane == 0 ? c.r : plane == 1 ? c.g : c.b);
      }
    }
    PcxRow(out, line);
  }
  return out.Take();
}

std::vector<std::uint8_t> BuildPalettePcx(const std::vector<Rgb24>& colours) {
  ByteWriter out;
  PcxHeader(out, 2, 1, 1, 2);
  out.U8(0);
  out.U8(0);
  out.U8(12);  // the 256-colour palette follows
  for (std::size_t i = 0; i < 256; ++i) {
    const Rgb24 c = i < colours.size() ? colours[i] : Rgb24{0, 0, 0};
    out.U8(c.r);
    out.U8(c.g);
    out.U8(c.b);
  }
  return out.Take();
}

std::vector<std::uint8_t> BuildRaw8(int width, int height, const IndexAt& index, int levels) {
  const auto count = static_cast<std::uint32_t>(levels);
  ByteWriter out;
  out.U32(0);  // the file length less 4, once it is known
  out.U32(0);
  out.U32(static_cast<std::uint32_t>(width));
  out.U32(static_cast<std::uint32_t>(height));
  out.U32(count);
  out.U32(index(width / 2, height / 2));  // stands for the average colour's index
  out.Fill(kRawRecordSize * count, 0);
  for (int k = 0; k < levels; ++k) {
    const int w = width >> k, h = height >> k;
    auto row = [&](int y) {
      for (int x = 0; x < w; ++x) out.U8(index(x << k, y << k));
    };
    row(0);
    const std::size_t pixels_at = out.size();
    for (int y = 0; y < h; ++y) row(y);
    row(h - 1);
    // The record: the level's width less 1, a negative number the reader has no use for, and
    // where the level's pixels start, counted from byte 4.
    const std::size_t record = kRawHeaderWords * 4 + kRawRecordSize * k;
    out.PatchU32(record, static_cast<std::uint32_t>(w - 1));
    out.PatchU32(record + 4, static_cast<std::uint32_t>(-h));
    out.PatchU32(record + 8, static_cast<std::uint32_t>(pixels_at - 4));
  }
  out.PatchU32(0, static_cast<std::uint32_t>(out.size() - 4));
  return out.Take();
}

std::vector<std::uint8_t> BuildRaw16(int width, int height, const Pixel16At& pixel) {
  ByteWriter pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.U16(pixel(x, y));
  }
  return BuildRawTexture(RawTextureKind::k16Bit, width, height, pixels.bytes());
}

std::vector<std::uint8_t> BuildRaw4(int width, int height, const IndexAt& index,
                                    const std::vector<std::uint16_t>& palette, bool transparent) {
  return BuildRawTexture(RawTextureKind::k4Bit, width, height, Nibbles(width, height, 1, index),
                         palette, transparent);
}

std::vector<std::uint8_t> BuildPmp(const std::vector<Run>& runs) {
  ByteWriter out;
  out.U32(0);
  out.U32(static_cast<std::uint32_t>(runs.size() * 4));
  out.U32(0);
  for (const Run& run : runs) {
    out.U8(run.row);
    out.U8(run.first);
    out.U8(run.last);
    out.U8(run.index);
  }
  return out.Take();
}

namespace {

// The 12-byte header of the ".p16" and ".pm4" sprites: size, anchor biased by 128, padding.
void WriteCartSpriteHeader(ByteWriter& out, int width, int height, int anchor_x, int anchor_y) {
  out.U8(static_cast<std::uint8_t>(width));
  out.U8(static_cast<std::uint8_t>(height));
  out.U8(static_cast<std::uint8_t>(anchor_x + 128));
  out.U8(static_cast<std::uint8_t>(anchor_y + 128));
  out.Fill(8, 0);
}

}  // namespace

std::vector<std::uint8_t> BuildP16(int width, int height, int anchor_x, int anchor_y,
                                   const Pixel16At& pixel) {
  ByteWriter out;
  WriteCartSpriteHeader(out, width, height, anchor_x, anchor_y);
  const int row = (width + 1) & ~1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < row; ++x) out.U16(x < width ? pixel(x, y) : 0);
  }
  return out.Take();
}

std::vector<std::uint8_t> BuildPm4(int width, int height, int anchor_x, int anchor_y,
                                   const IndexAt& index,
                                   const std::vector<std::uint16_t>& palette) {
  ByteWriter out;
  WriteCartSpriteHeader(out, width, height, anchor_x, anchor_y);
  const int row = (width + 7) & ~7;
  out.Bytes(Nibbles(row, height, 1,
                    [&](int x, int y) { return x < width ? index(x, y) : std::uint8_t{0}; }));
  for (std::size_t i = 0; i < 16; ++i) out.U16(i < palette.size() ? palette[i] : 0);
  return out.Take();
}

std::vector<std::uint8_t> BuildNSeriesSrb(int width, int height, int size_x, int size_y,
                                          int anchor_x, int anchor_y, std::uint8_t mode,
                                          const IndexAt& index) {
  ByteWriter out;
  out.Text(" BRS");
  out.U32(0);
  out.U32(120);  // not the 84 layout
  out.Fill(24 - out.size(), 0);
  out.I32(size_x);
  out.I32(size_y);
  out.I32(anchor_x);
  out.I32(anchor_y);
  out.I32(width - 1);
  out.I32(height - 1);
  out.Fill(72 - out.size(), 0);
  out.U8(mode);
  out.Fill(144 - out.size(), 0);
  const int row = mode == 1 ? (width + 1) / 2 : width;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < row; ++x) out.U8(index(mode == 1 ? 2 * x : x, y));
  }
  return out.Take();
}

void AddDemoImages(std::vector<MemberBytes>& members) {
  // Grey indexes of the built-in fragments, so the sample needs no palette file.
  auto checker = [](int x, int y) {
    return static_cast<std::uint8_t>(((x / 8 + y / 8) % 2) != 0 ? 40 : 46);
  };
  members.push_back({"kbarrier.mip", BuildRaw8(64, 32, checker)});
  members.push_back(
      {"kwall.mi4", BuildRaw4(
                        64, 32, [](int x, int) { return static_cast<std::uint8_t>(x / 4 % 16); },
                        {0x0000, 0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x8888,
                         0x9999, 0xAAAA, 0xBBBB, 0xCCCC, 0xDDDD, 0xEEEE, 0xFFFF},
                        false)});
  members.push_back({"ksky.m16", BuildRaw16(320, 64, [](int, int y) {
                       return static_cast<std::uint16_t>((y / 2) & 31);  // blue ramp
                     })});
  members.push_back(
      {"kbanner.pcx", BuildPcx24(128, 32, [](int x, int y) {
         return Rgb24{static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 8), 200};
       })});
  members.push_back({"ktree.pmp", BuildPmp({{120, 120, 134, 110},
                                            {121, 118, 136, 110},
                                            {122, 116, 138, 108},
                                            {127, 126, 128, 150}})});
  members.push_back({"kflag.p16", BuildP16(16, 12, 8, 12, [](int x, int) {
                       return static_cast<std::uint16_t>(x < 8 ? 0xFC00 : 0xFFFF);
                     })});
  members.push_back({"kmarker.pm4", BuildPm4(10, 10, 5, 10,
                                             [](int x, int y) {
                                               return static_cast<std::uint8_t>((x + y) % 2 + 1);
                                             },
                                             {0x0000, 0xFC00, 0xFFFF})});
}

}  // namespace velmora::samples
