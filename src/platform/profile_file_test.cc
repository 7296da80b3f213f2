#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

class ProfileFileTest : public ::testing::Test {
 protected:
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path path_ = folder_->path() / "Velmora.INI";
};
// The settings file the program keeps, over the profile file.
using SettingsFileTest = ProfileFileTest;

TEST_F(ProfileFileTest, NamesIgnoreCaseValuesAreTrimmedAndNumbersReadTheirDigits) {
  WriteFileText(
      path_,
      "; kept comment\r\n[directories]\r\n  gpl path =  /games/gpl  \r\n"
      "[OPTIONS]\r\nn2n4trkconvert=2\r\nHQsky=\"1\"\r\na=12abc\r\nb=abc\r\nc=-3\r\nd=\r\n");
  ProfileFile profile(path_);
  EXPECT_EQ(profile.ReadText("Directories", "GPL Path", ""), "/games/gpl");
  // Whole numbers read their leading digits, quoted or not.
  const std::pair<const char*, int> numbers[] = {
      {"N2N4TrkConvert", 2}, {"HQsky", 1}, {"a", 12}, {"b", 0}, {"c", -3}, {"d", 0}};
  for (const auto& [key, value] : numbers) EXPECT_EQ(profile.ReadInt("options", key, 9), value);
  // A key of another section is not found.
  EXPECT_EQ(profile.ReadText("Options", "GPL Path", "none"), "none");
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherLine) {
  const std::string original =
      "; settings by hand\r\n[Directories]\r\nGPL Path=/old\r\nN2 Path=/n2\r\n\r\n"
      "[Options]\r\n; 1 converts the source track file\r\nN2N4TrkConvert=1\r\n";
  WriteFileText(path_, original);
  ProfileFile profile(path_);
  ASSERT_TRUE(profile.WriteText("directories", "gpl path", "/new"));
  std::string expected = original;
  expected.replace(expected.find("GPL Path=/old"), 13, "GPL Path=/new");
  EXPECT_EQ(ReadText(path_), expected);

  // A new key joins the end of its section, before the blank line; a new section goes last.
  ASSERT_TRUE(profile.WriteText("Directories", "ICR2 Path", "/cart"));
  ASSERT_TRUE(profile.WriteInt("Extra", "Count", 3));
  EXPECT_EQ(ReadText(path_),
            "; settings by hand\r\n[Directories]\r\nGPL Path=/new\r\nN2 Path=/n2\r\n"
            "ICR2 Path=/cart\r\n\r\n[Options]\r\n; 1 converts the source track file\r\n"
            "N2N4TrkConvert=1\r\n\r\n[Extra]\r\nCount=3\r\n");
  EXPECT_EQ(profile.ReadInt("extra", "count", 0), 3);

  // Taking a key out takes every line of it in its section, typed twice or not, and nothing else.
  ASSERT_TRUE(profile.WriteText("Options", "n2n4trkconvert", "0"));
  WriteFileText(path_, ReadText(path_) + "[options]\r\nN2N4TrkConvert=7\r\n");
  ASSERT_TRUE(profile.WriteText("Directories", "N2N4TrkConvert", "2"));
  std::string doubled = ReadText(path_);
  doubled.insert(doubled.find("N2N4TrkConvert=0"), "n2n4trkconvert = 1\r\n");
  WriteFileText(path_, doubled);
  ASSERT_TRUE(profile.RemoveKey("OPTIONS", "N2N4TrkConvert"));
  EXPECT_EQ(profile.FindInt("Options", "N2N4TrkConvert"), std::nullopt);
  EXPECT_EQ(ReadText(path_),
            "; settings by hand\r\n[Directories]\r\nGPL Path=/new\r\nN2 Path=/n2\r\n"
            "ICR2 Path=/cart\r\nN2N4TrkConvert=2\r\n\r\n[Options]\r\n"
            "; 1 converts the source track file\r\n\r\n[Extra]\r\nCount=3\r\n"
            "[options]\r\nN2N4TrkConvert=7\r\n");
  EXPECT_TRUE(profile.RemoveKey("Options", "N2N4TrkConvert"));  // already gone: unchanged
  EXPECT_FALSE(ProfileFile(folder_->path() / "missing" / "Velmora.INI").WriteInt("A", "B", 1));
}

