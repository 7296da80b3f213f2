#ifndef VELMORA_PLATFORM_BYTE_READER_H_
#define VELMORA_PLATFORM_BYTE_READER_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace velmora {

// Bounds-checked little-endian reads over bytes it does not own. Running out of data is sticky:
// the read returns zero (or an empty span), ok() turns false and stays false, and the reader
// never looks outside its span. Parsers read a record, then check ok() once.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t remaining() const { return bytes_.size() - position_; }
  // Whether `count` more bytes are there to read.
  bool Has(std::size_t count) const { return ok_ && count <= remaining(); }

  std::uint8_t U8() { return Little<std::uint8_t>(); }
  std::uint16_t U16() { return Little<std::uint16_t>(); }
  std::uint32_t U32() { return Little<std::uint32_t>(); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  float F32() { return std::bit_cast<float>(U32()); }

  // The next `count` bytes, or an empty span when fewer are left.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    if (!Has(count)) return Fail();
    std::span<const std::uint8_t> out = bytes_.subspan(position_, count);
    position_ += count;
    return out;
  }
  // A reader limited to the next `count` bytes (one chunk); this reader moves past them.
  ByteReader Sub(std::size_t count) {
    ByteReader sub(Bytes(count));
    sub.ok_ = ok_;
    return sub;
  }
  void Skip(std::size_t count) { Bytes(count); }
  // Moves to an absolute position; a position past the end fails the reader.
  void Seek(std::size_t position) {
    if (!ok_ || position > bytes_.size()) {
      Fail();
      return;
    }
    position_ = position;
  }

 private:
  std::span<const std::uint8_t> Fail() {
    ok_ = false;
    position_ = bytes_.size();
    return {};
  }
  // One bounds check and a direct load: readers call this for every word of a file, so it
  // stays small enough to inline.
  template <typename T>
  T Little() {
    if (!Has(sizeof(T))) {
      Fail();
      return 0;
    }
    const std::uint8_t* raw = bytes_.data() + position_;
    position_ += sizeof(T);
    T value = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&value, raw, sizeof(T));
    } else {
      for (std::size_t i = sizeof(T); i > 0; --i) value = static_cast<T>((value << 8) | raw[i - 1]);
    }
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_BYTE_READER_H_
