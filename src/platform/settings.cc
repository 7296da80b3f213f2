#include "platform/settings.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

#ifdef _WIN32
// <windows.h> first: <shlobj.h> builds on it.
#include <windows.h>
//
#include <shlobj.h>
#endif

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace fs = std::filesystem;

Settings::Settings(fs::path file, std::string default_folder)
    : profile_(std::move(file)), default_folder_(std::move(default_folder)) {}

bool AdoptEarlierSettings(const fs::path& user_file, const fs::path& earlier_file) {
  std::error_code ec;
  if (fs::exists(user_file, ec)) return true;
  if (!fs::is_regular_file(earlier_file, ec)) return false;
  fs::create_directories(user_file.parent_path(), ec);
  return CopyFileReplacing(earlier_file, user_file) && fs::exists(user_file, ec);
}

#ifdef _WIN32

namespace {

// A folder named by the environment (APPDATA), else by the shell.
fs::path RoamingAppData() {
  const wchar_t* value = _wgetenv(L"APPDATA");
  if (value != nullptr && *value != L'\0') return fs::path(value);
  wchar_t buffer[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) {
    return fs::path(buffer);
  }
  return fs::path(L"C:\\");
}

fs::path WindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return fs::path();
  return fs::path(buffer);
}

}  // namespace

fs::path Settings::DefaultFile() {
  const fs::path user_file = RoamingAppData() / "Velmora" / "Velmora.INI";
  const fs::path windows = WindowsFolder();
  if (!windows.empty()) AdoptEarlierSettings(user_file, windows / "Velmora.INI");
  return user_file;
}

// Folder settings start at the root of drive c:, as the settings of older converters did.
std::string Settings::HomeFolder() { return "c:\\"; }

#else

fs::path Settings::DefaultFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (config != nullptr && *config != '\0') {
    base = config;
  } else {
    base = fs::path(HomeFolder()) / ".config";
  }
  return base / "velmora" / "Velmora.INI";
}

std::string Settings::HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  std::error_code ec;
  fs::path current = fs::current_path(ec);
  return ec ? std::string("/") : current.string();
}

#endif

const std::string* Settings::FindOverride(std::string_view section, std::string_view key) const {
  auto it = overrides_.find({AsciiLower(section), AsciiLower(key)});
  return it == overrides_.end() ? nullptr : &it->second;
}

std::string Settings::ReadText(std::string_view section, std::string_view key,
                               std::string_view default_value) const {
  if (const std::string* value = FindOverride(section, key)) return *value;
  return profile_.ReadText(section, key, default_value);
}

int Settings::ReadInt(std::string_view section, std::string_view key, int default_value) const {
  return FindInt(section, key).value_or(default_value);
}

std::optional<int> Settings::FindInt(std::string_view section, std::string_view key) const {
  if (const std::string* value = FindOverride(section, key)) {
    int number = 0;
    std::from_chars(value->data(), value->data() + value->size(), number);
    return number;
  }
  return profile_.FindInt(section, key);
}

void Settings::WriteText(std::string_view section, std::string_view key, std::string_view value) {
  std::error_code ec;
  fs::path folder = profile_.path().parent_path();
  if (!folder.empty()) fs::create_directories(folder, ec);
  profile_.WriteText(section, key, value);
}

void Settings::WriteInt(std::string_view section, std::string_view key, int value) {
  WriteText(section, key, std::to_string(value));
}

void Settings::Override(std::string_view section, std::string_view key, std::string value) {
  overrides_[{AsciiLower(section), AsciiLower(key)}] = std::move(value);
}

std::string Settings::Folder(std::string_view key) const {
  return ReadText(kDirectoriesSection, key, default_folder_);
}

void Settings::SetFolder(std::string_view key, std::string_view folder) {
  WriteText(kDirectoriesSection, key, folder);
}

int Settings::HqSky() const { return ReadInt(kOptionsSection, kHqSkyKey, 0); }

void Settings::SetHqSky(int value) { WriteInt(kOptionsSection, kHqSkyKey, value); }

std::optional<int> Settings::TrackFileConversion() const {
  return FindInt(kOptionsSection, kTrackFileConversionKey);
}

void Settings::SetTrackFileConversion(std::optional<int> value) {
  if (value) {
    WriteInt(kOptionsSection, kTrackFileConversionKey, *value);
  } else {
    profile_.RemoveKey(kOptionsSection, kTrackFileConversionKey);  // unwritable: lost silently
  }
}

std::string Settings::PatchesFolder() const {
  return ReadText(kDirectoriesSection, kPatchesKey, "");
}

std::string Settings::ResourcesFolder() const {
  return ReadText(kDirectoriesSection, kResourcesKey, "");
}

}  // namespace velmora
