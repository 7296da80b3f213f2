#include "platform/profile_file.h"

#include <charconv>
#include <optional>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

struct ProfileText {
  std::vector<std::string> lines;  // without their line ends
  bool crlf = true;  // the file's line ends, kept when it is written back
};

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

ProfileText Load(const std::filesystem::path& path) {
  ProfileText profile;
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return profile;
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos) {
    profile.crlf = false;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    profile.lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return profile;
}

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
  std::size_t close = trimmed.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(1, close - 1));
}

// The key of a value line, or nothing for comments and lines without "=".
std::optional<std::string_view> KeyOf(std::string_view line) {
  std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(0, equals));
}

struct KeyLocation {
  std::optional<std::size_t> section_line;  // header of the first matching section
  std::optional<std::size_t> key_line;      // the key's line inside that section
  std::size_t section_end = 0;              // one past the section's last non-blank line
};

KeyLocation Locate(const ProfileText& profile, std::string_view section, std::string_view key) {
  KeyLocation where;
  bool inside = false;
  for (std::size_t i = 0; i < profile.lines.size(); ++i) {
    const std::string& line = profile.lines[i];
    if (std::optional<std::string_view> name = SectionOf(line)) {
      if (inside) break;  // only the first matching section counts
      inside = EqualsIgnoreCase(*name, section);
      if (inside) {
        where.section_line = i;
        where.section_end = i + 1;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trim(line).empty()) where.section_end = i + 1;
    std::optional<std::string_view> name = KeyOf(line);
    if (name && EqualsIgnoreCase(*name, key) && !where.key_line) where.key_line = i;
  }
  return where;
}

std::optional<std::string> FindValue(const std::filesystem::path& path, std::string_view section,
                                     std::string_view key) {
  ProfileText profile = Load(path);
  KeyLocation where = Locate(profile, section, key);
  if (!where.key_line) return std::nullopt;
  std::string_view line = profile.lines[*where.key_line];
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Writes the lines back with the line ends the file had.
bool Save(const std::filesystem::path& path, const ProfileText& profile) {
  std::string text;
  const std::string_view line_end = profile.crlf ? "\r\n" : "\n";
  for (const std::string& line : profile.lines) text.append(line).append(line_end);
  return WriteFileText(path, text);
}

int NumberAtStart(std::string_view digits) {
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int number = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return number;
}

std::string KeyValueLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append(1, '=').append(value);
  return line;
}

}  // namespace

std::string ProfileFile::ReadText(std::string_view section, std::string_view key,
                                  std::string_view default_value) const {
  std::optional<std::string> value = FindValue(path_, section, key);
  return value ? *value : std::string(default_value);
}

int ProfileFile::ReadInt(std::string_view section, std::string_view key, int default_value) const {
  return FindInt(section, key).value_or(default_value);
}

std::optional<int> ProfileFile::FindInt(std::string_view section, std::string_view key) const {
  std::optional<std::string> value = FindValue(path_, section, key);
  if (!value) return std::nullopt;
  return NumberAtStart(*value);
}

bool ProfileFile::WriteText(std::string_view section, std::string_view key,
                            std::string_view value) {
  ProfileText profile = Load(path_);
  KeyLocation where = Locate(profile, section, key);
  const std::string entry = KeyValueLine(key, value);
  if (where.key_line) {
    // The key keeps the spelling the file gives it.
    std::string& line = profile.lines[*where.key_line];
    line = KeyValueLine(*KeyOf(line), value);
  } else if (where.section_line) {
    profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(where.section_end),
                         entry);
  } else {
    if (!profile.lines.empty() && !Trim(profile.lines.back()).empty()) profile.lines.emplace_back();
    std::string header;
    header.append(1, '[').append(section).append(1, ']');
    profile.lines.push_back(std::move(header));
    profile.lines.push_back(entry);
  }
  return Save(path_, profile);
}

bool ProfileFile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteText(section, key, std::to_string(value));
}

bool ProfileFile::RemoveKey(std::string_view section, std::string_view key) {
  ProfileText profile = Load(path_);
  bool removed = false;
  // A key typed twice would otherwise come back from its second line.
  for (KeyLocation where = Locate(profile, section, key); where.key_line;
       where = Locate(profile, section, key)) {
    profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(*where.key_line));
    removed = true;
  }
  return !removed || Save(path_, profile);
}

}  // namespace velmora
