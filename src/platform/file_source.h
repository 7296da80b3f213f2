#ifndef VELMORA_PLATFORM_FILE_SOURCE_H_
#define VELMORA_PLATFORM_FILE_SOURCE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace velmora {

// Files a conversion reads without going to the disk: the members of an unpacked track archive,
// held in memory under the paths they would have had as loose files. Readers that look for a
// file beside another (an object's textures and sprites) ask here first when a source is given.
class FileSource {
 public:
  virtual ~FileSource() = default;
  // The bytes of the file at `path`, its name matched without regard to letter case; nothing
  // when the source holds no such file. The bytes live as long as the source.
  virtual std::optional<std::span<const std::uint8_t>> Find(
      const std::filesystem::path& path) const = 0;
};

// Where a conversion puts the files it makes. The run holds converted files in memory for its
// track archive; a writer given a sink hands its files over instead of writing them.
class FileSink {
 public:
  virtual ~FileSink() = default;
  // Takes the file for `path`; false when no file could be written there.
  virtual bool Put(const std::filesystem::path& path, std::vector<std::uint8_t> bytes) = 0;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_FILE_SOURCE_H_
