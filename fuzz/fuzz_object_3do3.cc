// The 3DO3 object reader: load and link any bytes given as that layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "object/object_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // The layout is told by the tag: give every input this one.
  if (bytes.size() >= 4) std::copy_n("3OD3", 4, bytes.begin());
  velmora::Result<velmora::ObjectFile> file = velmora::ReadObjectBytes(std::move(bytes), "x.3do");
  if (file.ok() && file->source) file->source->BuildTree().IgnoreError();  // either is fine
  if (file.ok() && file->gpl) file->gpl->BuildTree();
  return 0;
}
