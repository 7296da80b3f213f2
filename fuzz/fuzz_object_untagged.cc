// The untagged object reader: load and link any bytes given as that layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "object/object_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // The layout is told by the tag: keep every input untagged.
  if (bytes.size() >= 4 && (std::equal(bytes.begin(), bytes.begin() + 3, "3OD") ||
                            std::equal(bytes.begin(), bytes.begin() + 3, "4OD"))) {
    bytes[0] = 0;
  }
  velmora::Result<velmora::ObjectFile> file = velmora::ReadObjectBytes(std::move(bytes), "x.3do");
  if (file.ok() && file->source) file->source->BuildTree().IgnoreError();  // either is fine
  if (file.ok() && file->gpl) file->gpl->BuildTree();
  return 0;
}
