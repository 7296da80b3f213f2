#include "object/object_model.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "object/gpl_object_format.h"
#include "object/source_object_format.h"
#include "object/source_object_readers.h"
#include "platform/ascii.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

// Walks over a linked tree visit a node again only when that changes something; this bounds
// what is left (hostile files that share one subtree among very many parents).
constexpr std::size_t kWalkVisitsPerNode = 64;

constexpr SourceRoles kUntaggedRoles{
    .group = static_cast<int>(CodeUntagged::kGroup),
    .three_way_split = static_cast<int>(CodeUntagged::kSplit3Track),
    .fan_out = static_cast<int>(CodeUntagged::kDetailSwitch),
    .number_list = static_cast<int>(CodeUntagged::kSectionList),
    .anchor = 0,
    .placement = static_cast<int>(CodeUntagged::kPlacement),
    .object_reference = 0,
    .head = static_cast<int>(CodeUntagged::kHead),
};
constexpr SourceRoles k3do3Roles{
    .group = static_cast<int>(Code3do3::kGroup),
    .three_way_split = static_cast<int>(Code3do3::kSplit3Track),
    .fan_out = static_cast<int>(Code3do3::kSectionGroup),
    .number_list = static_cast<int>(Code3do3::kNumberList),
    .anchor = static_cast<int>(Code3do3::kPlaneGuard),
    .placement = static_cast<int>(Code3do3::kPlacement),
    .object_reference = static_cast<int>(Code3do3::kObjectRef),
};
constexpr SourceRoles kNoRoles{};

}  // namespace

std::optional<ObjectPoint> PlaneThrough(const ObjectPoint& p0, const ObjectPoint& p1,
                                        const ObjectPoint& p2) {
  const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
  const double bx = p2.x - p1.x, by = p2.y - p1.y, bz = p2.z - p1.z;
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0)) return std::nullopt;
  ObjectPoint plane;
  plane.x = nx / length;
  plane.y = ny / length;
  plane.z = nz / length;
  plane.d = -(p0.x * nx + p0.y * ny + p0.z * nz) / (length * kUnitsPerMetre);
  if (!(plane.z >= 0)) {
    plane.x = -plane.x;
    plane.y = -plane.y;
    plane.z = -plane.z;
    plane.d = -plane.d;
  }
  return plane;
}

const SourceRoles& RolesOf(SourceFormat format) {
  switch (format) {
    case SourceFormat::kUntagged: return kUntaggedRoles;
    case SourceFormat::k3do3: return k3do3Roles;
    case SourceFormat::kNone: break;
  }
  return kNoRoles;
}

Object3do::Object3do() : empty_node_(std::make_unique<ObjectNode>()) {}

Object3do::~Object3do() = default;

const TrackGeometry& Object3do::track_or_empty() const {
  static const TrackGeometry kNoTrack;
  return track_ != nullptr ? *track_ : kNoTrack;
}

void Object3do::SetTrack(const TrackGeometry* track) {
  track_ = track;
  track_length_ = track != nullptr ? track->track_length() : 0;
}

Status Object3do::Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path) {
  buffer_ = std::move(buffer);
  path_ = path;
  source_path_ = AsciiLower(path.string());
  const bool tagged = buffer_.size() >= 4 && std::equal(kTagObject3.begin(), kTagObject3.end(),
                                                        buffer_.begin());
  Status status = tagged ? Reader3do3(*this).Load() : ReaderUntagged(*this).Load();
  format_ = !status.ok() ? SourceFormat::kNone
            : tagged     ? SourceFormat::k3do3
                         : SourceFormat::kUntagged;
  return status;
}

Status Object3do::BuildTree() {
  if (buffer_.empty() || format_ == SourceFormat::kNone) {
    return Status::InvalidArgument("no object loaded");
  }
  if (format_ == SourceFormat::k3do3) {
    Reader3do3(*this).Link();
  } else {
    ReaderUntagged(*this).Link();
  }
  if (root_ == nullptr && !nodes_.empty()) root_ = nodes_.back().get();
  FinishLinking();
  return Status::Ok();
}

std::string_view StringTableName(std::string_view name) {
  return name.substr(0, std::min(name.find('\0'), name.find('\xFF')));
}

