// Feeds arbitrary bytes to the track archive reader in memory: open, then every member's bytes
// and whether its name may be written, as Extract checks them. No file is written.
#include <cstddef>
#include <cstdint>
#include <vector>

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
  return total == 1 ? 0 : 0;
}
