#include "image/texture_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>

#include "image/mip_file.h"
#include "image/pcx_file.h"
#include "platform/file_system.h"
#include "platform/rule_path.h"

namespace velmora {

namespace {

constexpr std::uint32_t kMaxSide = 256;

bool ContainsAny(std::string_view path, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words) {
    if (path.find(word) != std::string_view::npos) return true;
  }
  return false;
}

std::array<std::uint8_t, kColourMapPayload> ColourMapOf(const TextureImage& image,
                                                        TexturePalette& palette) {
  std::array<std::uint8_t, kColourMapPayload> cmap{};
  auto set = [&cmap](std::size_t i, unsigned b, unsigned g, unsigned r, unsigned a) {
    cmap[4 * i] = static_cast<std::uint8_t>(b);
    cmap[4 * i + 1] = static_cast<std::uint8_t>(g);
    cmap[4 * i + 2] = static_cast<std::uint8_t>(r);
    cmap[4 * i + 3] = static_cast<std::uint8_t>(a);
  };
  if (image.bits_per_pixel == 4 && image.palette_bits == 32) {
    // A CMAP source keeps its colours; only the alpha bytes follow the transparency.
    std::span<const std::uint8_t> source = image.ColourMap();
    for (std::size_t i = 0; i < 16; ++i) {
      set(i, source[4 * i], source[4 * i + 1], source[4 * i + 2],
          i == 0 && image.transparent ? 0 : 255);
    }
  } else if (image.bits_per_pixel == 4) {
    const bool five_five_five = image.transparent;
    for (std::size_t i = 0; i < 16; ++i) {
      const unsigned v = static_cast<unsigned>(image.buffer[image.palette_at + 2 * i] |
                                               image.buffer[image.palette_at + 2 * i + 1] << 8);
      const unsigned b = (v & 31) * 8;
      const unsigned g = five_five_five ? ((v >> 5) & 31) * 8 : ((v >> 5) & 63) * 4;
      const unsigned r = five_five_five ? ((v >> 10) & 31) * 8 : ((v >> 11) & 31) * 8;
      set(i, b, g, r, i == 0 && image.transparent ? 0 : 255);
    }
  } else {
    palette.ResetHistogram();
    palette.CountColours(image.Level(0));
    palette.ReduceTo16Colours();
    set(0, 0, 0, 0, image.transparent ? 0 : 255);
    for (std::size_t i = 1; i < 16; ++i) {
      const Rgb c = palette.reduced()[i];
      set(i, c.b, c.g, c.r, 255);
    }
  }
  return cmap;
}

}  // namespace

std::uint32_t OutputHeight(std::int64_t height) {
  if (height <= 1) return 1;
  const std::uint64_t capped =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(height), kMaxSide);
  return static_cast<std::uint32_t>(std::bit_floor(capped));
}

std::uint32_t SqueezedRow(std::uint32_t row, std::uint32_t source_rows, std::uint32_t output_rows) {
  if (source_rows <= 1 || output_rows == 0) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(row) * (output_rows - 1) /
                                    (source_rows - 1));
}

std::optional<std::vector<std::uint8_t>> BuildFourBitTexture(const TextureImage& image,
                                                             TexturePalette& palette,
                                                             std::string_view output_path,
                                                             bool sixteen_bit) {
  if (sixteen_bit && ContainsAny(output_path, {"page03", "skyindex", "asphalt"})) {
    return std::nullopt;
  }
  const bool eight_bit = image.bits_per_pixel == 8;
  const bool crop = eight_bit && ContainsAny(output_path, {"asphalt", "grass"});
  const std::uint32_t width = static_cast<std::uint32_t>(image.width);
  const std::uint32_t height = OutputHeight(image.height);
  const int levels = std::max(1, image.level_count);

  MipOut mip;
  mip.type = image.transparent ? kMipType4BitTransparent : kMipType4Bit;
  mip.width_log2 = Log2(width);
  mip.height_log2 = Log2(height);
  mip.flags = ContainsAny(output_path, {"horiz", "sky", "page03", "tree"}) ? 3 : 0;
  mip.colour_map = ColourMapOf(image, palette);

  std::vector<std::vector<std::uint8_t>> level_pixels(levels);
  for (int k = 0; k < levels; ++k) {
    const std::uint32_t w = width >> k;
    const std::uint32_t out_rows = height >> k;
    const std::uint32_t source_rows = static_cast<std::uint32_t>(image.height) >> k;
    const std::size_t stride = w / 2;
    std::vector<std::uint8_t>& out = level_pixels[k];
    out.assign(stride * out_rows, 0);
    std::span<const std::uint8_t> source = image.Level(k);
    const std::size_t source_row_bytes = image.RowBytes(k);
    for (std::uint32_t r = 0; r < source_rows && out_rows > 0; ++r) {
      std::uint32_t row;
      if (crop) {
        if (r >= out_rows) break;
        row = r;
      } else {
        row = SqueezedRow(r, source_rows, out_rows);
      }
      const std::uint8_t* in = source.data() + r * source_row_bytes;
      std::uint8_t* dest = out.data() + row * stride;
      if (eight_bit) {
        for (std::size_t x = 0; x < stride; ++x) {
          const std::uint8_t p0 = in[2 * x], p1 = in[2 * x + 1];
          const std::uint8_t m0 = p0 == 0 ? 0 : palette.MapIndex(p0);
          const std::uint8_t m1 = p1 == 0 ? 0 : palette.MapIndex(p1);
          dest[x] = static_cast<std::uint8_t>(m0 << 4 | m1);
        }
      } else {
        std::copy_n(in, stride, dest);
      }
    }
    mip.levels.push_back({w, out_rows, static_cast<std::uint32_t>(stride), out});
  }
  return BuildMip(mip);
}

