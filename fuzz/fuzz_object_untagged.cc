// The untagged object reader: load and link any bytes given as that layout, and write what
// links with the palette and racing lines a run lends it, which must pass the validating reader
// (the root the header names included).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_run.h"
#include "object/gpl_object_check.h"
#include "object/object_file.h"
#include "object/source_object_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // The layout is told by the tag: keep every input untagged.
  if (bytes.size() >= 4 && (std::equal(bytes.begin(), bytes.begin() + 3, "3OD") ||
                            std::equal(bytes.begin(), bytes.begin() + 3, "4OD"))) {
    bytes[0] = 0;
  }
  velmora::Result<velmora::ObjectFile> file = velmora::ReadObjectBytes(std::move(bytes), "x.3do");
  if (!file.ok() || !file->source || !file->source->BuildTree().ok()) return 0;
  file->source->SetPalette(&velmora::fuzz::RunPalette());
  file->source->SetGplLines(&velmora::fuzz::RunLines());
  const std::vector<std::uint8_t> written = velmora::BuildGplObject(*file->source, {});
  if (!velmora::CheckGplObject(written).ok()) __builtin_trap();
  return 0;
}
