#ifndef VELMORA_PLATFORM_PROFILE_FILE_H_
#define VELMORA_PLATFORM_PROFILE_FILE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// An ini file read and written key by key, the way the desktop's private profile files are:
//   [Section]
//   key=value
// Section and key names compare without regard to letter case; a missing file counts as an
// empty one; reading a missing key gives the caller's default; writing one key keeps every
// other line of the file as it was (comments, blank lines, unknown keys, line ends). Values are
// read trimmed of surrounding blanks, and a value in matching quotes loses them.
// Every call reads the file afresh, so edits made by hand between calls are seen.
class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

  const std::filesystem::path& path() const { return path_; }

  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view default_value) const;
  // The number at the start of the value (an optional sign and decimal digits); a value that
  // does not start with a number reads as 0; a missing key gives the default.
  int ReadInt(std::string_view section, std::string_view key, int default_value) const;
  // The number as ReadInt reads it, or nothing when the file does not hold the key.
  std::optional<int> FindInt(std::string_view section, std::string_view key) const;

  // False when the file cannot be written; the value is then lost and nothing is reported.
  bool WriteText(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInt(std::string_view section, std::string_view key, int value);
  // Takes the key's lines out of the file, keeping every other line; true when the file holds
  // no such key afterwards (also when it never did).
  bool RemoveKey(std::string_view section, std::string_view key);

 private:
  std::filesystem::path path_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_PROFILE_FILE_H_
