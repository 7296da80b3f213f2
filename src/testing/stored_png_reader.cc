#include "testing/stored_png_reader.h"

#include <algorithm>
#include <string_view>

namespace velmora::testkit {
namespace {

std::uint32_t U32Be(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | bytes[at + i];
  return value;
}

// CRC-32 as the PNG specification defines it, a bit at a time.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t byte : bytes) {
    c ^= byte;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return c ^ 0xFFFFFFFFu;
}

// The raw bytes of a zlib stream made of stored blocks only.
std::optional<std::vector<std::uint8_t>> InflateStored(std::span<const std::uint8_t> z) {
  if (z.size() < 6 || (z[0] & 0x0F) != 8 || ((z[0] << 8) | z[1]) % 31 != 0) return std::nullopt;
  std::vector<std::uint8_t> raw;
  std::size_t at = 2;
  bool last = false;
  while (!last) {
    if (at + 5 > z.size() || (z[at] & 0x06) != 0) return std::nullopt;  // not a stored block
    last = (z[at] & 1) != 0;
    const std::size_t size = z[at + 1] | z[at + 2] << 8;
    const std::size_t check = z[at + 3] | z[at + 4] << 8;
    if ((size ^ 0xFFFF) != check || at + 5 + size > z.size()) return std::nullopt;
    const std::span<const std::uint8_t> block = z.subspan(at + 5, size);
    raw.insert(raw.end(), block.begin(), block.end());
    at += 5 + size;
  }
  if (at + 4 != z.size()) return std::nullopt;
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  if (U32Be(z, at) != ((b << 16) | a)) return std::nullopt;
  return raw;
}

}  // namespace

std::optional<DecodedPng> DecodeStoredPng(std::span<const std::uint8_t> bytes) {
  constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() < 8 || !std::ranges::equal(bytes.first(8), kSignature)) return std::nullopt;
  DecodedPng out;
  std::vector<std::uint8_t> zlib;
  bool header = false, end = false;
  for (std::size_t at = 8; !end;) {
    if (at + 12 > bytes.size()) return std::nullopt;
    const std::size_t length = U32Be(bytes, at);
    if (length > bytes.size() - at - 12) return std::nullopt;
    const std::span<const std::uint8_t> typed = bytes.subspan(at + 4, 4 + length);
    if (Crc32(typed) != U32Be(bytes, at + 8 + length)) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(typed.data()), 4);
    const std::span<const std::uint8_t> data = typed.subspan(4);
    if (type == "IHDR") {
      if (length != 13 || data[8] != 8 || data[9] != 2 || data[12] != 0) return std::nullopt;
      out.width = static_cast<int>(U32Be(data, 0));
      out.height = static_cast<int>(U32Be(data, 4));
      header = out.width > 0 && out.height > 0 && out.width < 65536 && out.height < 65536;
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), data.begin(), data.end());
    } else if (type == "IEND") {
      end = true;
    }
    at += 12 + length;
  }
  if (!header) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> raw = InflateStored(zlib);
  const std::size_t row = static_cast<std::size_t>(out.width) * 3;
  if (!raw || raw->size() != (row + 1) * static_cast<std::size_t>(out.height)) return std::nullopt;
  for (int y = 0; y < out.height; ++y) {
    const auto line = raw->begin() + static_cast<std::ptrdiff_t>(y * (row + 1));
    if (*line != 0) return std::nullopt;  // only filter type None
    out.rgb.insert(out.rgb.end(), line + 1, line + 1 + static_cast<std::ptrdiff_t>(row));
  }
  return out;
}

}  // namespace velmora::testkit
