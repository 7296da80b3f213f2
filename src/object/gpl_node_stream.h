#ifndef VELMORA_OBJECT_GPL_NODE_STREAM_H_
#define VELMORA_OBJECT_GPL_NODE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "object/gpl_object_format.h"
#include "object/object_model.h"
#include "platform/byte_writer.h"

namespace velmora {

// The node stream of one GPL object being written: the PRIM payload of the writer's file, the
// offsets of the nodes written into it, and the object whose nodes, vertex, plane and name
// tables the nodes refer to. Node offsets count from the payload's `root` field, so the first
// node sits at 4. The stream lends the writer's buffer and the object for one write.
class GplNodeStream {
 public:
  // Begins the node chunk of `writer`.
  GplNodeStream(GplObjectWriter& writer, Object3do& object);

  Object3do& object() { return object_; }
  const Object3do& object() const { return object_; }
  ByteWriter& out() { return out_; }
  void AppendBytes(std::span<const std::uint8_t> bytes) { out_.Bytes(bytes); }

  // Called just before a node's bytes are appended: the node's offset is where they start.
  void MarkNode(ObjectNode& node);
  // The same for a node that belongs to no record; returns its offset.
  std::int32_t MarkUnowned();
  // The offset the next node gets.
  std::int32_t NextOffset() const;
  std::int32_t last_node_offset() const { return last_node_offset_; }
  // The output offset of the node of the record at `source_offset`; -1 when there is none or
  // it has not been written.
  std::int32_t WrittenOffset(std::uint32_t source_offset) const;
  // Word `word` of the node written at offset `node_offset`; 0 outside what was written.
  std::uint32_t WordAt(std::int32_t node_offset, std::size_t word) const;
  // Overwrites word `word` of the node written at offset `node_offset`.
  void PatchWord(std::int32_t node_offset, std::size_t word, std::uint32_t value);

  // Set while a subtree is written a second time, mirrored (lane dividers of the track object).
  bool reverse() const { return reverse_; }
  void set_reverse(bool reverse) { reverse_ = reverse; }

  // Node writers both source layouts share.
  void WriteGroup(ObjectNode& node);
  // A group of one: the node's last child, when the node has children.
  void WriteLastChildGroup(ObjectNode& node);
  void WriteSplit(ObjectNode& node, std::uint32_t opword, std::span<const std::int32_t> children);
  // A placement of source words: position in source units, three binary angles.
  void WritePlacement(std::uint32_t opword, std::span<const std::int32_t, 6> words,
                      std::int32_t child);
  void WritePolygon(ObjectNode& node, bool textured, std::uint32_t colour);
  // An attribute that follows a textured polygon; the polygon's parents then reach it first.
  void WriteFollowingAttribute(ObjectNode& owner, std::uint32_t name_offset, std::uint32_t value);

 private:
  Object3do& object_;
  ByteWriter& out_;
  std::size_t nodes_start_;
  std::int32_t last_node_offset_ = kNoNode;
  bool reverse_ = false;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_GPL_NODE_STREAM_H_
