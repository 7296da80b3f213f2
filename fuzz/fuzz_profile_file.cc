// Feeds arbitrary bytes to the settings file reader and writer: the options are read, one key
// is written and one taken out, and the result is read again.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One folder for the whole session: each input overwrites the same file.
  static const std::optional<velmora::TempFolder> folder = velmora::TempFolder::Create("fuzz");
  if (!folder) return 0;
  const std::filesystem::path path = folder->path() / "Velmora.INI";
  if (!velmora::WriteFileBytes(path, std::span<const std::uint8_t>(data, size))) return 0;
  velmora::ProfileFile profile(path);
  static_cast<void>(profile.FindInt(velmora::kOptionsSection, velmora::kTrackFileConversionKey));
  static_cast<void>(profile.ReadText(velmora::kDirectoriesSection, velmora::kGplPathKey, "c:\\"));
  static_cast<void>(profile.WriteInt(velmora::kOptionsSection, velmora::kHqSkyKey, 1));
  static_cast<void>(profile.RemoveKey(velmora::kOptionsSection, velmora::kTrackFileConversionKey));
  if (profile.FindInt(velmora::kOptionsSection, velmora::kTrackFileConversionKey)) __builtin_trap();
  if (profile.FindInt(velmora::kOptionsSection, velmora::kHqSkyKey) != 1) __builtin_trap();
  return 0;
}