TEST_F(ProfileFileTest, SettingsDefaultsOverridesAndFolders) {
  Settings settings(folder_->path() / "config" / "Velmora.INI", "/home/racer");
  EXPECT_EQ(settings.Folder(kIcr2PathKey), "/home/racer");
  EXPECT_EQ(std::pair(settings.PatchesFolder(), settings.HqSky()), std::pair(std::string(), 0));
  EXPECT_EQ(settings.TrackFileConversion(), std::nullopt);  // automatic

  // Writing makes the settings folder and its file on demand.
  settings.SetFolder(kGplPathKey, "/games/gpl");
  settings.SetHqSky(1);

  // An override counts for this process and is never stored.
  settings.Override(kOptionsSection, kTrackFileConversionKey, "1");
  EXPECT_EQ(settings.TrackFileConversion(), 1);
  Settings reread(settings.file(), "/home/racer");
  EXPECT_EQ(reread.TrackFileConversion(), std::nullopt);
  EXPECT_EQ(std::pair(reread.HqSky(), reread.Folder(kGplPathKey)),
            std::pair(1, std::string("/games/gpl")));

  // Going back to automatic takes the key out and keeps every other line.
  reread.SetTrackFileConversion(0);
  reread.SetTrackFileConversion(std::nullopt);
  EXPECT_EQ(reread.TrackFileConversion(), std::nullopt);
  EXPECT_EQ(ReadText(settings.file()),
            "[Directories]\r\nGPL Path=/games/gpl\r\n\r\n[Options]\r\nHQsky=1\r\n");
}

TEST_F(SettingsFileTest, EarlierFileIsTakenOverOnceAndNeverOverUserValues) {
  const fs::path user = folder_->path() / "AppData" / "Velmora" / "Velmora.INI";
  const fs::path earlier = folder_->path() / "Windows" / "Velmora.INI";
  EXPECT_FALSE(AdoptEarlierSettings(user, earlier));  // neither file: nothing to do
  EXPECT_FALSE(fs::exists(user));

  fs::create_directories(earlier.parent_path());
  WriteFileText(earlier, "[Directories]\r\nGPL Path=C:\\Sierra\\GPL\r\n");
  ASSERT_TRUE(AdoptEarlierSettings(user, earlier));
  Settings settings(user, "c:\\");
  EXPECT_EQ(settings.Folder(kGplPathKey), "C:\\Sierra\\GPL");
  EXPECT_EQ(settings.Folder(kN2PathKey), "c:\\");

  // From then on the user's file is the one: changes stay, the old file is not read again.
  settings.SetFolder(kGplPathKey, "D:\\GPL");
  WriteFileText(earlier, "[Directories]\r\nGPL Path=E:\\Other\r\n");
  EXPECT_TRUE(AdoptEarlierSettings(user, earlier));
  EXPECT_EQ(Settings(user, "c:\\").Folder(kGplPathKey), "D:\\GPL");
}

#ifdef _WIN32
TEST_F(SettingsFileTest, WindowsKeepsThemPerUserUnderAppData) {
  const fs::path app_data = folder_->path() / "Roaming";
  const wchar_t* old = _wgetenv(L"APPDATA");
  const std::wstring restore = L"APPDATA=" + std::wstring(old != nullptr ? old : L"");
  ASSERT_EQ(_wputenv((L"APPDATA=" + app_data.native()).c_str()), 0);
  EXPECT_EQ(Settings::DefaultFile(), app_data / "Velmora" / "Velmora.INI");
  EXPECT_EQ(Settings::HomeFolder(), "c:\\");
  // Drive letters and backslashes, as settings written on Windows hold them, reach the files.
  Settings settings(Settings::DefaultFile(), Settings::HomeFolder());
  settings.SetFolder(kGplPathKey, folder_->path().string());
  fs::create_directories(folder_->path() / "Tracks");
  EXPECT_TRUE(FolderExists(fs::path(settings.Folder(kGplPathKey)) / "tracks"));
  EXPECT_TRUE(fs::exists(app_data / "Velmora" / "Velmora.INI"));
  _wputenv(restore.c_str());
}
#endif

}  // namespace
}  // namespace velmora