std::vector<std::uint8_t> BuildSixteenBitTexture(const TextureImage& image,
                                                 const TexturePalette& palette,
                                                 std::string_view output_path) {
  const std::uint32_t width = static_cast<std::uint32_t>(image.width);
  // width / f is a true quotient: rounded down it would let the last columns of a width such
  // as 257 land past the output row.
  std::uint32_t f = 1;
  while (width > kMaxSide * f) f *= 2;
  const std::uint32_t out_width = std::bit_ceil(std::max<std::uint32_t>(1, (width + f - 1) / f));
  const std::uint32_t source_rows = static_cast<std::uint32_t>(image.height);
  const std::uint32_t out_rows = OutputHeight(image.height);
  // Columns past width / f are never written and stay 0.
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(out_width) * out_rows * 2, 0);
  auto put = [&](std::uint32_t row, std::uint32_t x, std::uint16_t value) {
    std::uint8_t* at = pixels.data() + (static_cast<std::size_t>(row) * out_width + x / f) * 2;
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
  };

  if (image.bits_per_pixel == 24) {
    PcxRowDecoder rows(image);
    for (std::uint32_t r = 0; r < source_rows; ++r) {
      std::span<const std::uint8_t> line = rows.Next();
      if (line.empty()) break;  // the reader has proved every row is there
      const std::uint32_t row = SqueezedRow(r, source_rows, out_rows);
      const std::size_t plane = image.pcx_bytes_per_line;
      for (std::uint32_t x = 0; x < width; ++x) {
        const unsigned red = line[x], green = line[plane + x], blue = line[2 * plane + x];
        put(row, x,
            static_cast<std::uint16_t>((red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3));
      }
    }
  } else {
    std::span<const std::uint8_t> source = image.Level(0);
    const std::size_t row_bytes = image.RowBytes(0);
    const std::array<std::uint16_t, 16> entries =
        image.bits_per_pixel == 4 ? image.Palette16() : std::array<std::uint16_t, 16>{};
    std::array<std::uint16_t, 256> colours{};
    if (image.bits_per_pixel == 8) {
      for (int i = 0; i < 256; ++i) {
        const Rgb c = palette.ColourOf(static_cast<std::uint8_t>(i));
        colours[i] =
            image.transparent
                ? static_cast<std::uint16_t>(0x8000 | (c.r & 0xF8) << 7 | (c.g & 0xF8) << 2 |
                                             c.b >> 3)
                : static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g & 0xFC) << 3 | c.b >> 3);
      }
      if (image.transparent) colours[0] = 0;
    }
    for (std::uint32_t r = 0; r < source_rows; ++r) {
      const std::uint32_t row = SqueezedRow(r, source_rows, out_rows);
      const std::uint8_t* in = source.data() + r * row_bytes;
      switch (image.bits_per_pixel) {
        case 4:
          for (std::uint32_t x = 0; x < row_bytes * 2; ++x) {
            const std::uint8_t byte = in[x / 2];
            put(row, x, entries[x % 2 == 0 ? byte >> 4 : byte & 15]);
          }
          break;
        case 8:
          for (std::uint32_t x = 0; x < width; ++x) put(row, x, colours[in[x]]);
          break;
        default:
          for (std::uint32_t x = 0; x < width; ++x) {
            put(row, x, static_cast<std::uint16_t>(in[2 * x] | in[2 * x + 1] << 8));
          }
          break;
      }
    }
  }

  MipOut mip;
  mip.type = image.transparent ? kMipType16BitTransparent : kMipType16Bit;
  mip.width_log2 = Log2(out_width);
  mip.height_log2 = Log2(out_rows);
  mip.flags = ContainsAny(output_path, {"asphalt", "grass", "concrete", "dirt", "crowd"}) ? 0 : 3;
  mip.levels.push_back({out_width, out_rows, out_width * 2, pixels});
  return BuildMip(mip);
}

std::vector<std::uint8_t> BuildConvertedTexture(const TextureImage& image, TexturePalette& palette,
                                                std::string_view output_path, bool sixteen_bit) {
  if (image.bits_per_pixel <= 8 && image.width <= static_cast<std::int32_t>(kMaxSide) &&
      std::has_single_bit(static_cast<std::uint32_t>(image.width))) {
    std::optional<std::vector<std::uint8_t>> four_bit =
        BuildFourBitTexture(image, palette, output_path, sixteen_bit);
    if (four_bit) return std::move(*four_bit);
  }
  return BuildSixteenBitTexture(image, palette, output_path);
}

Status ConvertTexture(const TextureImage& image, TexturePalette& palette,
                      const std::filesystem::path& output, bool sixteen_bit) {
  if (!WriteFileBytes(output, BuildConvertedTexture(image, palette, GplTrackFileRulePath(output),
                                                    sixteen_bit))) {
    return Status::IOError(output.string());
  }
  return Status::Ok();
}

}  // namespace velmora
