#include "platform/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
 protected:
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path user_ = folder_->path() / "AppData" / "Velmora" / "Velmora.INI";
  fs::path earlier_ = folder_->path() / "Windows" / "Velmora.INI";
};

TEST_F(SettingsFileTest, EarlierFileIsTakenOverOnceAndNeverOverUserValues) {
  EXPECT_FALSE(AdoptEarlierSettings(user_, earlier_));  // neither file: nothing to do
  EXPECT_FALSE(fs::exists(user_));

  fs::create_directories(earlier_.parent_path());
  WriteFileText(earlier_, "[Directories]\r\nGPL Path=C:\\Sierra\\GPL\r\n");
  ASSERT_TRUE(AdoptEarlierSettings(user_, earlier_));
  Settings settings(user_, "c:\\");
  EXPECT_EQ(settings.Folder(kGplPathKey), "C:\\Sierra\\GPL");
  EXPECT_EQ(settings.Folder(kN2PathKey), "c:\\");

  // From then on the user's file is the one: changes stay, the old file is not read again.
  settings.SetFolder(kGplPathKey, "D:\\GPL");
  WriteFileText(earlier_, "[Directories]\r\nGPL Path=E:\\Other\r\n");
  EXPECT_TRUE(AdoptEarlierSettings(user_, earlier_));
  EXPECT_EQ(Settings(user_, "c:\\").Folder(kGplPathKey), "D:\\GPL");
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
