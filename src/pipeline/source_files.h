#ifndef VELMORA_PIPELINE_SOURCE_FILES_H_
#define VELMORA_PIPELINE_SOURCE_FILES_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_source.h"

namespace velmora {

class TrackArchive;

// The source track's files for one run: the members of its unpacked archive, held in memory
// under the paths they would have as loose files in the archive's temporary folder, and the
// files the run adds to them (the carried groove texture). The stages list and read them as
// they would that folder. The bytes are borrowed: the archive and the resources outlive the
// run's use of them.
class SourceFiles : public FileSource {
 public:
  // Takes the members `archive` holds after Unpack. When no folder was made for them there are
  // no files, as there would be none in a folder that does not exist.
  void Reset(const TrackArchive& archive);

  // Whether the files' folder was made: without it nothing is listed, found or added.
  bool available() const { return available_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Number of files, each name once.
  std::size_t count() const { return files_.size(); }

  // Adds the file `name`, or replaces the one of that name in any letter case.
  void Put(std::string_view name, std::span<const std::uint8_t> bytes);
  // The files whose extension equals `extension` (".mip") without regard to case, as paths in
  // the folder, sorted by lowercased name so that every run visits them in the same order.
  std::vector<std::filesystem::path> List(std::string_view extension) const;
  // The file at `path`, which must lie in the folder.
  std::optional<std::span<const std::uint8_t>> Find(
      const std::filesystem::path& path) const override;
  // The same by name; the copy returned is the reader's to keep.
  std::optional<std::vector<std::uint8_t>> Copy(const std::filesystem::path& path) const;

 private:
  struct File {
    std::string name;  // Windows-1252, as in the archive
    std::span<const std::uint8_t> bytes;
  };

  std::filesystem::path folder_;
  bool available_ = false;
  std::unordered_map<std::string, File> files_;  // by lowercased name
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_SOURCE_FILES_H_
