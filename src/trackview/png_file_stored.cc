// The PNG encoder that needs no library: the same files as the libpng writer's in layout (8-bit
// RGB, no interlace, filter 0 on every row), with the image data kept in stored deflate blocks.
// Such files are larger, and every PNG reader reads them. It is EncodePng in the Windows build,
// where libpng is not available.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "trackview/png_file.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace velmora {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Largest payload of one stored deflate block.
constexpr std::size_t kStoredBlock = 65535;
// Largest picture encoded: far beyond any track picture, well inside 32-bit chunk lengths.
constexpr std::uint64_t kMaxImageBytes = 1u << 30;

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void AppendU32Be(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// One chunk: length, type, data, and the CRC of type and data.
void AppendChunk(std::vector<std::uint8_t>& out, std::string_view type,
                 const std::vector<std::uint8_t>& data) {
  AppendU32Be(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  AppendU32Be(out, Crc32(0, out.data() + type_at, out.size() - type_at));
}

// The zlib stream of the filtered rows: header, stored blocks, Adler-32 of the raw bytes.
std::vector<std::uint8_t> StoredZlib(const Canvas& canvas) {
  const std::size_t row_bytes = static_cast<std::size_t>(canvas.width()) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((row_bytes + 1) * static_cast<std::size_t>(canvas.height()));
  for (int y = 0; y < canvas.height(); ++y) {
    raw.push_back(0);  // filter type None
    const auto row = canvas.pixels().begin() + static_cast<std::ptrdiff_t>(y * row_bytes);
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
  }
  std::vector<std::uint8_t> out = {0x78, 0x01};
  out.reserve(raw.size() + raw.size() / kStoredBlock * 5 + 16);
  std::size_t done = 0;
  do {
    const std::size_t size = std::min(kStoredBlock, raw.size() - done);
    const bool last = done + size == raw.size();
    out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(~size));
    out.push_back(static_cast<std::uint8_t>(~size >> 8));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(done),
               raw.begin() + static_cast<std::ptrdiff_t>(done + size));
    done += size;
  } while (done < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  AppendU32Be(out, (b << 16) | a);
  return out;
}

}  // namespace

Result<std::vector<std::uint8_t>> EncodeStoredPng(const Canvas& canvas) {
  if (canvas.width() < 1 || canvas.height() < 1) {
    return Status::InvalidArgument("a picture needs at least one pixel");
  }
  const std::uint64_t image_bytes = (static_cast<std::uint64_t>(canvas.width()) * 3 + 1) *
                                    static_cast<std::uint64_t>(canvas.height());
  if (image_bytes > kMaxImageBytes ||
      canvas.pixels().size() < static_cast<std::size_t>(canvas.width()) * 3 *
                                   static_cast<std::size_t>(canvas.height())) {
    return Status::InvalidArgument("the picture is too large to encode");
  }
  std::vector<std::uint8_t> header;
  AppendU32Be(header, static_cast<std::uint32_t>(canvas.width()));
  AppendU32Be(header, static_cast<std::uint32_t>(canvas.height()));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace

  std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
  AppendChunk(out, "IHDR", header);
  AppendChunk(out, "IDAT", StoredZlib(canvas));
  AppendChunk(out, "IEND", {});
  return out;
}

#ifndef VELMORA_HAVE_LIBPNG
Result<std::vector<std::uint8_t>> EncodePng(const Canvas& canvas) {
  return EncodeStoredPng(canvas);
}

Status WritePng(const Canvas& canvas, const std::filesystem::path& path) {
  Result<std::vector<std::uint8_t>> png = EncodePng(canvas);
  if (!png.ok()) return png.status();
  if (!WriteFileBytes(path, *png)) return Status::IOError("cannot write " + PathToUtf8(path));
  return Status::Ok();
}
#endif  // VELMORA_HAVE_LIBPNG

}  // namespace velmora
