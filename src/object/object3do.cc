#include "object/object3do.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "object/source_object_format.h"
#include "object/track_object_writer.h"
#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

// The output buffer starts at three times the source's size, within reason.
constexpr std::size_t kMaxReserve = 64u << 20;
// Walks over a linked tree visit a node again only when that changes something; this bounds
// what is left (hostile files that share one subtree among very many parents).
constexpr std::size_t kWalkVisitsPerNode = 64;

constexpr std::string_view kTracksideNames[] = {"_tire", "_cone", "_hay", "starter", "flagger"};

}  // namespace

Object3do::Object3do() : empty_node_(std::make_unique<ObjectNode>()) {}

Object3do::~Object3do() = default;

void Object3do::SetTrack(const TrackGeometry* track) {
  track_ = track;
  track_length_ = track != nullptr ? track->track_length() : 0;
}

int Object3do::Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path) {
  buffer_ = std::move(buffer);
  path_ = path;
  source_path_ = AsciiLower(path.string());
  const bool tagged = buffer_.size() >= 4 && std::equal(kTagObject3.begin(), kTagObject3.end(),
                                                        buffer_.begin());
  format_ = tagged ? Load3do3() : LoadUntagged();
  return format_;
}

bool Object3do::BuildTree() {
  if (format_ == 1) return BuildTreeUntagged();
  if (format_ == 2) return BuildTree3do3();
  return false;
}

