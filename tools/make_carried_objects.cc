// Writes the 3D objects that every converted track carries: the blank object, the tyre stack,
// the hay bale and the cone, with the program's own 3DO4 writer. Their output is committed
// under src/resources/; rerun after changing a shape:
//
//   velmora_make_carried_objects src/resources
//
// Lengths are metres, z up, the object standing on z = 0 around its origin. Faces are textured
// polygons without vertex colours (opcode 31), grouped under one texture attribute each.

#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "object/gpl_object_format.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr double kTurn = 6.283185307179586;

struct Face {
  std::vector<std::uint32_t> corners;
  std::vector<std::pair<float, float>> uv;
};

struct Part {
  std::string texture;
  std::uint32_t colour;
  std::vector<Face> faces;
};

class Shape {
 public:
  std::uint32_t Vertex(double x, double y, double z) {
    vertices_.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    return static_cast<std::uint32_t>(vertices_.size() - 1);
  }
  Part& NewPart(std::string texture, std::uint32_t colour) {
    parts_.push_back({std::move(texture), colour, {}});
    return parts_.back();
  }
  // A quad with the whole texture on it, corners counter-clockwise seen from outside.
  static Face Quad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                   float u0 = 0, float u1 = 1) {
    return {{a, b, c, d}, {{u0, 1}, {u1, 1}, {u1, 0}, {u0, 0}}};
  }

  // The file; `handle` names the root node.
  std::vector<std::uint8_t> Build(const std::string& handle) const {
    std::vector<std::string> names;
    std::vector<std::uint32_t> name_offsets;
    std::uint32_t offset = 0;
    for (const Part& part : parts_) {
      names.push_back(part.texture);
      name_offsets.push_back(offset);
      offset += static_cast<std::uint32_t>(part.texture.size() + 1);
    }
    const std::uint32_t handle_offset = offset;
    if (!handle.empty()) names.push_back(handle);

    // Node offsets are known before writing: faces, a group and an attribute per part, root.
    std::uint32_t at = 4;
    for (const Part& part : parts_) {
      for (const Face& face : part.faces) at += 16 + 12 * static_cast<std::uint32_t>(face.corners.size());
      at += 8 + 4 * static_cast<std::uint32_t>(part.faces.size()) + 16;
    }
    const std::uint32_t root_at = at;

    GplObjectWriter writer;
    writer.AppendVertices(vertices_);
    writer.AppendStrings(BuildStringTable(names));
    if (!handle.empty()) {
      const std::pair<std::uint32_t, std::uint32_t> handles[1] = {{handle_offset, root_at}};
      writer.AppendHandles(handles);
    }
    writer.BeginNodes();
    ByteWriter& o = writer.out();
    std::vector<std::int32_t> attributes;
    for (std::size_t p = 0; p < parts_.size(); ++p) {
      std::vector<std::int32_t> faces;
      for (const Face& face : parts_[p].faces) {
        faces.push_back(writer.NextNodeOffset());
        o.U32(0x0800 | kOpTexturedPolygonPlain);
        o.U32(0);
        o.U32(parts_[p].colour);
        o.U32(static_cast<std::uint32_t>(face.corners.size()));
        for (const auto& [u, v] : face.uv) {
          o.F32(u);
          o.F32(v);
        }
        for (std::uint32_t c : face.corners) o.U32(c);
      }
      const std::int32_t group = writer.NextNodeOffset();
      o.U32(kOpGroup);
      o.U32(static_cast<std::uint32_t>(faces.size()));
      for (std::int32_t f : faces) o.I32(f);
      attributes.push_back(writer.NextNodeOffset());
      o.U32(kOpAttribute);
      o.I32(group);
      o.U32(1);
      o.U32(name_offsets[p]);
    }
    const std::int32_t root = writer.NextNodeOffset();
    o.U32(kOpGroup);
    o.U32(static_cast<std::uint32_t>(attributes.size()));
    for (std::int32_t a : attributes) o.I32(a);
    std::vector<std::uint8_t> bytes = writer.EndNodes(root);
    bytes[4] = 1;  // top version of the carried objects
    return bytes;
  }

 private:
  std::vector<GplVertex> vertices_;
  std::deque<Part> parts_;  // parts stay where they are while more are added
};

// A ring of `sides` quads between two circles, for tyres and the cone's skirt.
void Ring(Shape& shape, Part& part, int sides, double r0, double z0, double r1, double z1,
          bool inward = false) {
  std::vector<std::uint32_t> low, high;
  for (int i = 0; i <= sides; ++i) {
    const double a = kTurn * i / sides;
    low.push_back(shape.Vertex(r0 * std::cos(a), r0 * std::sin(a), z0));
    high.push_back(shape.Vertex(r1 * std::cos(a), r1 * std::sin(a), z1));
  }
  for (int i = 0; i < sides; ++i) {
    const float u0 = static_cast<float>(i) / sides * 4, u1 = static_cast<float>(i + 1) / sides * 4;
    Face f = Shape::Quad(low[i], low[i + 1], high[i + 1], high[i], u0, u1);
    if (inward) f = Shape::Quad(low[i + 1], low[i], high[i], high[i + 1], u1, u0);
    part.faces.push_back(f);
  }
}

