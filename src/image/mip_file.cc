#include "image/mip_file.h"

#include <bit>
#include <utility>

#include "platform/byte_reader.h"

namespace velmora {

namespace {

// MPHD payload offsets.
constexpr std::size_t kMphdType = 0;
constexpr std::size_t kMphdFlags = 13;
constexpr std::size_t kMphdLevelCount = 14;
// BMHD payload offsets.
constexpr std::size_t kBmhdWidth = 1;
constexpr std::size_t kBmhdHeight = 5;
constexpr std::size_t kBmhdStride = 9;

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
  ByteReader reader(bytes);
  reader.Seek(at);
  return reader.U32();
}

bool TransparentMipType(std::uint8_t type) {
  return type == 1 || type == 2 || type == 4 || type == 5;
}

// Numbers from the file become image fields only inside these bounds.
bool SaneSide(std::uint32_t value) { return value >= 1 && value <= kMaxTextureSide; }

}  // namespace

std::uint32_t Log2(std::uint32_t value) {
  return value == 0 ? 0 : static_cast<std::uint32_t>(std::bit_width(value) - 1);
}

bool StartsWithTag(std::span<const std::uint8_t> bytes, std::string_view stored_tag,
                   std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 5) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (bytes[at + i] != static_cast<std::uint8_t>(stored_tag[i])) return false;
  }
  return bytes[at + 4] == 0;
}

void AppendMip(ByteWriter& out, const MipOut& mip) {
  // Level pixels are not padded: readers find each level 52 bytes after the previous one's
  // pixels, so the BMAP size is the pixel bytes + 40 and the MIP size what follows its header.
  // Levels of textures are multiples of 4 bytes except for the very smallest.
  const std::size_t start = out.size();
  WriteChunkHeader(out, mip.tag, 0, 0);
  WriteChunkHeader(out, kTagMipHeader, 0, kMipHeaderPayload);
  out.U8(mip.type);
  out.U32(mip.width_log2);
  out.U32(mip.height_log2);
  out.U32(mip.colour);
  out.U8(mip.flags);
  out.U32(static_cast<std::uint32_t>(mip.levels.size()));
  WriteChunkPad(out, kMipHeaderPayload);
  if (mip.colour_map) WriteLeafChunk(out, kTagColourMap, *mip.colour_map);
  for (const MipLevelOut& level : mip.levels) {
    const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(level.pixels.size());
    WriteChunkHeader(out, kTagBitmap, 0, pixel_bytes + kMipLevelGap - kChunkHeaderSize);
    WriteChunkHeader(out, kTagBitmapHeader, 0, kBitmapHeaderPayload);
    out.U8(mip.type);
    out.U32(level.width);
    out.U32(level.height);
    out.U32(level.stride);
    out.U8(0);
    WriteChunkPad(out, kBitmapHeaderPayload);
    WriteChunkHeader(out, kTagData, 0, pixel_bytes);
    out.Bytes(level.pixels);
  }
  out.PatchU32(start + 8, static_cast<std::uint32_t>(out.size() - start - kChunkHeaderSize));
}

std::vector<std::uint8_t> BuildMip(const MipOut& mip) {
  ByteWriter out;
  std::size_t pixel_bytes = 0;
  for (const MipLevelOut& level : mip.levels) pixel_bytes += level.pixels.size() + 56;
  out.Reserve(kMipHeadersSize + kChunkHeaderSize + kColourMapPayload + pixel_bytes);
  AppendMip(out, mip);
  return out.Take();
}

Result<TextureImage> ReadMip(std::vector<std::uint8_t> bytes, std::size_t at) {
  if (!StartsWithTag(bytes, kTagMip, at)) return Status::Corruption("not a PIM texture");
  if (bytes.size() - at < kMipHeadersSize)
    return Status::Corruption("cut short inside its headers");
  TextureImage image;
  const std::size_t mphd = at + 24;
  image.mip_type = bytes[mphd + kMphdType];
  image.mip_flags = bytes[mphd + kMphdFlags];
  // Type 2 is read as one level whatever the count says.
  const std::uint32_t levels = image.mip_type == 2 ? 1 : U32At(bytes, mphd + kMphdLevelCount);
  if (levels > static_cast<std::uint32_t>(kMaxTextureLevels))
    return Status::Corruption("more levels than a texture holds");
  image.level_count = std::max<int>(1, static_cast<int>(levels));
  image.transparent = TransparentMipType(image.mip_type);
  image.bits_per_pixel = 16;
  bool have_size = false;
  std::size_t position = at + kMipHeadersSize;
  for (;;) {
    Result<Chunk> chunk = ReadChunk(bytes, position);
    if (!chunk) return Status::Corruption("a chunk runs past the file");
    if (chunk->IsTerminated(kTagData)) {
      image.pixels_at = chunk->payload;
      break;
    }
    if (chunk->IsTerminated(kTagColourMap)) {
      if (chunk->size < kColourMapPayload) return Status::Corruption("its colour map is cut short");
      image.bits_per_pixel = 4;
      image.palette_bits = 32;
      image.palette_at = chunk->payload;
      position = chunk->End();
    } else if (chunk->IsTerminated(kTagBitmap)) {
      position = chunk->payload;  // into the level's headers
    } else if (chunk->IsTerminated(kTagBitmapHeader)) {
      if (chunk->size < kBitmapHeaderPayload)
        return Status::Corruption("its bitmap header is cut short");
      const std::uint32_t width = U32At(bytes, chunk->payload + kBmhdWidth);
      const std::uint32_t height = U32At(bytes, chunk->payload + kBmhdHeight);
      if (!SaneSide(width) || !SaneSide(height))
        return Status::Corruption("its size is out of range");
      image.width = static_cast<std::int32_t>(width);
      image.height = static_cast<std::int32_t>(height);
      have_size = true;
      position = chunk->End();
    } else {
      position = chunk->End();  // a chunk this reader does not use
    }
  }
  if (!have_size) return Status::Corruption("it has no bitmap header");
  image.level_gap = kMipLevelGap;
  image.buffer = std::move(bytes);
  if (!LevelsFit(image)) return Status::Corruption("its levels run past the file");
  return image;
}

Result<TextureImage> ReadMip8(std::vector<std::uint8_t> bytes) {
  if (!StartsWithTag(bytes, kTagMip8) || bytes.size() < kMip8PixelsAt)
    return Status::Corruption("not an 8-bit PIM texture");
  TextureImage image;
  image.mip_type = bytes[24 + kMphdType];
  image.mip_flags = bytes[24 + kMphdFlags];
  const std::uint32_t levels = U32At(bytes, 24 + kMphdLevelCount);
  if (levels > static_cast<std::uint32_t>(kMaxTextureLevels))
    return Status::Corruption("more levels than a texture holds");
  constexpr std::size_t kBmhd = kMipHeadersSize + 24;
  const std::uint32_t width =
      std::min(U32At(bytes, kBmhd + kBmhdWidth), U32At(bytes, kBmhd + kBmhdStride));
  const std::uint32_t height = U32At(bytes, kBmhd + kBmhdHeight);
  if (!SaneSide(width) || !SaneSide(height)) return Status::Corruption("its size is out of range");
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  image.bits_per_pixel = 8;
  image.transparent = image.mip_type == kMip8TypeTransparent;
  image.level_count = std::max<int>(1, static_cast<int>(levels));
  image.level_gap = kMipLevelGap;
  image.pixels_at = kMip8PixelsAt;
  image.buffer = std::move(bytes);
  if (!LevelsFit(image)) return Status::Corruption("its levels run past the file");
  return image;
}

}  // namespace velmora
