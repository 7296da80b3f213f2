#ifndef VELMORA_TESTING_OBJECT_WALKER_H_
#define VELMORA_TESTING_OBJECT_WALKER_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora::testkit {

// What the independent walker found in a 3DO4 file; clean when `problems` is empty.
struct GplWalk {
  std::vector<std::string> problems;
  std::size_t vertices = 0;
  std::size_t planes = 0;
  std::size_t nodes = 0;
  std::vector<std::uint32_t> opcodes;  // of the nodes, in file order
  std::vector<std::uint32_t> node_offsets;
};
// Reads a 3DO4 file by its own reading of the format: chunk sizes and pads against the file
// length, every node by the node length table, and every reference of every node.
GplWalk WalkGplObject(std::span<const std::uint8_t> bytes);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_OBJECT_WALKER_H_
