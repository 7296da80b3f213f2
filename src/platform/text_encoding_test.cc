#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/ascii.h"

namespace velmora {
namespace {

TEST(TextEncodingTest, ConvertsTheCodePageBothWays) {
  const std::string name = "\xD6sterreichring";
  EXPECT_EQ(Windows1252ToUtf8(name), "\xC3\x96sterreichring");
  EXPECT_EQ(Utf8ToWindows1252("\xC3\x96sterreichring"), name);
  // The upper range's typographic characters.
  EXPECT_EQ(Windows1252ToUtf8("\x80\x93\x9F"), "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8");
  // Every byte survives a round trip, the five undefined ones included.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
  // Unmappable and malformed text becomes question marks.
  EXPECT_EQ(Utf8ToWindows1252("\xE6\x97\xA5x"), "?x");  // a CJK character
  EXPECT_EQ(Utf8ToWindows1252("a\xC3"), "a?");          // cut sequence
  EXPECT_EQ(Utf8ToWindows1252(std::string("\xFF") + "b"), "?b");
}

TEST(TextEncodingTest, FoldsWindows1252Letters) {
  // Capital and small letter pairs of the code page; every other byte folds to itself.
  std::map<unsigned, unsigned> pairs = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};
  for (unsigned c = 'A'; c <= 'Z'; ++c) pairs[c] = c + 32;
  for (unsigned c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) pairs[c] = c + 32;  // 0xD7 and 0xF7 are the multiplication and division signs
  }
  ASSERT_EQ(pairs.size(), 60u);
  for (unsigned b = 0; b < 256; ++b) {
    const auto it = pairs.find(b);
    const unsigned lower = it == pairs.end() ? b : it->second;
    EXPECT_EQ(static_cast<unsigned char>(Windows1252Lower(static_cast<char>(b))), lower) << b;
  }
  EXPECT_TRUE(EqualsIgnoreCase1252("\xF6sterreichring", "\xD6STERREICHRING"));
  EXPECT_TRUE(EqualsIgnoreCase1252(std::string("\x9A") + "a\xFF", std::string("\x8A") + "A\x9F"));
  EXPECT_FALSE(EqualsIgnoreCase1252("\xD7", "\xF7"));
  EXPECT_FALSE(EqualsIgnoreCase1252("ab", "abc"));
}

TEST(AsciiTest, FoldsOnlyTheLettersAToZ) {
  EXPECT_EQ(AsciiLower("DETHQ.Dat\xD6"), "dethq.dat\xD6");
  EXPECT_TRUE(EqualsIgnoreCase("Elkhart", "ELKHART"));
  EXPECT_FALSE(EqualsIgnoreCase("\xD6", "\xF6"));
  EXPECT_TRUE(ContainsIgnoreCase("WATGLEN.TRK", ".trk"));
  EXPECT_FALSE(ContainsIgnoreCase("watglen.lp", ".trk"));
}

}  // namespace
}  // namespace velmora
