// The corruption helpers must catch a reader that accepts damage, or they would pass any reader.
#include "testing/corruption.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <vector>

namespace velmora::testkit {
namespace {

const std::vector<std::uint8_t> kWhole = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(CorruptionTest, EditsChangeOnlyWhatTheyName) {
  EXPECT_EQ(CutTo(kWhole, 3), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(WithByte(kWhole, 7, 0), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(WithU32(kWhole, 2, 0xA1B2C3D4u),
            (std::vector<std::uint8_t>{1, 2, 0xD4, 0xC3, 0xB2, 0xA1, 7, 8}));
  EXPECT_EQ(WithBitFlipped(kWhole, 9), (std::vector<std::uint8_t>{1, 0, 3, 4, 5, 6, 7, 8}));
}

TEST(CorruptionTest, AReaderThatAcceptsACutIsCaught) {
  // A reader that takes one cut, the one of 4 bytes, for a file: exactly that cut is reported.
  const Reader takes_four = [](std::vector<std::uint8_t> bytes) { return bytes.size() == 4; };
  EXPECT_NONFATAL_FAILURE(ExpectEveryCutRefused(takes_four, kWhole), "cut to 4 bytes");
  // Cuts start at `from`: the one of 7 bytes alone is asked here.
  const Reader lenient = [](std::vector<std::uint8_t> bytes) { return bytes.size() >= 4; };
  EXPECT_NONFATAL_FAILURE(ExpectEveryCutRefused(lenient, kWhole, 7), "cut to 7 bytes");
  EXPECT_NONFATAL_FAILURE(ExpectRefused(lenient, kWhole, "whole"), "accepted: whole");
}

TEST(CorruptionTest, EveryBitOfTheRangeIsFlippedOnce) {
  std::vector<std::vector<std::uint8_t>> seen;
  const Reader record = [&](std::vector<std::uint8_t> bytes) {
    seen.push_back(std::move(bytes));
    return seen.size() % 2 == 0;
  };
  EXPECT_EQ(ReadEveryBitFlip(record, kWhole, 2, 4), 8u);  // 16 flips, every second accepted
  ASSERT_EQ(seen.size(), 16u);
  EXPECT_EQ(seen.front(), WithBitFlipped(kWhole, 16));
  EXPECT_EQ(seen.back(), WithBitFlipped(kWhole, 31));
}

}  // namespace
}  // namespace velmora::testkit
