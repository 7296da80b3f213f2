#ifndef VELMORA_FORMAT_CHUNK_FILE_H_
#define VELMORA_FORMAT_CHUNK_FILE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/byte_writer.h"
#include "platform/status.h"

namespace velmora {

// The tagged chunk container shared by textures, sprites, page images and 3D objects.
//
//   chunk   := tag:4 bytes  version:u32  size:u32  payload:size bytes  pad
//   pad     := 0..3 bytes 0x20, up to the next multiple of 4 ((4 - size % 4) % 4)
//   payload := leaf bytes | chunk*          (containers: the children, each padded)
//
// Tags are stored with their characters reversed and are given here as the stored bytes
// ("DHPM" for MPHD). A leaf's size never counts its pad; a container's size is the sum of its
// children's full lengths, pads included. Every chunk starts at a multiple of 4.

inline constexpr std::size_t kChunkHeaderSize = 12;
inline constexpr std::uint8_t kChunkPadByte = 0x20;

// Stored tags.
inline constexpr std::string_view kTagMip = "PIM ";            // 4- or 16-bit texture (written)
inline constexpr std::string_view kTagMip8 = " PIM";           // 8-bit texture (read only)
inline constexpr std::string_view kTagMipHeader = "DHPM";      // MPHD
inline constexpr std::string_view kTagColourMap = "PAMC";      // CMAP
inline constexpr std::string_view kTagBitmap = "PAMB";         // BMAP
inline constexpr std::string_view kTagBitmapHeader = "DHMB";   // BMHD
inline constexpr std::string_view kTagData = "ATAD";           // DATA
inline constexpr std::string_view kTagSprite = " BRS";         // SRB
inline constexpr std::string_view kTagSpriteHeader = "DHRS";   // SRHD
inline constexpr std::string_view kTagSpriteHeader2 = "2HRS";  // SRH2

constexpr std::size_t ChunkPad(std::size_t size) { return (4 - size % 4) % 4; }

// One chunk header as read, with where its payload lies in the buffer it was read from.
struct Chunk {
  std::uint8_t tag[4] = {};
  std::uint32_t version = 0;
  std::uint32_t size = 0;
  std::size_t offset = 0;   // of the header
  std::size_t payload = 0;  // offset + 12

  bool Is(std::string_view stored_tag) const;
  // The tag compared as a terminated four-character string, as the texture readers do: the
  // byte after the tag (the low byte of `version`) must be 0 as well.
  bool IsTerminated(std::string_view stored_tag) const;
  // Where the next sibling starts: past the payload and its pad.
  std::size_t End() const { return payload + size + ChunkPad(size); }
};

// The chunk header at `offset` whose payload lies wholly inside `bytes[0, limit)`; Corruption
// when the header or the payload would pass `limit` (or the buffer), so a size that runs past
// its container or the file is refused here.
Result<Chunk> ReadChunk(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t limit);
inline Result<Chunk> ReadChunk(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return ReadChunk(bytes, offset, bytes.size());
}

// Appends one chunk header.
void WriteChunkHeader(ByteWriter& out, std::string_view stored_tag, std::uint32_t version,
                      std::uint32_t size);
// Appends the pad that follows a payload of `size` bytes.
void WriteChunkPad(ByteWriter& out, std::size_t size);
// A leaf whose payload is known: header, payload, pad.
void WriteLeafChunk(ByteWriter& out, std::string_view stored_tag,
                    std::span<const std::uint8_t> payload);

// A chunk whose size is not known in advance: the header is written with size 0 when the
// scope opens, and Close() (or the destructor) fills the size in as the bytes written since
// the header and pads the payload. For a container the children are already padded, so the
// size is the sum of their full lengths and no pad follows.
class ChunkScope {
 public:
  ChunkScope(ByteWriter& out, std::string_view stored_tag, std::uint32_t version = 0);
  ~ChunkScope() { Close(); }
  ChunkScope(const ChunkScope&) = delete;
  ChunkScope& operator=(const ChunkScope&) = delete;

  // The payload size written so far.
  std::size_t PayloadSize() const { return out_.size() - start_ - kChunkHeaderSize; }
  void Close();

 private:
  ByteWriter& out_;
  std::size_t start_;
  bool open_ = true;
};

}  // namespace velmora

#endif  // VELMORA_FORMAT_CHUNK_FILE_H_
