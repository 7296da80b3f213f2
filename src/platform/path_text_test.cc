#include "platform/path_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Names of the entries of `folder` as the disk spells them, in UTF-8.
std::vector<std::string> Utf8Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(PathToUtf8(entry.path().filename()));
  }
  return names;
}

TEST(PathTextTest, Windows1252NamesBecomeTheirUnicodeFileNames) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  ASSERT_TRUE(folder);
  const std::string member = "\xD6sterreichring.txt";  // Windows-1252
  ASSERT_TRUE(WriteFileText(folder->path() / PathFromWindows1252(member), "x"));
  EXPECT_EQ(Utf8Names(folder->path()), std::vector<std::string>{"\u00D6sterreichring.txt"});
  const fs::path written = fs::directory_iterator(folder->path())->path();
  EXPECT_EQ(PathToWindows1252(written.filename()), member);
  // The lookup that every read goes through finds it under any ASCII letter case.
  EXPECT_TRUE(FileExists(folder->path() / PathFromWindows1252("\xD6STERREICHRING.TXT")));
  EXPECT_EQ(PathToWindows1252(PathFromUtf8("\u0416.mip")), "?.mip");  // not in the code page
#ifndef _WIN32
  // Linux names that are not UTF-8 are taken as Windows-1252.
  EXPECT_EQ(PathToWindows1252(fs::path("\xD6sterr.txt")), "\xD6sterr.txt");
#endif
}

TEST(PathTextTest, Utf8ArgumentsAndStoredFolders) {
  const std::string utf8 = "\u00C4rger/\u20AC uro/\u00FC";
  EXPECT_EQ(PathToUtf8(PathFromUtf8(utf8)), utf8);
  EXPECT_EQ(PathToUtf8(PathFromUtf8("")), "");
  // Settings text is UTF-8 when written here, Windows-1252 when written by older converters.
  EXPECT_EQ(PathToUtf8(PathFromStoredText("C:\\Spiele\\M\xFCller")), "C:\\Spiele\\M\u00FCller");
  EXPECT_EQ(PathToUtf8(PathFromStoredText("C:\\Spiele\\M\u00FCller")), "C:\\Spiele\\M\u00FCller");
  // Only shortest-form UTF-8 of scalar values is UTF-8: an overlong "/" (C0 AF, E0 80 AF) must
  // not pass for a separator, nor a surrogate or a value past U+10FFFF for a character; such
  // stored text is Windows-1252.
  for (const char* text : {"\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80",
                           "\xF4\x90\x80\x80", "\xC3", "\xE2\x82", "\x80", "\xFF"}) {
    EXPECT_FALSE(IsUtf8(text)) << ::testing::PrintToString(std::string(text));
  }
  for (const char* text : {"", "a/b", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xEF\xBF\xBD",
                           "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(IsUtf8(text)) << ::testing::PrintToString(std::string(text));
  }
  // Malformed UTF-8 never throws; on Windows it becomes U+FFFD.
  EXPECT_NO_THROW(PathToUtf8(PathFromUtf8("\xC3(\xFF")));
}

}  // namespace
}  // namespace velmora
