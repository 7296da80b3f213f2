#include "object/source_object_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "object/gpl_node_stream.h"
#include "object/source_node_writers.h"
#include "object/track_object_writer.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/rule_path.h"
#include "track/track_archive.h"

namespace velmora {

namespace {

// The output buffer starts at three times the source's size, within reason.
constexpr std::size_t kMaxReserve = 64u << 20;

constexpr std::string_view kTracksideNames[] = {"_tire", "_cone", "_hay", "starter", "flagger"};

// Names inside a source object are looked up only as files of the folder the object was
// unpacked into: a name holding "/", "\\", "..", a drive or an absolute path is a missing file,
// and an object without a folder (read from memory) looks nothing up.
std::filesystem::path FileBeside(const Object3do& object, std::string_view name,
                                 std::string_view extension) {
  const std::filesystem::path folder = object.path().parent_path();
  if (folder.empty() || !IsSafeMemberName(name) || name.find(':') != std::string_view::npos) {
    return {};
  }
  return folder / (std::string(name) + std::string(extension));
}

// A file beside the object: from the run's source files when the object has them, else from
// the disk.
std::optional<std::vector<std::uint8_t>> ReadBeside(const Object3do& object,
                                                    const std::filesystem::path& path) {
  const FileSource* files = object.source_files();
  if (files == nullptr) return ReadFileBytes(path);
  std::optional<std::span<const std::uint8_t>> bytes = files->Find(path);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

bool ExistsBeside(const Object3do& object, const std::filesystem::path& path) {
  const FileSource* files = object.source_files();
  return files != nullptr ? files->Find(path).has_value() : FileExists(path);
}

Result<TextureImage> LoadTextureBeside(const Object3do& object, const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadBeside(object, path);
  if (!bytes) return Status::NotFound(path.string());
  return ParseTexture(std::move(*bytes), path);
}

// A sprite beside the object, of the N-series layout or of a CART kind its name gives.
Status LoadSpriteBeside(const Object3do& object, const std::filesystem::path& path, bool nseries,
                        SpriteImage& image) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadBeside(object, path);
  if (!bytes) return Status::NotFound(path.string());
  return nseries ? image.ParseNSeries(std::move(*bytes)) : image.ParseCart(std::move(*bytes), path);
}

// The object's textures are converted into the GPL track folder as the texture passes convert
// them: handed to the run's sink when there is one.
void ConvertTextureBeside(Object3do& object, const TextureImage& image, TexturePalette& palette,
                          const std::filesystem::path& output) {
  // Not told about, as objects never have: the object still names the texture.
  if (FileSink* sink = object.output_sink()) {
    sink->Put(output, BuildConvertedTexture(image, palette, GplTrackFileRulePath(output),
                                            object.sixteen_bit_textures()));
    return;
  }
  ConvertTexture(image, palette, output, object.sixteen_bit_textures()).IgnoreError();
}

void LoadSprites(Object3do& object, TexturePalette& palette) {
  for (NameRecord& sprite : object.names(NameKind::kSprite)) {
    SpriteImage image(palette);
    if (object.source_format() == SourceFormat::k3do3) {
      const std::filesystem::path path = FileBeside(object, sprite.name, ".srb");
      if (!path.empty() && LoadSpriteBeside(object, path, true, image).ok()) {
        sprite.size = image.NSeriesSize().first;
      }
      continue;
    }
    // An untagged object's sprite takes its width and height from the first of its ".pmp",
    // ".pm4" and ".p16" files that loads beside the object, in the folder the source track was
    // unpacked into, where the sprite pass finds them too; 128 x 128 when none does.
    sprite.width = sprite.height = 128;
    for (std::string_view extension : {".pmp", ".pm4", ".p16"}) {
      const std::filesystem::path path = FileBeside(object, sprite.name, extension);
      if (path.empty() || !LoadSpriteBeside(object, path, false, image).ok()) continue;
      std::tie(sprite.width, sprite.height) = image.CartExtent();
      break;
    }
  }
}

void LoadTexturesAndSprites(Object3do& object, const std::filesystem::path& output) {
  // Made only for an object without the run's palette: a palette's histogram is large.
  std::optional<TexturePalette> fallback;
  TexturePalette& palette = object.palette() != nullptr ? *object.palette() : fallback.emplace();
  std::vector<NameRecord>& textures = object.textures();
  textures.clear();
  for (const NameRecord& name : object.names(NameKind::kTexture)) {
    NameRecord record;
    record.name = name.name;
    record.value = name.value;
    record.path = FileBeside(object, name.name, ".mip");
    if (!record.path.empty() && !ExistsBeside(object, record.path)) {
      record.path = FileBeside(object, name.name, ".m16");
      if (!ExistsBeside(object, record.path)) record.path = FileBeside(object, name.name, ".mi4");
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
    if (texture.path.empty()) continue;
    Result<TextureImage> image = LoadTextureBeside(object, texture.path);
    if (!image) continue;
    std::tie(texture.width, texture.height) = TextureExtent(*image);
    if (!output.empty()) {
      ConvertTextureBeside(object, *image, palette, output.parent_path() / (texture.name + ".mip"));
    }
  }
}

// Converts the vertices to metres in place (a horizon is scaled out to 10 km) and appends the
// vertex and plane tables.
void AppendPointTables(Object3do& object, bool horizon, GplObjectWriter& writer) {
  std::vector<ObjectPoint>& vertices = object.vertices();
  // In metres the coordinates are 32-bit floats, as the file holds them; a horizon is scaled
  // from those. They are kept in float storage between the two steps: an optimising compiler
  // may otherwise carry the unrounded double from one loop into the next.
  std::vector<std::array<float, 3>> metres;
  metres.reserve(vertices.size());
  float largest = 0.0f;
  for (const ObjectPoint& v : vertices) {
    metres.push_back({static_cast<float>(v.x / kUnitsPerMetre),
                      static_cast<float>(v.y / kUnitsPerMetre),
                      static_cast<float>(v.z / kUnitsPerMetre)});
    largest = std::max(largest, metres.back()[0]);
  }
  // With no vertex to the right a horizon is left unscaled; a factor of exactly 1 still
  // lowers it by 200 m.
  const bool scaled = horizon && largest > 0.0f;
  const double scale = scaled ? 10000.0 / largest : 1.0;
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const std::array<float, 3>& m = metres[i];
    ObjectPoint& v = vertices[i];
    v.x = scaled ? static_cast<float>(m[0] * scale) : m[0];
    v.y = scaled ? static_cast<float>(m[1] * scale) : m[1];
    v.z = scaled ? static_cast<float>(m[2] * scale - 200.0) : m[2];
  }
  std::vector<GplVertex> table;
  table.reserve(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    ObjectPoint& v = vertices[i];
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

// Ends the node stream at the written object's root, which is its last node. That is the
// root record's node when the file names that record or the record is a head (whose node is
// its main record's); when that node was written before others (a named record that is not
// the last, placements after a head's main record), a group of one that holds it ends the
// stream. Otherwise the last node written is the root, as it always is for the layouts'
// last record.
std::int32_t EndAtRoot(const Object3do& object, GplNodeStream& stream) {
  const ObjectNode* root = object.root();
  const int head = object.roles().head;
  const bool stands = root != nullptr && root->output_offset != kNoNode &&
                      (object.root_named() || (head != 0 && root->code == head));
  if (!stands || root->output_offset == stream.last_node_offset()) {
    return stream.last_node_offset();
  }
  const std::int32_t group = stream.MarkUnowned();
  stream.out().U32(kOpGroup);
  stream.out().U32(1);
  stream.out().I32(root->output_offset);
  return group;
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
                       std::int32_t c, double distance) {
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
  // The word rule sees the object's own file name, never the folders it was unpacked into.
  const bool horizon =
      AsciiLower(object.path().filename().string()).find("horiz.3do") != std::string::npos;
  BuildPlanes(object);
  std::optional<TrackObjectWriter> track_writer;
  if (object.is_track_object()) {
    track_writer.emplace(object, output);
    track_writer->BuildSections();
  }

  // Sized from the bytes the file has, not from the size it claims.
  GplObjectWriter writer(std::min(3 * object.file_size(), kMaxReserve));
  AppendPointTables(object, horizon, writer);
  AppendNames(object, output, writer);
  GplNodeStream stream(writer, object);
  if (track_writer) {
    track_writer->WriteNodes(stream);
    return writer.EndNodes(stream.last_node_offset());
  }
  for (const auto& node : object.nodes()) WriteSourceNode(*node, stream);
  return writer.EndNodes(EndAtRoot(object, stream));
}

Status WriteGplObject(Object3do& object, const std::filesystem::path& output) {
  if (!WriteFileBytes(output, BuildGplObject(object, output))) {
    return Status::IOError("cannot write " + output.string());
  }
  return Status::Ok();
}

}  // namespace velmora
