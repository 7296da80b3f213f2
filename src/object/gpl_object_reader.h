#ifndef VELMORA_OBJECT_GPL_OBJECT_READER_H_
#define VELMORA_OBJECT_GPL_OBJECT_READER_H_

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "object/object_model.h"
#include "platform/status.h"

namespace velmora {

// A GPL object (format 4) read from a 3DO4 file: its tables and its node stream linked into
// nodes, for the objects that are placed and checked. It is already in the target format, so it
// is never rewritten: a conversion passes its bytes on unchanged. Owns the file's bytes.
class GplObject {
 public:
  // Reads the chunk passes (NORM? XYZS? PLAN? STRN? blanks? HAND? PRIM?) up to the end of the
  // top chunk; Corruption when a chunk is not one of these or there is no node stream.
  static Result<std::unique_ptr<GplObject>> Read(std::vector<std::uint8_t> bytes);

  // Links the nodes of the stream from offset 4 by their lengths, up to a node without one or
  // past `root`, and attaches the handles' names to their nodes.
  void BuildTree();

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::uint32_t root() const { return root_; }
  const std::vector<ObjectPoint>& vertices() const { return vertices_; }
  const std::vector<ObjectPoint>& planes() const { return planes_; }
  const std::vector<std::unique_ptr<ObjectNode>>& nodes() const { return nodes_; }
  std::uint32_t code_count(int opcode) const { return code_counts_[opcode & 0xFF]; }
  // (name string offset, node offset) pairs of the HAND chunk.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& handles() const {
    return handles_;
  }
  std::span<const std::uint8_t> strings() const { return strings_; }

 private:
  GplObject() = default;
  Status ReadChunks();
  std::uint32_t Word(std::uint32_t at) const;

  std::vector<std::uint8_t> bytes_;
  std::span<const std::uint8_t> prim_;
  std::span<const std::uint8_t> strings_;
  std::uint32_t root_ = 0;
  std::vector<ObjectPoint> vertices_;
  std::vector<ObjectPoint> planes_;
  std::vector<std::unique_ptr<ObjectNode>> nodes_;
  std::unordered_map<std::uint32_t, ObjectNode*> node_by_offset_;
  std::array<std::uint32_t, 256> code_counts_{};
  std::vector<std::pair<std::uint32_t, std::uint32_t>> handles_;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_GPL_OBJECT_READER_H_