int Object3do::AddName(std::string_view name, int kind, std::uint32_t* out_offset) {
  if (kind < 1 || kind > 3) return 0;
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

void Object3do::AppendBytes(std::span<const std::uint8_t> bytes) { out_->Bytes(bytes); }

ByteWriter& Object3do::out() { return *out_; }

void Object3do::MarkNode(ObjectNode& node) {
  node.output_offset = static_cast<std::int32_t>(out_->size() - nodes_start_ + 4);
  node.written_at = out_->size();
  last_node_offset_ = node.output_offset;
}

ObjectNode* Object3do::NodeAt(std::uint32_t source_offset) const {
  auto it = node_by_offset_.find(source_offset);
  return it == node_by_offset_.end() ? nullptr : it->second;
}

std::int32_t Object3do::WrittenOffset(std::uint32_t source_offset) const {
  const ObjectNode* node = NodeAt(source_offset);
  return node == nullptr ? kNoNode : node->output_offset;
}

std::uint32_t Object3do::PaletteColour(std::uint8_t index) const {
  if (palette_ == nullptr) return ColourWord(index, index, index);
  const Rgb c = palette_->ColourOf(index);  // 192s for a palette never loaded
  return ColourWord(c.r, c.g, c.b);
}

std::uint32_t Object3do::Field(std::uint32_t record, std::size_t at) const {
  if (record > node_data_.size()) return 0;
  ByteReader r(node_data_.subspan(record));
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

// Group bits for the section walk: below a node of `pass_code`, child i of n gets the bit
// 1 << (n - 1 - i) instead of what reached its parent.
void Object3do::AssignGroupBits(int pass_code) {
  if (nodes_.empty()) return;
  std::unordered_set<const ObjectNode*> reached;
  std::vector<std::pair<ObjectNode*, std::uint32_t>> stack{{nodes_.back().get(), 0u}};
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
      if (node->code == pass_code) {
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

void Object3do::ValueWalk(ObjectNode& start, std::int32_t value, std::int32_t texture,
                          std::int32_t section, std::int32_t position, std::int32_t track_value,
                          bool flag) {
  struct Visit {
    ObjectNode* node;
    std::int32_t value, texture;
    bool flag;
  };
  std::unordered_set<const ObjectNode*> reached;
  std::vector<Visit> stack{{&start, value, texture, flag}};
  while (!stack.empty() && walk_budget_ > 0) {
    --walk_budget_;
    Visit visit = stack.back();
    stack.pop_back();
    ObjectNode& node = *visit.node;
    const bool first = reached.insert(&node).second;
    const bool changed = first || (node.value == -1 && visit.value != -1) ||
                         (node.texture_index == -1 && visit.texture != -1) ||
                         node.section_flag != visit.flag;
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
    if (!changed) continue;
    const int split_code = format_ == 2 ? 10 : 8;
    const bool pass_flag = visit.flag || (track_object_ && node.code == split_code);
    // Pushed last to first so children are walked in record order.
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
      stack.push_back({*it, node.value, node.texture_index, pass_flag});
    }
  }
}

void Object3do::CollectSections() {
  walk_budget_ = kWalkVisitsPerNode * (nodes_.size() + detached_.size()) + 1024;
  section_starts_.clear();
  section_nodes_.clear();
  int s = 0;
  auto open_section = [&](ObjectNode& node, std::uint32_t start) {
    node.list_head->section_index = s;
    section_starts_.push_back(start);
    section_nodes_.push_back(&node);
    const std::int32_t track_value = TrackValueAt(start);
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      ValueWalk(*node.children[i], -1, -1, s, static_cast<std::int32_t>(i), track_value, false);
    }
    ++s;
  };
  if (track_object_ && format_ == 2) {
    for (const auto& node : nodes_) {
      if (node->code != 4) continue;
      for (ObjectNode* child : node->children) {
        if (child->code != 16) continue;
        if (Field(child->source_offset, 5) == 4) node->list_head = child;
        break;
      }
    }
    bool open = false;
    for (const auto& node : nodes_) {
      if (node->list_head == nullptr) continue;
      const std::uint32_t first = Field(node->list_head->source_offset, 9);
      if (first == 0) {
        if (open) break;
        open = true;
      }
      if (open) open_section(*node, first);
    }
  } else if (track_object_ && format_ == 1) {
    bool on = false;
    std::uint32_t previous = 1;  // so that a first list at 0 opens the sections
    for (const auto& node : nodes_) {
      if (node->list_head == nullptr) continue;
      const std::uint32_t w1 = Field(node->list_head->source_offset, 4);
      if (w1 == 0 && previous != 0) on = !on;
      previous = w1;
      if (on) open_section(*node, w1);
    }
  }
  if (track_object_) {
    section_starts_.push_back(track_length_);
    section_count_ = s;
  } else if (!nodes_.empty()) {
    ValueWalk(*nodes_.back(), -1, -1, -1, -1, -1, false);
  }
}

void Object3do::AppendRecordPlane(ObjectNode& node, std::int32_t a, std::int32_t b,
                                  std::int32_t c, std::int32_t hi, std::uint32_t lo) {
  const double distance = hi >= 0 ? hi * 4294967296.0 + lo : hi * 4294967296.0 - lo;
  const double length = std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b +
                                  static_cast<double>(c) * c);
  ObjectPoint plane;
  plane.source_offset = node.source_offset;
  // A plane without a normal stays all zero rather than NaN.
  if (length > 0) {
    plane.x = a / length;
    plane.y = b / length;
    plane.z = c / length;
    plane.d = distance / (length * kUnitsPerMetre);
  }
  plane.index = static_cast<std::int32_t>(planes_.size());
  node.plane_index = plane.index;
  planes_.push_back(plane);
}

void Object3do::AppendPolygonPlane(ObjectNode& node) {
  if (node.points.size() < 3) return;
  const ObjectPoint& p0 = vertices_[node.points[0]];
  const ObjectPoint& p1 = vertices_[node.points[1]];
  const ObjectPoint& p2 = vertices_[node.points[2]];
  const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
  const double bx = p2.x - p1.x, by = p2.y - p1.y, bz = p2.z - p1.z;
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  ObjectPoint plane;
  plane.source_offset = node.source_offset;
  if (length > 0) {
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
  }
  plane.index = static_cast<std::int32_t>(planes_.size());
  node.plane_index = plane.index;
  planes_.push_back(plane);
}

void Object3do::BuildPlanes() {
  planes_.clear();
  planes_.push_back({.d = -100.0, .index = 0});
  planes_.push_back({.d = 100.0, .index = 1});
  for (const auto& node : nodes_) {
    const std::uint32_t r = node->source_offset;
    if (format_ == 2) {
      if (node->code >= 6 && node->code <= 11) {
        AppendRecordPlane(*node, static_cast<std::int32_t>(Field(r, 5)),
                          static_cast<std::int32_t>(Field(r, 9)),
                          static_cast<std::int32_t>(Field(r, 13)),
                          static_cast<std::int32_t>(Field(r, 17)), Field(r, 21));
      } else if (node->code == 2) {
        AppendPolygonPlane(*node);
      }
    } else {
      if (node->code == 1 || node->code == 2) {
        AppendPolygonPlane(*node);
      } else if (node->code >= 5 && node->code <= 10) {
        AppendRecordPlane(*node, static_cast<std::int32_t>(Field(r, 4)),
                          static_cast<std::int32_t>(Field(r, 8)),
                          static_cast<std::int32_t>(Field(r, 12)),
                          static_cast<std::int32_t>(Field(r, 20)), Field(r, 16));
      }
    }
  }
}

void Object3do::LoadTexturesAndSprites(const std::filesystem::path& output) {
  const std::filesystem::path folder = path_.parent_path();
  TexturePalette fallback;
  TexturePalette& palette = palette_ != nullptr ? *palette_ : fallback;
  textures_.clear();
  for (const NameRecord& name : texture_names_) {
    NameRecord record;
    record.name = name.name;
    record.value = name.value;
    record.path = folder / (name.name + ".mip");
    if (!FileExists(record.path)) {
      record.path = folder / (name.name + ".m16");
      if (!FileExists(record.path)) record.path = folder / (name.name + ".mi4");
    }
    textures_.push_back(std::move(record));
  }
  for (NameRecord& sprite : sprite_names_) {
    SpriteImage image(palette);
    if (format_ == 2) {
      if (image.LoadNSeries(folder / (sprite.name + ".srb")).ok()) {
        sprite.size = image.NSeriesSize().first;
      }
      continue;
    }
    sprite.width = sprite.height = 128;
    for (std::string_view extension : {".pmp", ".pm4", ".p16"}) {
      if (!image.LoadCart(folder / (sprite.name + std::string(extension))).ok()) continue;
      std::tie(sprite.width, sprite.height) = image.CartExtent();
      break;
    }
  }
  // String offsets continue after the object and sprite names.
  std::uint32_t offset = 0;
  for (const NameRecord& n : object_names_) offset += static_cast<std::uint32_t>(n.name.size() + 1);
  for (const NameRecord& n : sprite_names_) offset += static_cast<std::uint32_t>(n.name.size() + 1);
  for (NameRecord& texture : textures_) {
    texture.string_offset = offset;
    offset += static_cast<std::uint32_t>(texture.name.size() + 1);
    Result<TextureImage> image = LoadTexture(texture.path);
    if (!image) continue;
    std::tie(texture.width, texture.height) = TextureExtent(*image);
    if (!output.empty()) {
      // Not told about, as objects never have: the object still names the texture.
      ConvertTexture(*image, palette, output.parent_path() / (texture.name + ".mip"),
                     sixteen_bit_textures_)
          .IgnoreError();
    }
  }
}

std::vector<std::uint8_t> Object3do::BuildGpl(const std::filesystem::path& output) {
  for (NameRecord& name : object_names_) {
    if (EqualsIgnoreCase(name.name, "flagger")) name.name = "_blank_";
  }
  const bool horizon = source_path_.find("horiz.3do") != std::string::npos;
  BuildPlanes();
  if (track_object_) BuildTrackSections(*this);

  std::size_t source_size = 0;
  if (format_ == 1) source_size = header_words_[0];
  if (format_ == 2 && buffer_.size() >= kChunkHeaderSize) {
    source_size = ByteReader(std::span<const std::uint8_t>(buffer_).subspan(8, 4)).U32();
  }
  GplObjectWriter writer(std::min(3 * source_size, kMaxReserve));

  double scale = 1.0;
  if (horizon) {
    double largest = 0.0;
    for (const ObjectPoint& v : vertices_) largest = std::max(largest, v.x / kUnitsPerMetre);
    // With no vertex to the right the object is left unscaled.
    if (largest > 0.0) scale = 10000.0 / largest;
  }
  std::vector<GplVertex> table;
  table.reserve(vertices_.size());
  for (std::size_t i = 0; i < vertices_.size(); ++i) {
    ObjectPoint& v = vertices_[i];
    v.x /= kUnitsPerMetre;
    v.y /= kUnitsPerMetre;
    v.z /= kUnitsPerMetre;
    if (horizon && scale != 1.0) {
      v.x *= scale;
      v.y *= scale;
      v.z = v.z * scale - 200.0;
    }
    v.index = static_cast<std::int32_t>(i);
    table.push_back({static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)});
  }
  writer.AppendVertices(table);
  std::vector<GplPlane> plane_table;
  plane_table.reserve(planes_.size());
  for (const ObjectPoint& p : planes_) {
    plane_table.push_back({static_cast<float>(p.x), static_cast<float>(p.y),
                           static_cast<float>(p.z), static_cast<float>(p.d)});
  }
  writer.AppendPlanes(plane_table);

  if (track_object_) {
    for (std::string_view name : kTracksideNames) AddName(name, 1);
  }
  std::uint32_t offset = 0;
  for (std::vector<NameRecord>* list : {&object_names_, &sprite_names_}) {
    for (NameRecord& name : *list) {
      name.string_offset = offset;
      offset += static_cast<std::uint32_t>(name.name.size() + 1);
    }
  }
  LoadTexturesAndSprites(output);
  std::vector<std::string> all_names;
  for (const auto* list : {&object_names_, &sprite_names_, &textures_}) {
    for (const NameRecord& name : *list) all_names.push_back(name.name);
  }
  writer.AppendStrings(BuildStringTable(all_names));

  writer.BeginNodes();
  out_ = &writer.out();
  nodes_start_ = writer.out().size();
  last_node_offset_ = kNoNode;
  if (track_object_) {
    WriteTrackObjectNodes(*this);
  } else {
    for (const auto& node : nodes_) WriteNode(*node, false);
  }
  out_ = nullptr;
  return writer.EndNodes(last_node_offset_);
}

