// Feeds arbitrary bytes to the track archive reader in memory: open, then every member's bytes
// and whether its name may be written, as Extract checks them; then the members checked and
// held as a conversion holds them, under a folder made once per process (nothing is made,
// written or removed per input), and the run's view of the held members, listed by kind and
// looked up by path.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "pipeline/source_files.h"
#include "platform/temp_folder.h"
#include "track/track_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::optional<velmora::TempFolder> folder = velmora::TempFolder::Create("fuzz");
  if (!folder) return 0;
  velmora::TrackArchive archive;
  // A directory cut short keeps its complete records, as the runs use them.
  archive.OpenBytes(std::vector<std::uint8_t>(data, data + size)).IgnoreError();
  std::size_t total = 0;
  for (const velmora::ArchiveEntry& entry : archive.entries()) {
    if (!velmora::IsSafeMemberName(entry.name)) continue;
    velmora::Result<std::span<const std::uint8_t>> member = archive.MemberBytes(entry);
    if (member.ok() && !member->empty()) total += member->front() + member->back();
  }
  archive.Hold(folder->path()).IgnoreError();
  velmora::SourceFiles files;
  files.Reset(archive);
  for (const char* kind : {".mip", ".3do", ".pmp", ".srb", ""}) {
    for (const std::filesystem::path& path : files.List(kind)) {
      std::optional<std::span<const std::uint8_t>> bytes = files.Find(path);
      if (bytes && !bytes->empty()) total += bytes->front();
    }
  }
  return total == 1 ? 0 : 0;
}
