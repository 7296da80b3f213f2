#include "platform/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

#include <system_error>
#include <vector>

namespace velmora {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32

// The system's temporary folder as GetTempPathW gives it; empty when it has none.
fs::path SystemTempFolder() {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length > buffer.size()) {  // too small: the length asked for includes the terminator
    buffer.assign(length, L'\0');
    length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (length == 0 || length > buffer.size()) return fs::path();
  buffer.resize(length);
  // GetTempPathW names the folder from TMP or TEMP without looking at the disk; a folder that
  // is not there is no temporary folder, as on Linux.
  const DWORD attributes = GetFileAttributesW(buffer.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return fs::path();
  }
  return fs::path(buffer);
}

// Makes "<base>\<prefix>XXXX.tmp" as a folder, XXXX the hexadecimal unique number that
// GetTempFileNameW formats. CreateDirectoryW fails on a name that exists, so a folder made
// here is always a new one; a taken name tries the next number.
std::optional<fs::path> MakeUniqueFolder(const fs::path& base, std::string_view prefix,
                                         fs::path* attempted) {
  const std::wstring wide_prefix(prefix.begin(), prefix.end());
  std::wstring name(MAX_PATH + 1, L'\0');
  UINT unique = (GetTickCount() ^ (GetCurrentProcessId() << 4)) & 0xFFFF;
  for (int attempt = 0; attempt < 0x10000; ++attempt, ++unique) {
    unique &= 0xFFFF;
    if (unique == 0) unique = 1;  // 0 would make GetTempFileNameW create a file
    if (GetTempFileNameW(base.c_str(), wide_prefix.c_str(), unique, name.data()) == 0) break;
    const fs::path candidate(name.c_str());
    if (CreateDirectoryW(candidate.c_str(), nullptr)) return candidate;
    *attempted = candidate;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::nullopt;
}

#else

fs::path SystemTempFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  return ec ? fs::path() : base;
}

// mkdtemp replaces the six X with a unique suffix and creates the folder atomically.
std::optional<fs::path> MakeUniqueFolder(const fs::path& base, std::string_view prefix,
                                         fs::path* attempted) {
  std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    *attempted = pattern;
    return std::nullopt;
  }
  return fs::path(name.data());
}

#endif

}  // namespace

std::optional<TempFolder> TempFolder::Create(std::string_view prefix, Failure* failure,
                                             fs::path* attempted) {
  const fs::path base = SystemTempFolder();
  if (base.empty()) {
    if (failure != nullptr) *failure = Failure::kNoTempDirectory;
    return std::nullopt;
  }
  fs::path tried;
  std::optional<fs::path> folder = MakeUniqueFolder(base, prefix, &tried);
  if (!folder) {
    if (failure != nullptr) *failure = Failure::kNotCreated;
    if (attempted != nullptr) *attempted = tried;
    return std::nullopt;
  }
  return TempFolder(std::move(*folder));
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