bool Object3do::WriteGpl(const std::filesystem::path& output) {
  return WriteFileBytes(output, BuildGpl(output));
}

void Object3do::WriteNode(ObjectNode& node, bool reverse) {
  if (format_ == 2) Write3do3Node(node, reverse);
  else if (format_ == 1) WriteUntaggedNode(node, reverse);
}

}  // namespace velmora

namespace velmora {

std::int32_t Object3do::MarkExtraNode() {
  last_node_offset_ = static_cast<std::int32_t>(out_->size() - nodes_start_ + 4);
  return last_node_offset_;
}

// An attribute that follows a textured polygon; the polygon's parents then reach it first.
void Object3do::WriteExtraAttribute(std::int32_t child, std::uint32_t name_offset,
                                    std::uint32_t value, ObjectNode& owner) {
  owner.output_offset = MarkExtraNode();
  ByteWriter& o = out();
  o.U32(kOpAttribute);
  o.I32(child);
  o.U32(5);
  o.U32(name_offset);
  o.U32(value);
}

void Object3do::WriteLastChildGroup(ObjectNode& node) {
  if (node.children.empty()) return;
  const std::int32_t last = node.children.back()->output_offset;
  MarkNode(node);
  out().U32(kOpGroup);
  out().U32(1);
  out().I32(last);
}

void Object3do::WriteGroup(ObjectNode& node) {
  std::vector<std::int32_t> written;
  for (const ObjectNode* child : node.children) {
    if (child->output_offset != kNoNode) written.push_back(child->output_offset);
  }
  if (written.empty()) return;
  MarkNode(node);
  out().U32(kOpGroup);
  out().U32(static_cast<std::uint32_t>(written.size()));
  for (std::int32_t offset : written) out().I32(offset);
}

void Object3do::WriteSplit(ObjectNode& node, std::uint32_t opword,
                           std::span<const std::int32_t> children) {
  MarkNode(node);
  out().U32(opword);
  out().I32(node.plane_index);
  for (std::int32_t child : children) out().I32(child);
}

void Object3do::WritePlacement(std::uint32_t opword, std::span<const std::int32_t, 6> words,
                               std::int32_t child) {
  ByteWriter& o = out();
  o.U32(opword);
  for (int i = 0; i < 3; ++i) o.F32(static_cast<float>(words[i] / kUnitsPerMetre));
  o.F32(static_cast<float>(words[3] * kAngleFactor));
  o.F32(static_cast<float>(-static_cast<double>(words[4]) * kAngleFactor));
  o.F32(static_cast<float>(words[5] * kAngleFactor));
  o.F32(1.0f);
  o.I32(child);
}

void Object3do::WritePolygon(ObjectNode& node, bool textured, std::uint32_t colour,
                             bool reverse) {
  const std::size_t n = node.points.size();
  auto vertex_at = [&](std::size_t i) -> const ObjectPoint& {
    return vertices_[node.points[reverse ? n - 1 - i : i]];
  };
  MarkNode(node);
  ByteWriter& o = out();
  if (!textured) {
    o.U32(kOpwordFlatPolygon);
    o.U32(colour);
    o.U32(static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) o.I32(vertex_at(i).index);
    return;
  }
  const NameRecord& texture = textures_[node.texture_index];
  o.U32(kOpwordTexturedPolygon);
  o.U32(0);
  o.U32(colour);
  o.U32(static_cast<std::uint32_t>(n));
  // A texture that did not load has no extent: its coordinates are written as 0.
  auto scaled = [](double texels, std::int32_t extent) {
    return extent != 0 ? static_cast<float>(texels / extent) : 0.0f;
  };
  for (std::size_t i = 0; i < n; ++i) {
    o.F32(scaled(vertex_at(i).u, texture.width));
    o.F32(scaled(vertex_at(i).v, texture.height));
  }
  for (std::size_t i = 0; i < n; ++i) o.I32(vertex_at(i).index);
  const bool blended = node.value >= 256;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t alpha = 0xFF;
    if (reverse) {
      alpha = blended ? 0x20 : 0xFF;
    } else if (blended) {
      const std::uint32_t v = static_cast<std::uint32_t>(node.value);
      alpha = (i == 1 || i == 2) ? ((v & 0x0F) + 2) * 16 : (v & 0xF0) + 0x20;
    }
    o.U32((alpha & 0xFF) << 24 | 0xFFFFFF);
  }
}

}  // namespace velmora
