#ifndef VELMORA_OBJECT_OBJECT3DO4_H_
#define VELMORA_OBJECT_OBJECT3DO4_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "object/object3do.h"

namespace velmora {

// A GPL object (format 4) read from a 3DO4 file: its tables and its node stream linked into
// nodes, for the objects that are placed and checked. It is already in the target format, so
// writing it gives its own bytes unchanged.
class Object3do4 : public Object3do {
 public:
  int Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path) override;
  bool BuildTree() override;
  std::vector<std::uint8_t> BuildGpl(const std::filesystem::path& output) override;

  std::uint32_t root() const { return root_; }
  // (name string offset, node offset) pairs of the HAND chunk.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& handles() const {
    return handles_;
  }
  std::span<const std::uint8_t> strings() const { return strings_; }

 private:
  std::span<const std::uint8_t> prim_;
  std::uint32_t root_ = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> handles_;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_OBJECT3DO4_H_
