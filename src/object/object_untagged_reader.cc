// The reader of the untagged source objects of CART/ICR2.

#include <algorithm>
#include <cstring>

#include "object/source_object_format.h"
#include "object/source_object_readers.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// Words a record of each code needs, beyond counted lists.
std::size_t FixedWords(CodeUntagged code) {
  switch (code) {
    case CodeUntagged::kFlatPolygon: return 3;
    case CodeUntagged::kPolygon: case CodeUntagged::kSprite: case CodeUntagged::kAttribute:
      return 4;
    case CodeUntagged::kPlaneGuard: return 7;
    case CodeUntagged::kSplit2: case CodeUntagged::kSplit2Track: return 8;
    case CodeUntagged::kSplit3: case CodeUntagged::kSplit3Track: return 9;
    case CodeUntagged::kSplit4: return 10;
    case CodeUntagged::kGroup: case CodeUntagged::kHead: case CodeUntagged::kDetailSwitch:
      return 2;
    case CodeUntagged::kPlacement: return 8;
    case CodeUntagged::kSectionList: return 5;
    case CodeUntagged::kIgnored: return 1;
  }
  return 1;
}

}  // namespace

Status ReaderUntagged::Load() {
  Object3do& o = object_;
  ByteReader r(o.buffer_);
  std::array<std::uint32_t, 5> header{};
  for (std::uint32_t& word : header) word = r.U32();
  if (!r.ok()) return Status::Corruption("object shorter than its header");
  const std::uint64_t counts[3] = {header[2], header[3], header[4]};
  const std::uint64_t names = counts[0] + counts[1] + counts[2];
  if (names > (o.buffer_.size() - kUntaggedHeaderSize) / kUntaggedNameSize) {
    return Status::Corruption("object name tables run past the end");
  }
  std::vector<NameRecord>* lists[3] = {&o.texture_names_, &o.sprite_names_, &o.object_names_};
  for (int k = 0; k < 3; ++k) {
    lists[k]->reserve(counts[k]);
    for (std::uint64_t i = 0; i < counts[k]; ++i) {
      std::span<const std::uint8_t> raw = r.Bytes(kUntaggedNameSize);
      NameRecord record;
      const auto* text = reinterpret_cast<const char*>(raw.data());
      record.name = StringTableName(std::string_view(text, kUntaggedNameSize));
      lists[k]->push_back(std::move(record));
    }
  }
  o.source_size_ = header[0];
  o.named_root_offset_ = header[1];
  const std::size_t start = r.position();
  const std::size_t length = std::min<std::size_t>(header[0], o.buffer_.size() - start);
  o.node_data_ = std::span<const std::uint8_t>(o.buffer_).subspan(start, length);
  return Status::Ok();
}

void ReaderUntagged::Link() {
  Object3do& o = object_;
  for (std::uint32_t at = 0; at + 4 <= o.node_data_.size(); at += 4) {
    const std::uint32_t word = o.Field(at, 0);
    if ((word & kUntaggedMarkerMask) != kUntaggedMarker) continue;
    const int code = static_cast<int>(word & 0xFF);
    // Codes 0, 14 and those above 17 make no node.
    if (code == 0 || code == 14 || code > 17) continue;
    if (!ParseRecord(at, static_cast<CodeUntagged>(code))) break;
    o.CountCode(code);
  }
  ChooseRoot();
}

void ReaderUntagged::ChooseRoot() {
  Object3do& o = object_;
  if (o.nodes_.empty()) return;
  // Only a record counts (a group's child that is no record is a node without code), and
  // never one a head lists: those are placements, and the head stands for the whole model.
  ObjectNode* named = o.named_root_offset_ != 0 ? o.NodeAt(o.named_root_offset_) : nullptr;
  if (named != nullptr && named->code != 0 && !listed_.contains(named->source_offset)) {
    o.root_ = named;
    o.root_named_ = true;
    return;
  }
  ObjectNode* last = o.nodes_.back().get();
  auto head = listed_.find(last->source_offset);
  o.root_ = head != listed_.end() ? head->second : last;
}

std::uint64_t ReaderUntagged::SwitchPairs(std::uint32_t at) const {
  const std::uint64_t words = object_.node_data_.size() / 4;
  const std::uint64_t first = at / 4 + 2;  // the first distance
  std::uint64_t p = first;
  while (p + 1 < words && object_.Field(static_cast<std::uint32_t>(4 * p), 0) != 0) p += 2;
  if (p + 1 >= words) return 0;  // no pair of distance 0 with its child inside the data
  return (p - first) / 2 + 1;
}

void ReaderUntagged::ReadHeadList(ObjectNode& head, std::uint32_t at) {
  const std::span<const std::uint8_t> data = object_.node_data_;
  const std::uint64_t room = (data.size() - at) / 4;
  if (room < 3) return;  // a head that ends after its main record lists nothing
  const std::uint32_t count = object_.Field(at, 8);
  if (count > room - 3) return;
  // Entries are offsets inside the data; a list holding anything else is no list. This also
  // keeps any marker word (and so any other head) out of a list, so lists never overlap.
  for (std::uint32_t i = 0; i < count; ++i) {
    if (object_.Field(at, 12 + 4 * std::size_t{i}) >= data.size()) return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    listed_.emplace(object_.Field(at, 12 + 4 * std::size_t{i}), &head);
  }
}

