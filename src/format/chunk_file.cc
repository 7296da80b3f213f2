#include "format/chunk_file.h"

#include <algorithm>

#include "platform/byte_reader.h"

namespace velmora {

bool Chunk::Is(std::string_view stored_tag) const {
  return stored_tag.size() == 4 &&
         std::equal(stored_tag.begin(), stored_tag.end(), tag,
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool Chunk::IsTerminated(std::string_view stored_tag) const {
  return Is(stored_tag) && (version & 0xFF) == 0;
}

Result<Chunk> ReadChunk(std::span<const std::uint8_t> bytes, std::size_t offset,
                        std::size_t limit) {
  limit = std::min(limit, bytes.size());
  if (offset > limit || limit - offset < kChunkHeaderSize) {
    return Status::Corruption("no chunk header fits at offset " + std::to_string(offset));
  }
  ByteReader reader(bytes.subspan(offset, kChunkHeaderSize));
  Chunk chunk;
  std::span<const std::uint8_t> tag = reader.Bytes(4);
  std::copy(tag.begin(), tag.end(), chunk.tag);
  chunk.version = reader.U32();
  chunk.size = reader.U32();
  chunk.offset = offset;
  chunk.payload = offset + kChunkHeaderSize;
  if (chunk.size > limit - chunk.payload)
    return Status::Corruption("a chunk size runs past its container");
  return chunk;
}

void WriteChunkHeader(ByteWriter& out, std::string_view stored_tag, std::uint32_t version,
                      std::uint32_t size) {
  out.Text(stored_tag.substr(0, 4));
  out.U32(version);
  out.U32(size);
}

void WriteChunkPad(ByteWriter& out, std::size_t size) { out.Fill(ChunkPad(size), kChunkPadByte); }

void WriteLeafChunk(ByteWriter& out, std::string_view stored_tag,
                    std::span<const std::uint8_t> payload) {
  WriteChunkHeader(out, stored_tag, 0, static_cast<std::uint32_t>(payload.size()));
  out.Bytes(payload);
  WriteChunkPad(out, payload.size());
}

ChunkScope::ChunkScope(ByteWriter& out, std::string_view stored_tag, std::uint32_t version)
    : out_(out), start_(out.size()) {
  WriteChunkHeader(out_, stored_tag, version, 0);
}

void ChunkScope::Close() {
  if (!open_) return;
  open_ = false;
  const std::size_t size = PayloadSize();
  out_.PatchU32(start_ + 8, static_cast<std::uint32_t>(size));
  WriteChunkPad(out_, size);
}

}  // namespace velmora
