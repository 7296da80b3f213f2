#ifndef VELMORA_PLATFORM_SETTINGS_H_
#define VELMORA_PLATFORM_SETTINGS_H_

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/profile_file.h"

namespace velmora {

// Sections and keys of the settings file.
inline constexpr std::string_view kDirectoriesSection = "Directories";
inline constexpr std::string_view kOptionsSection = "Options";
inline constexpr std::string_view kGplPathKey = "GPL Path";
inline constexpr std::string_view kIcr2PathKey = "ICR2 Path";
inline constexpr std::string_view kN2PathKey = "N2 Path";
inline constexpr std::string_view kN3PathKey = "N3 Path";
inline constexpr std::string_view kNlPathKey = "NL Path";
inline constexpr std::string_view kPatchesKey = "Patches";
// Folder whose files override or add embedded resources (the geometry templates live there).
inline constexpr std::string_view kResourcesKey = "Resources";
inline constexpr std::string_view kHqSkyKey = "HQsky";
// Absent: automatic (the geometry template when one is found, else the source game's own track
// file). A stored value keeps its meaning: 0 the template or stop, 1 the source game's own
// track file, any other value goes on without a template.
inline constexpr std::string_view kTrackFileConversionKey = "N2N4TrkConvert";

// Copies `earlier_file` to `user_file` (making its folder) when `user_file` does not exist and
// `earlier_file` does. True when `user_file` exists afterwards.
bool AdoptEarlierSettings(const std::filesystem::path& user_file,
                          const std::filesystem::path& earlier_file);

// The values kept between runs, over one ini file (Velmora.INI). Folder keys default to the
// user's home folder, "Patches" and "Resources" to empty, the options to 0. A value can be
// overridden for this process only (tests hand folders over that way);
// overrides are read back but never stored.
class Settings {
 public:
  Settings(std::filesystem::path file, std::string default_folder);

  // Linux: $XDG_CONFIG_HOME/velmora/Velmora.INI, else ~/.config/velmora/Velmora.INI.
  // Windows: %APPDATA%\Velmora\Velmora.INI, per user, since the Windows folder where older
  // converters kept it is writable only by administrators and values stored there were lost.
  // When no per-user file exists yet, an existing Velmora.INI in the Windows folder is taken
  // over once (copied) by this call.
  static std::filesystem::path DefaultFile();
  // The starting point of every folder setting: the user's home folder on Linux, "c:\" on
  // Windows.
  static std::string HomeFolder();

  const std::filesystem::path& file() const { return profile_.path(); }
  const std::string& default_folder() const { return default_folder_; }

  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view default_value) const;
  int ReadInt(std::string_view section, std::string_view key, int default_value) const;
  // The number, or nothing when the key is neither overridden nor in the file.
  std::optional<int> FindInt(std::string_view section, std::string_view key) const;
  // Values that cannot be stored are lost silently; the folder of the file is made on demand.
  void WriteText(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, int value);
  void Override(std::string_view section, std::string_view key, std::string value);

  // A folder of section "Directories" ("GPL Path", "ICR2 Path", ...), default the home folder.
  std::string Folder(std::string_view key) const;
  void SetFolder(std::string_view key, std::string_view folder);
  int HqSky() const;
  void SetHqSky(int value);
  // "N2N4TrkConvert": nothing when the file does not hold it (automatic).
  std::optional<int> TrackFileConversion() const;
  // Stores the value; nothing takes the key out of the file, back to automatic.
  void SetTrackFileConversion(std::optional<int> value);
  std::string PatchesFolder() const;
  std::string ResourcesFolder() const;

 private:
  const std::string* FindOverride(std::string_view section, std::string_view key) const;

  ProfileFile profile_;
  std::string default_folder_;
  std::map<std::pair<std::string, std::string>, std::string> overrides_;  // lowercased names
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_SETTINGS_H_
