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
  std::unique_ptr<velmora::Object3do> object =
      velmora::CreateobjFromBytes(std::move(bytes), "x.3do");
  if (object) object->BuildTree();
  return 0;
}
