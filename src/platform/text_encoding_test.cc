#include "platform/text_encoding.h"

#include <gtest/gtest.h>

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
}

TEST(TextEncodingTest, UnmappableAndMalformedTextBecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToWindows1252("\xE6\x97\xA5x"), "?x");  // a CJK character
  EXPECT_EQ(Utf8ToWindows1252("a\xC3"), "a?");        // cut sequence
  EXPECT_EQ(Utf8ToWindows1252("\xFF" "b"), "?b");
}

TEST(AsciiTest, FoldsOnlyTheLettersAToZ) {
  EXPECT_EQ(AsciiLower("DETHQ.Dat"), "dethq.dat");
  EXPECT_EQ(AsciiLower("\xD6"), "\xD6");
  EXPECT_TRUE(EqualsIgnoreCase("Elkhart", "ELKHART"));
  EXPECT_FALSE(EqualsIgnoreCase("\xD6", "\xF6"));
  EXPECT_TRUE(ContainsIgnoreCase("WATGLEN.TRK", ".trk"));
  EXPECT_FALSE(ContainsIgnoreCase("watglen.lp", ".trk"));
}

}  // namespace
}  // namespace velmora
