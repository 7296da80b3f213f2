// The validating reader of GPL objects: any bytes, as an object and as a track object.
#include <cstddef>
#include <cstdint>
#include <span>

#include "object/gpl_object_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  velmora::CheckGplObject(bytes).status().IgnoreError();  // only: no read outside the bytes
  velmora::CheckTrackObject(bytes).status().IgnoreError();
  return 0;
}