int Object3do::AddName(std::string_view name, int kind, std::uint32_t* out_offset) {
  if (kind < 1 || kind > 3) return 0;
  name = StringTableName(name);
  std::vector<NameRecord>& list = names(static_cast<NameKind>(kind));
  std::uint32_t offset = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (EqualsIgnoreCase(list[i].name, name)) {
      if (out_offset != nullptr) *out_offset = offset;
      return static_cast<int>(i);
    }
    offset += static_cast<std::uint32_t>(list[i].name.size() + 1);
  }
  if (out_offset != nullptr) *out_offset = offset;
  NameRecord record;
  record.name = std::string(name);
  list.push_back(std::move(record));
  return static_cast<int>(list.size() - 1);
}

std::vector<NameRecord>& Object3do::names(NameKind kind) {
  switch (kind) {
    case NameKind::kObject: return object_names_;
    case NameKind::kTexture: return texture_names_;
    case NameKind::kSprite: break;
  }
  return sprite_names_;
}

const std::vector<NameRecord>& Object3do::names(NameKind kind) const {
  return const_cast<Object3do*>(this)->names(kind);
}

ObjectNode* Object3do::NodeAt(std::uint32_t source_offset) const {
  auto it = node_by_offset_.find(source_offset);
  return it == node_by_offset_.end() ? nullptr : it->second;
}

std::uint32_t Object3do::PaletteColour(std::uint8_t index) const {
  if (palette_ == nullptr) return ColourWord(index, index, index);
  const Rgb c = palette_->ColourOf(index);  // 192s for a palette never loaded
  return ColourWord(c.r, c.g, c.b);
}

// Synthetic records start this far past the node data, so no source record offset reaches them.
constexpr std::size_t kSyntheticGap = 16;
// Each synthetic record is padded with zeros to this size: its unused fields read as 0.
constexpr std::size_t kSyntheticRecordSize = 48;

std::uint32_t Object3do::AddSyntheticRecord(std::span<const std::uint8_t> bytes) {
  const auto offset = static_cast<std::uint32_t>(node_data_.size() + kSyntheticGap +
                                                 synthetic_.size());
  synthetic_.insert(synthetic_.end(), bytes.begin(), bytes.end());
  synthetic_.resize(synthetic_.size() + kSyntheticRecordSize - bytes.size() % kSyntheticRecordSize,
                    0);
  return offset;
}

std::uint32_t Object3do::FieldOutsideData(std::uint32_t record, std::size_t at) const {
  std::span<const std::uint8_t> data = node_data_;
  if (record >= node_data_.size() + kSyntheticGap && !synthetic_.empty()) {
    data = synthetic_;
    record -= static_cast<std::uint32_t>(node_data_.size() + kSyntheticGap);
  }
  if (record > data.size()) return 0;
  ByteReader r(data.subspan(record));
  r.Skip(at);
  const std::uint32_t value = r.U32();
  return r.ok() ? value : 0;
}

ObjectNode& Object3do::NewNode(int code, std::uint32_t source_offset, bool in_list) {
  auto node = std::make_unique<ObjectNode>();
  node->code = code;
  node->source_offset = source_offset;
  ObjectNode* raw = node.get();
  (in_list ? nodes_ : detached_).push_back(std::move(node));
  node_by_offset_.emplace(source_offset, raw);
  return *raw;
}

void Object3do::LinkChild(ObjectNode& parent, std::uint32_t child_offset) {
  ObjectNode* child = NodeAt(child_offset);
  // Only records before the parent are registered yet: later ones are dropped, so the tree
  // has no cycles.
  if (child == nullptr || child == &parent) return;
  parent.children.push_back(child);
  ++child->parent_count;
}

void Object3do::LinkEmpty(ObjectNode& parent) {
  parent.children.push_back(empty_node_.get());
  ++empty_node_->parent_count;
}

void Object3do::FinishLinking() {
  AssignGroupBits(roles().fan_out);
  CollectSections();
}

// Group bits for the section walk: below a node of `fan_out_code`, child i of n gets the bit
// 1 << (n - 1 - i) instead of what reached its parent.
void Object3do::AssignGroupBits(int fan_out_code) {
  if (root_ == nullptr) return;
  std::unordered_set<const ObjectNode*> reached;
  std::vector<std::pair<ObjectNode*, std::uint32_t>> stack{{root_, 0u}};
  std::size_t budget = kWalkVisitsPerNode * (nodes_.size() + detached_.size()) + 1024;
  while (!stack.empty() && budget-- > 0) {
    auto [node, bits] = stack.back();
    stack.pop_back();
    const std::uint32_t merged = node->group_bits | bits;
    if (!reached.insert(node).second && merged == node->group_bits) continue;
    node->group_bits = merged;
    const std::size_t n = node->children.size();
    for (std::size_t i = 0; i < n; ++i) {
      std::uint32_t pass = merged;
      if (node->code == fan_out_code) {
        const std::size_t shift = n - 1 - i;
        pass = shift < 32 ? 1u << shift : 0u;
      }
      stack.emplace_back(node->children[i], pass);
    }
  }
}

