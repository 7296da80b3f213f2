// Reads any bytes as a source or GPL object (the first byte picks the layout the rest is given
// as), links it and writes it to memory with the palette and racing lines a run lends it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_run.h"
#include "object/gpl_object_check.h"
#include "object/object_file.h"
#include "object/source_object_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  // 0: as given; 1: as a 3DO3 body; 2: as a GPL body.
  const char* tags[] = {nullptr, "3OD3", "4OD3"};
  const char* tag = tags[data[0] % 3];
  if (tag != nullptr && bytes.size() >= 4) std::copy(tag, tag + 4, bytes.begin());
  velmora::Result<velmora::ObjectFile> file =
      velmora::ReadObjectBytes(std::move(bytes), data[0] & 0x80 ? "horiz.3do" : "x.3do");
  if (!file.ok()) return 0;
  if (file->gpl) {
    file->gpl->BuildTree();
  } else if (file->source->BuildTree().ok()) {
    file->source->SetPalette(&velmora::fuzz::RunPalette());
    file->source->SetGplLines(&velmora::fuzz::RunLines());
    // The written file must pass the validating reader.
    std::vector<std::uint8_t> written = velmora::BuildGplObject(*file->source, {});
    if (!velmora::CheckGplObject(written).ok()) __builtin_trap();
  }
  return 0;
}
