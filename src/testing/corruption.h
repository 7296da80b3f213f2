#ifndef VELMORA_TESTING_CORRUPTION_H_
#define VELMORA_TESTING_CORRUPTION_H_

// Damage for format tests: valid bytes cut short, a byte or a u32 set at an offset, single bits
// flipped, and helpers that run a reader over each damaged copy. A read outside the buffer
// fails the test by itself under the sanitizers; the helpers add the verdicts.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace velmora::testkit {

// Copies of `bytes` with one thing changed. Offsets past the end are a mistake in the test.
std::vector<std::uint8_t> CutTo(std::span<const std::uint8_t> bytes, std::size_t length);
std::vector<std::uint8_t> WithByte(std::span<const std::uint8_t> bytes, std::size_t at,
                                   std::uint8_t value);
std::vector<std::uint8_t> WithU32(std::span<const std::uint8_t> bytes, std::size_t at,
                                  std::uint32_t value);  // little-endian
std::vector<std::uint8_t> WithBitFlipped(std::span<const std::uint8_t> bytes, std::size_t bit);

// A reader under test: whether it accepted the bytes.
using Reader = std::function<bool(std::vector<std::uint8_t> bytes)>;

// Expects the reader to refuse `bytes`; `what` names the damage in the failure message.
void ExpectRefused(const Reader& read, std::vector<std::uint8_t> bytes, std::string_view what);

// Expects the reader to refuse every cut of `whole` shorter than it, from `from` bytes up (a
// format whose tail is optional starts past it). Each cut is its own buffer, so a read past
// the cut is caught.
void ExpectEveryCutRefused(const Reader& read, std::span<const std::uint8_t> whole,
                           std::size_t from = 0);

// Runs the reader on every single-bit flip of bytes [from, to) of `whole`; only survival is
// asked, since a flipped pixel or name is still a file. Returns how many flips it accepted.
std::size_t ReadEveryBitFlip(const Reader& read, std::span<const std::uint8_t> whole,
                             std::size_t from, std::size_t to);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_CORRUPTION_H_
