#include "platform/resource_store.h"

#include <system_error>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace velmora {

namespace fs = std::filesystem;

ResourceStore::ResourceStore(std::span<const EmbeddedFile> embedded, fs::path user_folder)
    : embedded_(embedded), user_folder_(std::move(user_folder)) {
  if (user_folder_.empty()) return;
  std::optional<fs::path> folder = ResolveExisting(user_folder_);
  if (!folder) return;
  std::error_code ec;
  fs::directory_iterator it(*folder, ec);
  if (ec) return;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = AsciiUpper(PathToUtf8(it->path().stem()));
    // With two spellings of one name, the smaller file name wins, whatever the folder order.
    auto [entry, added] = user_files_.emplace(name, it->path());
    if (!added && it->path().filename() < entry->second.filename()) entry->second = it->path();
  }
}

std::optional<std::span<const std::uint8_t>> ResourceStore::Find(std::string_view name) const {
  const std::string key = AsciiUpper(name);
  if (auto cached = loaded_.find(key); cached != loaded_.end()) return cached->second;
  if (auto user = user_files_.find(key); user != user_files_.end()) {
    if (std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(user->second)) {
      return loaded_.emplace(key, std::move(*bytes)).first->second;
    }
  }
  for (const EmbeddedFile& file : embedded_) {
    if (EqualsIgnoreCase(file.name, name)) return file.bytes;
  }
  return std::nullopt;
}

}  // namespace velmora
