#include "platform/temp_folder.h"

#include <stdlib.h>

#include <system_error>
#include <vector>

namespace velmora {

namespace fs = std::filesystem;

std::optional<TempFolder> TempFolder::Create(std::string_view prefix, Failure* failure,
                                             fs::path* attempted) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec || base.empty()) {
    if (failure != nullptr) *failure = Failure::kNoTempDirectory;
    return std::nullopt;
  }
  std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    if (failure != nullptr) *failure = Failure::kNotCreated;
    if (attempted != nullptr) *attempted = pattern;
    return std::nullopt;
  }
  return TempFolder(fs::path(name.data()));
}

TempFolder::TempFolder(TempFolder&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

TempFolder& TempFolder::operator=(TempFolder&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

TempFolder::~TempFolder() { Remove(); }

void TempFolder::Remove() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
  path_.clear();
}

}  // namespace velmora
