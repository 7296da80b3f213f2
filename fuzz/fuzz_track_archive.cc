// Feeds arbitrary bytes to the track archive reader: open, then extract everything.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "track/track_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<velmora::TempFolder> folder = velmora::TempFolder::Create("fuzz");
  if (!folder) return 0;
  const std::filesystem::path path = folder->path() / "track.dat";
  if (!velmora::WriteFileBytesExact(path, std::span<const std::uint8_t>(data, size))) return 0;
  velmora::TrackArchive archive;
  // A directory cut short is still extracted, as the runs do; what Extract says is not needed.
  if (!archive.Open(path).IsNotFound()) archive.Extract().IgnoreError();
  return 0;
}
