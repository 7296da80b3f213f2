#include "testing/corruption.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace velmora::testkit {

std::vector<std::uint8_t> CutTo(std::span<const std::uint8_t> bytes, std::size_t length) {
  EXPECT_LE(length, bytes.size());
  return {bytes.begin(),
          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(length, bytes.size()))};
}

std::vector<std::uint8_t> WithByte(std::span<const std::uint8_t> bytes, std::size_t at,
                                   std::uint8_t value) {
  std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
  EXPECT_LT(at, out.size());
  if (at < out.size()) out[at] = value;
  return out;
}

std::vector<std::uint8_t> WithU32(std::span<const std::uint8_t> bytes, std::size_t at,
                                  std::uint32_t value) {
  std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
  EXPECT_LE(at + 4, out.size());
  for (std::size_t i = 0; i < 4 && at + i < out.size(); ++i) {
    out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return out;
}

std::vector<std::uint8_t> WithBitFlipped(std::span<const std::uint8_t> bytes, std::size_t bit) {
  std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
  EXPECT_LT(bit / 8, out.size());
  if (bit / 8 < out.size()) out[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
  return out;
}

void ExpectRefused(const Reader& read, std::vector<std::uint8_t> bytes, std::string_view what) {
  EXPECT_FALSE(read(std::move(bytes))) << "accepted: " << what;
}

void ExpectEveryCutRefused(const Reader& read, std::span<const std::uint8_t> whole,
                           std::size_t from) {
  for (std::size_t length = from; length < whole.size(); ++length) {
    ExpectRefused(read, CutTo(whole, length), "cut to " + std::to_string(length) + " bytes");
  }
}

std::size_t ReadEveryBitFlip(const Reader& read, std::span<const std::uint8_t> whole,
                             std::size_t from, std::size_t to) {
  std::size_t accepted = 0;
  to = std::min(to, whole.size());
  for (std::size_t bit = from * 8; bit < to * 8; ++bit) {
    if (read(WithBitFlipped(whole, bit))) ++accepted;
  }
  return accepted;
}

}  // namespace velmora::testkit
