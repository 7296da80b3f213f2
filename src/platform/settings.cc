#include "platform/settings.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

#include "platform/ascii.h"

namespace velmora {

namespace fs = std::filesystem;

Settings::Settings(fs::path file, std::string default_folder)
    : profile_(std::move(file)), default_folder_(std::move(default_folder)) {}

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
  if (const std::string* value = FindOverride(section, key)) {
    int number = 0;
    std::from_chars(value->data(), value->data() + value->size(), number);
    return number;
  }
  return profile_.ReadInt(section, key, default_value);
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

int Settings::TrackFileConversion() const {
  return ReadInt(kOptionsSection, kTrackFileConversionKey, 0);
}

std::string Settings::PatchesFolder() const {
  return ReadText(kDirectoriesSection, kPatchesKey, "");
}

std::string Settings::ResourcesFolder() const {
  return ReadText(kDirectoriesSection, kResourcesKey, "");
}

}  // namespace velmora
