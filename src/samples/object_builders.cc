#include "samples/object_builders.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "format/chunk_file.h"
#include "platform/byte_reader.h"
#include "platform/byte_writer.h"
#include "platform/units.h"
#include "samples/track_object_builder.h"

namespace velmora::samples {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

// ---- 3DO3 ----

std::uint32_t Object3Builder::Vertex(std::int32_t x, std::int32_t y, std::int32_t z) {
  vertices_.insert(vertices_.end(), {x, y, z});
  return static_cast<std::uint32_t>(vertices_.size() / 3 - 1);
}

std::uint32_t Object3Builder::Name(const std::string& name) {
  const auto offset = static_cast<std::uint32_t>(strings_.size());
  strings_.insert(strings_.end(), name.begin(), name.end());
  strings_.push_back(0);
  return offset;
}

std::uint32_t Object3Builder::Record(std::uint8_t code, const std::vector<std::uint32_t>& words) {
  const auto offset = static_cast<std::uint32_t>(records_.size() + 4);
  records_.push_back(code);
  PutU32(records_, 0);
  for (std::uint32_t w : words) PutU32(records_, w);
  return offset;
}

std::uint32_t Object3Builder::Polygon(std::uint32_t type, std::uint8_t colour,
                                      const std::vector<std::uint32_t>& vertices,
                                      const std::vector<std::pair<std::int16_t, std::int16_t>>& uv) {
  std::vector<std::uint32_t> words = {type, colour, static_cast<std::uint32_t>(vertices.size())};
  words.insert(words.end(), vertices.begin(), vertices.end());
  const std::size_t n = vertices.size();
  if (type != 0) {
    for (std::size_t i = 0; i < n; ++i) {
      const auto [u, v] = i < uv.size() ? uv[i] : std::pair<std::int16_t, std::int16_t>{0, 0};
      words.push_back(static_cast<std::uint16_t>(u) | static_cast<std::uint32_t>(
                                                          static_cast<std::uint16_t>(v)) << 16);
    }
  }
  if (type == 3 || type == 5) words.insert(words.end(), n, 0);
  return Record(2, words);
}

std::uint32_t Object3Builder::Sprite(std::uint32_t vertex, const std::string& name,
                                     std::uint32_t size) {
  return Record(3, {vertex, Name(name), size});
}

std::uint32_t Object3Builder::Group(const std::vector<std::uint32_t>& children) {
  std::vector<std::uint32_t> words = {static_cast<std::uint32_t>(children.size())};
  words.insert(words.end(), children.begin(), children.end());
  return Record(4, words);
}

std::uint32_t Object3Builder::Attribute(std::uint32_t child, std::uint32_t kind,
                                        std::uint32_t value, std::uint32_t second) {
  std::vector<std::uint32_t> words = {child, kind, value};
  if (kind == 5 || kind == 12) words.push_back(second);
  return Record(5, words);
}

std::uint32_t Object3Builder::TextureAttribute(std::uint32_t child, std::uint32_t kind,
                                               const std::string& texture,
                                               std::uint32_t second) {
  return Attribute(child, kind, Name(texture), second);
}

std::uint32_t Object3Builder::Split(int code, std::int32_t a, std::int32_t b, std::int32_t c,
                                    std::int32_t hi, std::uint32_t lo,
                                    const std::vector<std::uint32_t>& children) {
  std::vector<std::uint32_t> words = {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                                      static_cast<std::uint32_t>(c),
                                      static_cast<std::uint32_t>(hi), lo};
  const std::size_t slots = code == 6 ? 1 : code == 8 ? 4 : (code == 9 || code == 10) ? 3 : 2;
  for (std::size_t i = 0; i < slots; ++i) words.push_back(i < children.size() ? children[i] : 0);
  return Record(static_cast<std::uint8_t>(code), words);
}

std::uint32_t Object3Builder::Placement(int code, std::int32_t x, std::int32_t y, std::int32_t z,
                                        std::int32_t a1, std::int32_t a2, std::int32_t a3,
                                        std::uint32_t child) {
  auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
  return Record(static_cast<std::uint8_t>(code), {u(x), u(y), u(z), u(a1), u(a2), u(a3), 0, child});
}

std::uint32_t Object3Builder::ObjectRef(const std::string& name) {
  return Record(14, {Name(name), 0});
}

std::uint32_t Object3Builder::NumberList(const std::vector<std::uint32_t>& numbers) {
  std::vector<std::uint32_t> words = {static_cast<std::uint32_t>(numbers.size())};
  words.insert(words.end(), numbers.begin(), numbers.end());
  return Record(16, words);
}

std::uint32_t Object3Builder::Pairs(const std::vector<std::uint32_t>& children) {
  std::vector<std::uint32_t> words = {0, 0, 0, static_cast<std::uint32_t>(children.size())};
  for (std::uint32_t child : children) words.insert(words.end(), {0, child});
  return Record(17, words);
}

std::uint32_t Object3Builder::Line(std::uint8_t colour, std::uint32_t a, std::uint32_t b,
                                   std::uint32_t type) {
  return Record(21, {0, colour, type, a, b});
}

std::vector<std::uint8_t> Object3Builder::Build(bool with_vertices) const {
  ByteWriter out;
  {
    ChunkScope top(out, "3OD3");
    if (with_vertices) {
      ByteWriter perp;
      for (std::size_t i = 0; i < vertices_.size(); i += 3) {
        perp.U32(0);
        for (int k = 0; k < 3; ++k) perp.I32(vertices_[i + k]);
      }
      WriteLeafChunk(out, "PERP", perp.bytes());
    }
    if (!strings_.empty()) WriteLeafChunk(out, "NRTS", strings_);
    std::vector<std::uint8_t> prim(4, 0);
    prim.insert(prim.end(), records_.begin(), records_.end());
    WriteLeafChunk(out, "MIRP", prim);
  }
  return out.Take();
}

// ---- untagged ----

int UntaggedBuilder::Texture(const std::string& name) {
  textures_.push_back(name);
  return static_cast<int>(textures_.size() - 1);
}
int UntaggedBuilder::Sprite(const std::string& name) {
  sprites_.push_back(name);
  return static_cast<int>(sprites_.size() - 1);
}
int UntaggedBuilder::Object(const std::string& name) {
  objects_.push_back(name);
  return static_cast<int>(objects_.size() - 1);
}

std::uint32_t UntaggedBuilder::Words(const std::vector<std::uint32_t>& words, bool record) {
  const auto offset = static_cast<std::uint32_t>(4 * words_.size());
  words_.insert(words_.end(), words.begin(), words.end());
  if (record) root_ = offset;
  return offset;
}

std::uint32_t UntaggedBuilder::Vertex(std::int32_t x, std::int32_t y, std::int32_t z,
                                      std::int16_t u, std::int16_t v) {
  return Words({0, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                static_cast<std::uint32_t>(z),
                static_cast<std::uint16_t>(u) |
                    static_cast<std::uint32_t>(static_cast<std::uint16_t>(v)) << 16},
               false);
}

std::uint32_t UntaggedBuilder::FlatPolygon(std::uint32_t colour,
                                           const std::vector<std::uint32_t>& vertices) {
  std::vector<std::uint32_t> w = {Marker(1), colour,
                                  static_cast<std::uint32_t>(vertices.size() - 1)};
  w.insert(w.end(), vertices.begin(), vertices.end());
  return Words(w);
}

std::uint32_t UntaggedBuilder::Polygon(std::uint32_t value, std::uint32_t colour,
                                       const std::vector<std::uint32_t>& vertices) {
  std::vector<std::uint32_t> w = {Marker(2), value, colour,
                                  static_cast<std::uint32_t>(vertices.size() - 1)};
  w.insert(w.end(), vertices.begin(), vertices.end());
  return Words(w);
}

std::uint32_t UntaggedBuilder::SpriteRecord(std::uint32_t vertex, std::int32_t size,
                                            std::uint32_t sprite) {
  return Words({Marker(3), vertex, static_cast<std::uint32_t>(size), sprite});
}

std::uint32_t UntaggedBuilder::Attribute(std::uint32_t texture, std::uint32_t child) {
  return Words({Marker(4), texture, 0, child});
}

std::uint32_t UntaggedBuilder::Split(int code, std::int32_t a, std::int32_t b, std::int32_t c,
                                     std::uint32_t lo, std::int32_t hi,
                                     const std::vector<std::uint32_t>& children) {
  std::vector<std::uint32_t> w = {Marker(code), static_cast<std::uint32_t>(a),
                                  static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(c), lo,
                                  static_cast<std::uint32_t>(hi)};
  const std::size_t slots = code == 5 ? 1 : (code == 6 || code == 10) ? 2 : code == 9 ? 4 : 3;
  for (std::size_t i = 0; i < slots; ++i) w.push_back(i < children.size() ? children[i] : 0);
  return Words(w);
}

std::uint32_t UntaggedBuilder::Group(const std::vector<std::uint32_t>& children) {
  std::vector<std::uint32_t> w = {Marker(11), static_cast<std::uint32_t>(children.size())};
  w.insert(w.end(), children.begin(), children.end());
  return Words(w);
}

std::uint32_t UntaggedBuilder::DetailSwitch(
    std::uint32_t origin, const std::vector<std::pair<std::int32_t, std::uint32_t>>& levels) {
  std::vector<std::uint32_t> w = {Marker(13), origin};
  for (const auto& [distance, child] : levels) {
    w.push_back(static_cast<std::uint32_t>(distance));
    w.push_back(child);
  }
  return Words(w);
}

std::uint32_t UntaggedBuilder::Placement(std::int32_t x, std::int32_t y, std::int32_t z,
                                         std::int32_t a1, std::int32_t a2, std::int32_t a3,
                                         std::int32_t object) {
  auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
  return Words({Marker(15), u(x), u(y), u(z), u(a1), u(a2), u(a3), u(object)});
}

std::uint32_t UntaggedBuilder::Head(std::uint32_t main, const std::vector<std::uint32_t>& listed) {
  std::vector<std::uint32_t> w = {Marker(16), main, static_cast<std::uint32_t>(listed.size())};
  w.insert(w.end(), listed.begin(), listed.end());
  return Words(w);
}

std::uint32_t UntaggedBuilder::SectionList(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
                                           std::uint32_t w4) {
  return Words({Marker(17), w1, w2, w3, w4});
}

std::vector<std::uint8_t> UntaggedBuilder::Build() const {
  ByteWriter out;
  out.U32(static_cast<std::uint32_t>(4 * words_.size()));
  out.U32(root_);
  out.U32(static_cast<std::uint32_t>(textures_.size()));
  out.U32(static_cast<std::uint32_t>(sprites_.size()));
  out.U32(static_cast<std::uint32_t>(objects_.size()));
  for (const auto* list : {&textures_, &sprites_, &objects_}) {
    for (const std::string& name : *list) {
      std::string padded = name.substr(0, 8);
      padded.resize(8, '\0');
      out.Text(padded);
    }
  }
  for (std::uint32_t w : words_) out.U32(w);
  return out.Take();
}

}  // namespace velmora::samples

