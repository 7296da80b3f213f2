#ifndef VELMORA_PLATFORM_BYTE_WRITER_H_
#define VELMORA_PLATFORM_BYTE_WRITER_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velmora {

// Little-endian appends to a growable buffer that the writer owns until Take(). Sizes known
// only later are reserved with a placeholder and filled with PatchU32.
class ByteWriter {
 public:
  std::size_t size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }
  void Reserve(std::size_t count) { bytes_.reserve(count); }

  void U8(std::uint8_t value) { bytes_.push_back(value); }
  void U16(std::uint16_t value) { Little(value, 2); }
  void U32(std::uint32_t value) { Little(value, 4); }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void F32(float value) { U32(std::bit_cast<std::uint32_t>(value)); }
  void Bytes(std::span<const std::uint8_t> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void Text(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void Fill(std::size_t count, std::uint8_t value) { bytes_.insert(bytes_.end(), count, value); }

  // Overwrites four bytes at `at`, which must lie inside what was written.
  void PatchU32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void PatchU16(std::size_t at, std::uint16_t value) {
    bytes_.at(at) = static_cast<std::uint8_t>(value);
    bytes_.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
  }

 private:
  void Little(std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }

  std::vector<std::uint8_t> bytes_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_BYTE_WRITER_H_
