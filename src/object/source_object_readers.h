#ifndef VELMORA_OBJECT_SOURCE_OBJECT_READERS_H_
#define VELMORA_OBJECT_SOURCE_OBJECT_READERS_H_

#include <cstdint>
#include <unordered_map>

#include "object/object_model.h"
#include "platform/status.h"

namespace velmora {

// The reader of 3DO3 objects (format 2): fills the object model from the file's chunks and
// record stream. Lives for one call; the object keeps what it reads.
class Reader3do3 {
 public:
  explicit Reader3do3(Object3do& object) : object_(object) {}
  // The chunk sequence up to the node data; Corruption when it does not reach a MIRP chunk.
  Status Load();
  // One node per record, up to the end of the stream or the first bad record.
  void Link();

 private:
  bool CheckRecord(std::uint32_t at, Code3do3 code) const;
  void ParseRecord(std::uint32_t at, Code3do3 code);
  void ParsePolygon(ObjectNode& node, std::uint32_t at);
  void ParseAttribute(ObjectNode& node, std::uint32_t at);
  void ParseLine(ObjectNode& node, std::uint32_t at);
  // The vertex list index of PERP entry `index`, or -1 when there is none.
  std::int32_t SourceVertex(std::uint32_t index) const;
  void LinkOrEmpty(ObjectNode& node, std::uint32_t child);

  Object3do& object_;
};

// The reader of untagged objects (format 1): header, name tables and marker-word records.
class ReaderUntagged {
 public:
  explicit ReaderUntagged(Object3do& object) : object_(object) {}
  // The header and the name tables; Corruption when they do not fit the file.
  Status Load();
  // Every aligned marker word of the node data starts a record, up to the first bad one; then
  // the root is chosen.
  void Link();

 private:
  bool ParseRecord(std::uint32_t at, CodeUntagged code);
  // `pairs`: a detail switch's (distance, child) pairs.
  void LinkChildren(ObjectNode& node, std::uint32_t at, CodeUntagged code, std::uint64_t pairs);
  // The pairs of the detail switch at `at`, up to and including the first of distance 0; 0 when
  // the data ends before such a pair is whole.
  std::uint64_t SwitchPairs(std::uint32_t at) const;
  // Notes the records a head lists, when its list lies inside the data and names offsets in it.
  void ReadHeadList(ObjectNode& head, std::uint32_t at);
  // The record the header names, when it is one and no head lists it; else the last record, or
  // the head that lists it.
  void ChooseRoot();
  // The vertex list index of the vertex record at `offset`, made on first use; -1 when the
  // record does not fit the node data.
  std::int32_t Vertex(std::uint32_t offset);
  // A child that is no record is dropped, except in a group, which keeps it as a node without
  // code.
  void LinkMarked(ObjectNode& parent, std::uint32_t child, bool group);

  Object3do& object_;
  std::unordered_map<std::uint32_t, std::int32_t> vertex_by_offset_;
  std::unordered_map<std::uint32_t, ObjectNode*> listed_;  // a listed record's head
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_SOURCE_OBJECT_READERS_H_