std::int32_t ReaderUntagged::Vertex(std::uint32_t offset) {
  auto it = vertex_by_offset_.find(offset);
  if (it != vertex_by_offset_.end()) return it->second;
  if (std::uint64_t{offset} + kUntaggedVertexSize > object_.node_data_.size()) return -1;
  ObjectPoint v;
  v.source_offset = offset;
  v.x = static_cast<std::int32_t>(object_.Field(offset, 4));
  v.y = static_cast<std::int32_t>(object_.Field(offset, 8));
  v.z = static_cast<std::int32_t>(object_.Field(offset, 12));
  const std::uint32_t uv = object_.Field(offset, 16);
  v.u = static_cast<std::int16_t>(uv & 0xFFFF);
  v.v = static_cast<std::int16_t>(uv >> 16);
  const auto index = static_cast<std::int32_t>(object_.vertices_.size());
  object_.vertices_.push_back(v);
  vertex_by_offset_.emplace(offset, index);
  return index;
}

void ReaderUntagged::LinkMarked(ObjectNode& parent, std::uint32_t child, bool group) {
  const bool marked = std::uint64_t{child} + 4 <= object_.node_data_.size() &&
                      (object_.Field(child, 0) & kUntaggedMarkerMask) == kUntaggedMarker;
  if (marked) {
    object_.LinkChild(parent, child);
  } else if (group) {
    // A group keeps a child that is no record, as a node that writes nothing.
    ObjectNode* node = object_.NodeAt(child);
    if (node == nullptr) node = &object_.NewNode(0, child, false);
    parent.children.push_back(node);
    ++node->parent_count;
  }
}

bool ReaderUntagged::ParseRecord(std::uint32_t at, CodeUntagged code) {
  auto w = [&](std::size_t n) { return object_.Field(at, 4 * n); };
  const std::uint64_t room = (object_.node_data_.size() - at) / 4;  // words from the marker on
  std::uint64_t words = FixedWords(code);
  if (code == CodeUntagged::kFlatPolygon) words += std::uint64_t{w(2)} + 1;
  if (code == CodeUntagged::kPolygon) words += std::uint64_t{w(3)} + 1;
  if (code == CodeUntagged::kGroup) words += w(1);
  if (words > room) return false;
  const std::uint64_t pairs = code == CodeUntagged::kDetailSwitch ? SwitchPairs(at) : 0;
  if (code == CodeUntagged::kDetailSwitch && pairs == 0) return false;
  if (code == CodeUntagged::kAttribute && w(1) >= object_.texture_names_.size()) return false;
  if (object_.NodeAt(at) != nullptr) return false;
  std::vector<std::int32_t> points;
  if (code == CodeUntagged::kFlatPolygon || code == CodeUntagged::kPolygon) {
    const std::size_t first = code == CodeUntagged::kFlatPolygon ? 3 : 4;
    const std::uint64_t n = std::uint64_t{w(first - 1)} + 1;
    points.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::int32_t v = Vertex(w(first + i));
      if (v < 0) return false;
      points.push_back(v);
    }
  } else if (code == CodeUntagged::kSprite || code == CodeUntagged::kDetailSwitch) {
    const std::int32_t v = Vertex(w(1));
    if (v < 0) return false;
    points.push_back(v);
  }
  ObjectNode* previous = object_.nodes_.empty() ? nullptr : object_.nodes_.back().get();
  ObjectNode& node = object_.NewNode(static_cast<int>(code), at);
  node.points = std::move(points);
  if (code == CodeUntagged::kPolygon && w(1) != 0) node.value = static_cast<std::int32_t>(w(1));
  if (code == CodeUntagged::kAttribute) node.texture_index = static_cast<std::int32_t>(w(1));
  if (code == CodeUntagged::kSectionList) {
    object_.track_object_ = true;
    if (previous != nullptr) previous->list_head = &node;
  }
  if (code == CodeUntagged::kHead) ReadHeadList(node, at);
  LinkChildren(node, at, code, pairs);
  return true;
}

void ReaderUntagged::LinkChildren(ObjectNode& node, std::uint32_t at, CodeUntagged code,
                                  std::uint64_t pairs) {
  auto w = [&](std::size_t n) { return object_.Field(at, 4 * n); };
  auto link = [&](std::size_t n, bool zero_is_none) {
    if (zero_is_none && w(n) == 0) return;
    LinkMarked(node, w(n), false);
  };
  switch (code) {
    case CodeUntagged::kAttribute: link(3, false); break;
    case CodeUntagged::kPlaneGuard: link(6, false); break;
    case CodeUntagged::kSplit2: case CodeUntagged::kSplit2Track:
      link(6, true);
      link(7, true);
      break;
    case CodeUntagged::kSplit3:
      for (std::size_t n = 6; n <= 8; ++n) link(n, true);
      break;
    case CodeUntagged::kSplit3Track:
      for (std::size_t n = 6; n <= 8; ++n) link(n, false);
      break;
    case CodeUntagged::kSplit4:
      for (std::size_t n = 6; n <= 9; ++n) link(n, true);
      break;
    case CodeUntagged::kGroup:
      for (std::uint32_t i = 0; i < w(1); ++i) LinkMarked(node, w(2 + std::size_t{i}), true);
      break;
    case CodeUntagged::kDetailSwitch:  // from the farthest model to the nearest
      for (std::uint64_t i = 0; i < pairs; ++i) link(3 + 2 * i, false);
      break;
    case CodeUntagged::kHead: link(1, false); break;  // the main record; the list is no child
    default:  // polygons, sprites, placements, ignored records and section lists: no children
      break;
  }
}

}  // namespace velmora