namespace velmora::samples {

namespace {

constexpr std::int32_t kMetre = static_cast<std::int32_t>(kUnitsPerMetre);

// A grandstand: a box of flat faces with a textured banner on its front, and two trees.
std::vector<std::uint8_t> DemoStand() {
  UntaggedBuilder b;
  const int banner = b.Texture("kbanner");
  const int tree = b.Sprite("ktree");
  const std::int32_t w = 30 * kMetre, d = 8 * kMetre, h = 10 * kMetre;
  const std::uint32_t v[8] = {b.Vertex(0, 0, 0),     b.Vertex(w, 0, 0),  b.Vertex(w, d, 0),
                              b.Vertex(0, d, 0),     b.Vertex(0, 0, h),  b.Vertex(w, 0, h),
                              b.Vertex(w, d, h / 2), b.Vertex(0, d, h / 2)};
  std::vector<std::uint32_t> faces = {
      b.FlatPolygon(40, {v[1], v[2], v[6], v[5]}), b.FlatPolygon(40, {v[3], v[0], v[4], v[7]}),
      b.FlatPolygon(44, {v[4], v[5], v[6], v[7]}), b.FlatPolygon(0x00806040, {v[2], v[3], v[7], v[6]})};
  const std::uint32_t b0 = b.Vertex(0, -10, 0, 0, 31), b1 = b.Vertex(w, -10, 0, 127, 31);
  const std::uint32_t b2 = b.Vertex(w, -10, h, 127, 0), b3 = b.Vertex(0, -10, h, 0, 0);
  const std::uint32_t front = b.Polygon(0, 46, {b0, b1, b2, b3});
  faces.push_back(b.Attribute(static_cast<std::uint32_t>(banner), front));
  const std::uint32_t t0 = b.Vertex(-5 * kMetre, 4 * kMetre, 4 * kMetre);
  const std::uint32_t t1 = b.Vertex(w + 5 * kMetre, 4 * kMetre, 4 * kMetre);
  faces.push_back(b.SpriteRecord(t0, 8 * kMetre, static_cast<std::uint32_t>(tree)));
  faces.push_back(b.SpriteRecord(t1, 8 * kMetre, static_cast<std::uint32_t>(tree)));
  b.Group(faces);
  return b.Build();
}

// A marker board split by its plane, placed twice through a placement of another object.
std::vector<std::uint8_t> DemoBoards() {
  UntaggedBuilder b;
  const int wall = b.Texture("kwall");
  b.Object("kstand");
  const std::int32_t w = 4 * kMetre, h = 2 * kMetre;
  const std::uint32_t p0 = b.Vertex(0, 0, 0, 0, 31), p1 = b.Vertex(w, 0, 0, 63, 31);
  const std::uint32_t p2 = b.Vertex(w, 0, h, 63, 0), p3 = b.Vertex(0, 0, h, 0, 0);
  const std::uint32_t front = b.Attribute(static_cast<std::uint32_t>(wall),
                                          b.Polygon(0, 40, {p0, p1, p2, p3}));
  const std::uint32_t back = b.FlatPolygon(42, {p3, p2, p1, p0});
  const std::uint32_t split = b.Split(6, 0, -1, 0, 0, 0, {front, back});
  const std::uint32_t stand = b.Placement(40 * kMetre, 60 * kMetre, 0, 0, 0x40000000, 0, 1);
  b.Group({split, stand});
  return b.Build();
}

// The horizon: a ring of textured walls far out, drawn with the sky texture.
std::vector<std::uint8_t> DemoHorizon() {
  UntaggedBuilder b;
  const int sky = b.Texture("ksky");
  constexpr int kSides = 12;
  constexpr double kRadius = 2000.0 * kMetre;
  std::vector<std::uint32_t> low, high;
  for (int i = 0; i <= kSides; ++i) {
    const double a = 6.283185307179586 * i / kSides;
    const auto x = static_cast<std::int32_t>(kRadius * std::cos(a));
    const auto y = static_cast<std::int32_t>(kRadius * std::sin(a));
    const auto u = static_cast<std::int16_t>(319 * i / kSides);
    low.push_back(b.Vertex(x, y, 0, u, 63));
    high.push_back(b.Vertex(x, y, 150 * kMetre, u, 0));
  }
  std::vector<std::uint32_t> walls;
  for (int i = 0; i < kSides; ++i) {
    walls.push_back(b.Polygon(0, 30, {low[i], low[i + 1], high[i + 1], high[i]}));
  }
  b.Attribute(static_cast<std::uint32_t>(sky), b.Group(walls));
  return b.Build();
}

}  // namespace

void AddDemoObjects(std::vector<MemberBytes>& members) {
  members.push_back({"kstand.3do", DemoStand()});
  members.push_back({"kboards.3do", DemoBoards()});
  members.push_back({"khoriz.3do", DemoHorizon()});
  members.push_back({"ktrack.3do", DemoTrackObject()});
}

}  // namespace velmora::samples