std::int32_t Object3do::TrackValueAt(std::uint32_t position) const {
  if (track_ == nullptr) return -1;
  if (position > track_length_) position -= track_length_;
  const int section = track_->SectionContaining(position);
  return section < 0 ? 0 : section;
}

void Object3do::ValueWalk(ObjectNode& start, std::int32_t section, std::int32_t position,
                          std::int32_t track_value) {
  struct Visit {
    ObjectNode* node;
    std::int32_t value, texture;
    bool flag;
  };
  // Every path is walked, shared subtrees once per path, so the last leaf walked decides a
  // texture's value; the visit budget bounds what cycles and hostile trees can cost.
  std::vector<Visit> stack{{&start, -1, -1, false}};
  const int split_code = roles().three_way_split;
  while (!stack.empty() && walk_budget_ > 0) {
    --walk_budget_;
    Visit visit = stack.back();
    stack.pop_back();
    ObjectNode& node = *visit.node;
    if (node.value == -1) node.value = visit.value;
    if (node.texture_index == -1) node.texture_index = visit.texture;
    node.section_index = section;
    node.position = position;
    node.track_value = track_value;
    node.section_flag = visit.flag;
    if (node.children.empty()) {
      if (node.value != -1 && node.texture_index >= 0 &&
          static_cast<std::size_t>(node.texture_index) < texture_names_.size()) {
        texture_names_[node.texture_index].value = node.value;  // the last leaf decides
      }
      continue;
    }
    const bool pass_flag = visit.flag || (track_object_ && node.code == split_code);
    // Pushed last to first so children are walked in record order.
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
      stack.push_back({*it, node.value, node.texture_index, pass_flag});
    }
  }
}

void Object3do::Collect3do3Sections(const std::function<void(ObjectNode&, std::uint32_t)>& open) {
  for (const auto& node : nodes_) {
    if (node->code != static_cast<int>(Code3do3::kGroup)) continue;
    for (ObjectNode* child : node->children) {
      if (child->code != static_cast<int>(Code3do3::kNumberList)) continue;
      if (Field(child->source_offset, 5) == 4) node->list_head = child;
      break;
    }
  }
  bool opened = false;
  for (const auto& node : nodes_) {
    if (node->list_head == nullptr) continue;
    const std::uint32_t first = Field(node->list_head->source_offset, 9);
    if (first == 0) {
      if (opened) break;
      opened = true;
    }
    if (opened) open(*node, first);
  }
}

void Object3do::CollectUntaggedSections(
    const std::function<void(ObjectNode&, std::uint32_t)>& open) {
  bool on = false;
  std::uint32_t previous = 1;  // so that a first list at 0 opens the sections
  for (const auto& node : nodes_) {
    if (node->list_head == nullptr) continue;
    const std::uint32_t w1 = Field(node->list_head->source_offset, 4);
    if (w1 == 0 && previous != 0) on = !on;
    previous = w1;
    if (on) open(*node, w1);
  }
}

void Object3do::CollectSections() {
  walk_budget_ = kWalkVisitsPerNode * (nodes_.size() + detached_.size()) + 1024;
  section_starts_.clear();
  section_nodes_.clear();
  if (!track_object_) {
    if (root_ != nullptr) ValueWalk(*root_, -1, -1, -1);
    return;
  }
  int s = 0;
  auto open_section = [&](ObjectNode& node, std::uint32_t start) {
    node.list_head->section_index = s;
    section_starts_.push_back(start);
    section_nodes_.push_back(&node);
    const std::int32_t track_value = TrackValueAt(start);
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      ValueWalk(*node.children[i], s, static_cast<std::int32_t>(i), track_value);
    }
    ++s;
  };
  if (format_ == SourceFormat::k3do3) {
    Collect3do3Sections(open_section);
  } else {
    CollectUntaggedSections(open_section);
  }
  section_starts_.push_back(track_length_);
  section_count_ = s;
}

}  // namespace velmora
