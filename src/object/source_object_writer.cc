#include "object/source_object_writer.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "object/gpl_node_stream.h"
#include "object/source_node_writers.h"
#include "object/track_object_writer.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

// The output buffer starts at three times the source's size, within reason.
constexpr std::size_t kMaxReserve = 64u << 20;

constexpr std::string_view kTracksideNames[] = {"_tire", "_cone", "_hay", "starter", "flagger"};

void LoadSprites(Object3do& object, TexturePalette& palette) {
  const std::filesystem::path folder = object.path().parent_path();
  for (NameRecord& sprite : object.names(NameKind::kSprite)) {
    SpriteImage image(palette);
    if (object.source_format() == SourceFormat::k3do3) {
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
}

void LoadTexturesAndSprites(Object3do& object, const std::filesystem::path& output) {
  const std::filesystem::path folder = object.path().parent_path();
  TexturePalette fallback;
  TexturePalette& palette = object.palette() != nullptr ? *object.palette() : fallback;
  std::vector<NameRecord>& textures = object.textures();
  textures.clear();
  for (const NameRecord& name : object.names(NameKind::kTexture)) {
    NameRecord record;
    record.name = name.name;
    record.value = name.value;
    record.path = folder / (name.name + ".mip");
    if (!FileExists(record.path)) {
      record.path = folder / (name.name + ".m16");
      if (!FileExists(record.path)) record.path = folder / (name.name + ".mi4");
    }
    textures.push_back(std::move(record));
  }
  LoadSprites(object, palette);
  // String offsets continue after the object and sprite names.
  std::uint32_t offset = 0;
  for (NameKind kind : {NameKind::kObject, NameKind::kSprite}) {
    for (const NameRecord& n : object.names(kind)) {
      offset += static_cast<std::uint32_t>(n.name.size() + 1);
    }
  }
  for (NameRecord& texture : textures) {
    texture.string_offset = offset;
    offset += static_cast<std::uint32_t>(texture.name.size() + 1);
    Result<TextureImage> image = LoadTexture(texture.path);
    if (!image) continue;
    std::tie(texture.width, texture.height) = TextureExtent(*image);
    if (!output.empty()) {
      // Not told about, as objects never have: the object still names the texture.
      ConvertTexture(*image, palette, output.parent_path() / (texture.name + ".mip"),
                     object.sixteen_bit_textures())
          .IgnoreError();
    }
  }
}

// Converts the vertices to metres in place (a horizon is scaled out to 10 km) and appends the
// vertex and plane tables.
void AppendPointTables(Object3do& object, bool horizon, GplObjectWriter& writer) {
  std::vector<ObjectPoint>& vertices = object.vertices();
  double scale = 1.0;
  if (horizon) {
    double largest = 0.0;
    for (const ObjectPoint& v : vertices) largest = std::max(largest, v.x / kUnitsPerMetre);
    // With no vertex to the right the object is left unscaled.
    if (largest > 0.0) scale = 10000.0 / largest;
  }
  std::vector<GplVertex> table;
  table.reserve(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    ObjectPoint& v = vertices[i];
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
  plane_table.reserve(object.planes().size());
  for (const ObjectPoint& p : object.planes()) {
    plane_table.push_back({static_cast<float>(p.x), static_cast<float>(p.y),
                           static_cast<float>(p.z), static_cast<float>(p.d)});
  }
  writer.AppendPlanes(plane_table);
}

void AppendNames(Object3do& object, const std::filesystem::path& output,
                 GplObjectWriter& writer) {
  if (object.is_track_object()) {
    for (std::string_view name : kTracksideNames) object.AddName(name, 1);
  }
  std::uint32_t offset = 0;
  for (NameKind kind : {NameKind::kObject, NameKind::kSprite}) {
    for (NameRecord& name : object.names(kind)) {
      name.string_offset = offset;
      offset += static_cast<std::uint32_t>(name.name.size() + 1);
    }
  }
  LoadTexturesAndSprites(object, output);
  std::vector<std::string> all_names;
  for (NameKind kind : {NameKind::kObject, NameKind::kSprite}) {
    for (const NameRecord& name : object.names(kind)) all_names.push_back(name.name);
  }
  for (const NameRecord& name : object.textures()) all_names.push_back(name.name);
  writer.AppendStrings(BuildStringTable(all_names));
}

}  // namespace

void BuildPlanes(Object3do& object) {
  std::vector<ObjectPoint>& planes = object.planes();
  planes.clear();
  planes.push_back({.d = -100.0, .index = 0});
  planes.push_back({.d = 100.0, .index = 1});
  if (object.source_format() == SourceFormat::k3do3) {
    BuildPlanes3do3(object);
  } else {
    BuildPlanesUntagged(object);
  }
}

void WriteSourceNode(ObjectNode& node, GplNodeStream& stream) {
  switch (stream.object().source_format()) {
    case SourceFormat::k3do3: Write3do3Node(node, stream); break;
    case SourceFormat::kUntagged: WriteUntaggedNode(node, stream); break;
    case SourceFormat::kNone: break;
  }
}

void AppendRecordPlane(Object3do& object, ObjectNode& node, std::int32_t a, std::int32_t b,
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
  plane.index = static_cast<std::int32_t>(object.planes().size());
  node.plane_index = plane.index;
  object.planes().push_back(plane);
}

void AppendPolygonPlane(Object3do& object, ObjectNode& node) {
  if (node.points.size() < 3) return;
  const std::vector<ObjectPoint>& v = object.vertices();
  // A polygon whose corners are collinear keeps an all-zero plane rather than NaN.
  ObjectPoint plane =
      PlaneThrough(v[node.points[0]], v[node.points[1]], v[node.points[2]]).value_or(ObjectPoint{});
  plane.source_offset = node.source_offset;
  plane.index = static_cast<std::int32_t>(object.planes().size());
  node.plane_index = plane.index;
  object.planes().push_back(plane);
}

std::vector<std::uint8_t> BuildGplObject(Object3do& object, const std::filesystem::path& output) {
  for (NameRecord& name : object.names(NameKind::kObject)) {
    if (EqualsIgnoreCase(name.name, "flagger")) name.name = "_blank_";
  }
  const bool horizon = object.source_path().find("horiz.3do") != std::string::npos;
  BuildPlanes(object);
  std::optional<TrackObjectWriter> track_writer;
  if (object.is_track_object()) {
    track_writer.emplace(object, output);
    track_writer->BuildSections();
  }

  GplObjectWriter writer(std::min(3 * object.source_size(), kMaxReserve));
  AppendPointTables(object, horizon, writer);
  AppendNames(object, output, writer);
  GplNodeStream stream(writer, object);
  if (track_writer) {
    track_writer->WriteNodes(stream);
  } else {
    for (const auto& node : object.nodes()) WriteSourceNode(*node, stream);
  }
  return writer.EndNodes(stream.last_node_offset());
}

Status WriteGplObject(Object3do& object, const std::filesystem::path& output) {
  if (!WriteFileBytes(output, BuildGplObject(object, output))) {
    return Status::IOError("cannot write " + output.string());
  }
  return Status::Ok();
}

}  // namespace velmora
