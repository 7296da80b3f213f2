#ifndef VELMORA_PLATFORM_RESOURCE_STORE_H_
#define VELMORA_PLATFORM_RESOURCE_STORE_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One data file compiled into the program.
struct EmbeddedFile {
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

// The named data files a conversion needs beyond the two installations. Names compare without
// regard to letter case. A user folder, when given, is looked at first: a file there whose name
// without its extension equals a resource name overrides that resource or adds it (this is how
// users supply the geometry templates "<TRACK>_N4T"). The store owns what it reads from the
// user folder; returned bytes stay valid as long as the store.
class ResourceStore {
 public:
  explicit ResourceStore(std::span<const EmbeddedFile> embedded,
                         std::filesystem::path user_folder = {});

  // The resource's bytes, or nothing when no resource has that name.
  std::optional<std::span<const std::uint8_t>> Find(std::string_view name) const;

  const std::filesystem::path& user_folder() const { return user_folder_; }

 private:
  std::span<const EmbeddedFile> embedded_;
  std::filesystem::path user_folder_;
  std::map<std::string, std::filesystem::path> user_files_;  // upper-case name -> file
  mutable std::map<std::string, std::vector<std::uint8_t>> loaded_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_RESOURCE_STORE_H_
