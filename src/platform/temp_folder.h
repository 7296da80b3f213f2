#ifndef VELMORA_PLATFORM_TEMP_FOLDER_H_
#define VELMORA_PLATFORM_TEMP_FOLDER_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A fresh, uniquely named folder under the system's temporary folder, named with a prefix and
// a unique suffix. The object owns the folder: it removes it with everything in it when
// destroyed. Moving hands the ownership over.
class TempFolder {
 public:
  // Why a folder could not be made.
  enum class Failure { kNoTempDirectory, kNotCreated };

  // Makes the folder. On failure `failure` says which step failed, and `attempted` holds the
  // path that could not be created (for kNotCreated).
  static std::optional<TempFolder> Create(std::string_view prefix, Failure* failure = nullptr,
                                          std::filesystem::path* attempted = nullptr);

  TempFolder(TempFolder&& other) noexcept;
  TempFolder& operator=(TempFolder&& other) noexcept;
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const std::filesystem::path& path() const { return path_; }

 private:
  explicit TempFolder(std::filesystem::path path) : path_(std::move(path)) {}
  void Remove();

  std::filesystem::path path_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_TEMP_FOLDER_H_
