// Feeds arbitrary bytes to the patch archive reader: the directory check, then extraction into
// a temporary folder and a rebuild from what was written.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "track/patch_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (!velmora::ReadPatchDirectory(bytes).ok()) return 0;
  std::optional<velmora::TempFolder> folder = velmora::TempFolder::Create("fuzz");
  if (!folder) return 0;
  const std::filesystem::path patch = folder->path() / "track.zad";
  const std::filesystem::path members = folder->path() / "members";
  std::filesystem::create_directory(members);
  if (!velmora::WriteFileBytesExact(patch, bytes)) return 0;
  if (velmora::PatchSet::ExtractMembers(patch, members).ok()) {
    velmora::PatchSet::BuildArchive(folder->path() / "rebuilt.dat", members).status().IgnoreError();
  }
  return 0;
}