std::vector<std::uint8_t> Blank() {
  GplObjectWriter writer;
  writer.BeginNodes();
  return writer.EndNodes(kNoNode);  // top version 0
}

// Three tyres stacked: 0.62 m across, 0.22 m tall each.
std::vector<std::uint8_t> TireStack() {
  Shape shape;
  Part& side = shape.NewPart("tireside", ColourWord(30, 30, 30));
  Part& top = shape.NewPart("tirefrnt", ColourWord(40, 40, 40));
  constexpr int kSides = 12;
  constexpr double kOuter = 0.31, kInner = 0.19, kHeight = 0.22;
  for (int t = 0; t < 3; ++t) {
    const double z0 = t * kHeight, z1 = z0 + kHeight;
    // Each tyre bulges out at its middle, so the stack shows its three tyres.
    const double zm = (z0 + z1) / 2;
    Ring(shape, side, kSides, kOuter - 0.04, z0, kOuter, zm);
    Ring(shape, side, kSides, kOuter, zm, kOuter - 0.04, z1);
    Ring(shape, side, kSides, kInner, z0, kInner, z1, true);
  }
  Ring(shape, top, kSides, kOuter - 0.04, 3 * kHeight, kInner, 3 * kHeight);
  return shape.Build("");
}

// A hay bale: 1.1 m long, 0.5 m deep, 0.45 m tall.
std::vector<std::uint8_t> HayBale() {
  Shape shape;
  Part& hay = shape.NewPart("hayba_s", ColourWord(200, 170, 90));
  const double x = 0.55, y = 0.25, h = 0.45;
  std::uint32_t v[8];
  for (int i = 0; i < 8; ++i) {
    v[i] = shape.Vertex((i & 1) ? x : -x, (i & 2) ? y : -y, (i & 4) ? h : 0.0);
  }
  hay.faces = {Shape::Quad(v[0], v[1], v[5], v[4]), Shape::Quad(v[3], v[2], v[6], v[7]),
               Shape::Quad(v[1], v[3], v[7], v[5]), Shape::Quad(v[2], v[0], v[4], v[6]),
               Shape::Quad(v[4], v[5], v[7], v[6])};
  return shape.Build("");
}

// A traffic cone: a 0.36 m square base 3 cm thick and a 0.46 m cone on it.
std::vector<std::uint8_t> Cone() {
  Shape shape;
  Part& cone = shape.NewPart("_conebs1", ColourWord(240, 90, 20));
  const double b = 0.18, t = 0.03;
  std::uint32_t v[8];
  for (int i = 0; i < 8; ++i) {
    v[i] = shape.Vertex((i & 1) ? b : -b, (i & 2) ? b : -b, (i & 4) ? t : 0.0);
  }
  cone.faces = {Shape::Quad(v[0], v[1], v[5], v[4]), Shape::Quad(v[3], v[2], v[6], v[7]),
                Shape::Quad(v[1], v[3], v[7], v[5]), Shape::Quad(v[2], v[0], v[4], v[6]),
                Shape::Quad(v[4], v[5], v[7], v[6])};
  constexpr int kSides = 12;
  const std::uint32_t tip = shape.Vertex(0, 0, 0.49);
  std::vector<std::uint32_t> rim;
  for (int i = 0; i <= kSides; ++i) {
    const double a = kTurn * i / kSides;
    rim.push_back(shape.Vertex(0.14 * std::cos(a), 0.14 * std::sin(a), t));
  }
  for (int i = 0; i < kSides; ++i) {
    const float u0 = static_cast<float>(i) / kSides, u1 = static_cast<float>(i + 1) / kSides;
    cone.faces.push_back({{rim[i], rim[i + 1], tip}, {{u0, 1}, {u1, 1}, {(u0 + u1) / 2, 0}}});
  }
  return shape.Build("collision");
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s RESOURCES_DIR\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const bool ok = WriteFileBytes(out / "N4BLANK_3DO", Blank()) &&
                  WriteFileBytes(out / "_TIRE_3DO", TireStack()) &&
                  WriteFileBytes(out / "_HAY_3DO", HayBale()) &&
                  WriteFileBytes(out / "_CONE_3DO", Cone());
  if (!ok) std::fprintf(stderr, "cannot write into %s\n", out.string().c_str());
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) { return velmora::Run(argc, argv); }
