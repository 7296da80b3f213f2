// Feeds arbitrary bytes to the track archive reader in memory: open, then every member's bytes
// and whether its name may be written, as Extract checks them; then the unpacking a conversion
// does (members held in memory, an empty temporary folder made and removed) and the run's view
// of the held members, listed by kind and looked up by path.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pipeline/source_files.h"
#include "track/track_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::TrackArchive archive;
  // A directory cut short keeps its complete records, as the runs use them.
  archive.OpenBytes(std::vector<std::uint8_t>(data, data + size)).IgnoreError();
  std::size_t total = 0;
  for (const velmora::ArchiveEntry& entry : archive.entries()) {
    if (!velmora::IsSafeMemberName(entry.name)) continue;
    velmora::Result<std::span<const std::uint8_t>> member = archive.MemberBytes(entry);
    if (member.ok() && !member->empty()) total += member->front() + member->back();
  }
  archive.Unpack().IgnoreError();
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
