#include "pipeline/source_files.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/path_text.h"
#include "track/track_archive.h"

namespace velmora {

namespace fs = std::filesystem;

void SourceFiles::Reset(const TrackArchive& archive) {
  files_.clear();
  folder_ = archive.folder_path();
  std::error_code ec;
  available_ = !folder_.empty() && fs::is_directory(folder_, ec);
  if (!available_) return;
  for (std::string& name : archive.HeldNames()) {
    std::span<const std::uint8_t> bytes = archive.HeldMember(name).value_or(
        std::span<const std::uint8_t>());
    std::string key = AsciiLower(name);
    files_.insert_or_assign(std::move(key), File{std::move(name), bytes});
  }
}

void SourceFiles::Put(std::string_view name, std::span<const std::uint8_t> bytes) {
  if (!available_) return;
  files_.insert_or_assign(AsciiLower(name), File{std::string(name), bytes});
}

std::vector<fs::path> SourceFiles::List(std::string_view extension) const {
  std::vector<std::pair<std::string, fs::path>> found;  // (sort key, path)
  for (const auto& [key, file] : files_) {
    fs::path path = folder_ / PathFromWindows1252(file.name);
    if (!EqualsIgnoreCase(PathToUtf8(path.extension()), extension)) continue;
    found.emplace_back(AsciiLower(PathToUtf8(path.filename())), std::move(path));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<fs::path> paths;
  paths.reserve(found.size());
  for (auto& [key, path] : found) paths.push_back(std::move(path));
  return paths;
}

std::optional<std::span<const std::uint8_t>> SourceFiles::Find(const fs::path& path) const {
  if (!available_ || path.parent_path() != folder_) return std::nullopt;
  auto it = files_.find(AsciiLower(PathToWindows1252(path.filename())));
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes;
}

std::optional<std::vector<std::uint8_t>> SourceFiles::Copy(const fs::path& path) const {
  std::optional<std::span<const std::uint8_t>> bytes = Find(path);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace velmora
