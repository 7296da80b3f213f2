#ifndef VELMORA_OBJECT_OBJECT_MODEL_H_
#define VELMORA_OBJECT_OBJECT_MODEL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "image/texture_palette.h"
#include "object/gpl_object_format.h"
#include "platform/byte_reader.h"
#include "platform/file_source.h"
#include "platform/resource_store.h"
#include "platform/status.h"
#include "track/track_geometry.h"

namespace velmora {

class RacingLines;

// A vertex or a plane. Vertices hold source units until the writer turns them into metres.
struct ObjectPoint {
  std::int64_t source_offset = -1;  // of the vertex record (PERP entry, untagged vertex record)
  double x = 0, y = 0, z = 0;      // or nx, ny, nz
  double d = 0;                    // planes only
  std::int16_t u = 0, v = 0;       // texels
  std::int32_t index = -1;         // in its output table
};

// One entry of a name list. For textures: `height` is the image height minus 1 and `value`
// the attribute value the value walk settles on; for sprites `size` is the default size in
// source units.
// A name as the string table can hold it: up to its first 0 or 0xFF. The table ends each name
// with 0 and itself with 0xFF, so a name holding either byte would shift every name after it.
std::string_view StringTableName(std::string_view name);

struct NameRecord {
  std::uint32_t string_offset = 0;
  std::int32_t value = -1;
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t size = 0;
  std::filesystem::path path;
  std::string name;
};

enum class NameKind { kObject = 1, kTexture = 2, kSprite = 3 };

// The plane through three points in source units (its distance term in metres), turned so that
// its normal's z is not negative; nothing when the points are collinear.
std::optional<ObjectPoint> PlaneThrough(const ObjectPoint& p0, const ObjectPoint& p1,
                                        const ObjectPoint& p2);

// One source record after linking. Children and the list head point at nodes the object owns;
// `points` are indices into the object's vertex list.
struct ObjectNode {
  int code = 0;                     // record code; 0: no record
  std::uint32_t source_offset = 0;  // record offset in the node data
  std::int32_t output_offset = kNoNode;
  std::int32_t value = -1;
  bool textured = false;
  std::int32_t plane_index = -1;
  std::int32_t texture_index = -1;
  std::int32_t name_index = -1;
  std::vector<std::int32_t> points;
  std::vector<ObjectNode*> children;
  int parent_count = 0;
  ObjectNode* list_head = nullptr;  // a track section's number list
  std::uint32_t group_bits = 0;
  // Set by the value walk; on a list head `section_index` is the section it opens.
  std::int32_t section_index = -1;
  std::int32_t position = -1;
  std::int32_t track_value = -1;
  bool section_flag = false;
  std::size_t written_at = 0;  // where its bytes start in the output buffer
};

// The two source layouts: the untagged objects of CART/ICR2 and the 3DO3 objects of N2, N3
// and NL. The number is the format number the rest of the program knows them by.
enum class SourceFormat { kNone = 0, kUntagged = 1, k3do3 = 2 };

// The record codes that play the same part in both layouts, so that the steps shared by both
// (linking the sections, building the track object) ask the object instead of its layout.
struct SourceRoles {
  int group = 0;             // a group of children
  int three_way_split = 0;   // a lane divider of a track section
  int fan_out = 0;           // gives each child its own group bit
  int number_list = 0;       // a track section's position list (3DO3: count 4)
  int anchor = 0;            // a lane's anchor (3DO3 only; 0: none)
  int placement = 0;         // a placement of another object (untagged: placement and reference)
  int object_reference = 0;  // 0 where the layout writes references with their placements
  int head = 0;              // stands for its main record (untagged only; 0: none)
};
const SourceRoles& RolesOf(SourceFormat format);

// A 3D object read from a source .3do file and written as a GPL 3DO4 file. The object owns the
// file's bytes, its nodes and points; the palette and the track are lent by the pipeline for the
// object's life. Life: Load, BuildTree, write once (the writer converts the vertices to metres
// in place), destroy. Reading is done by the layout's reader (object/source_object_readers.h),
// writing by object/source_object_writer.h.
class Object3do {
 public:
  Object3do();
  ~Object3do();
  Object3do(const Object3do&) = delete;
  Object3do& operator=(const Object3do&) = delete;

  // Takes the file's bytes and parses the layout's header and tables (not the records): a
  // "3OD3" file is a 3DO3 object, any other an untagged one. Corruption when they cannot be read.
  Status Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path);
  // Links the records into nodes and finds the track sections. Records after the first bad one
  // are left out, as the games' own reading does; fails only when nothing is loaded.
  Status BuildTree();

  void SetPalette(TexturePalette* palette) { palette_ = palette; }
  // The track also gives the section values while linking, so attach it before BuildTree.
  void SetTrack(const TrackGeometry* track);
  void SetKeepSkidMarks(bool keep) { keep_skid_marks_ = keep; }
  // The run's sixteen-bit request, handed to the textures the object converts.
  void SetSixteenBitTextures(bool on) { sixteen_bit_textures_ = on; }
  // Where the track object finds its trackside tables; none: no trackside objects.
  void SetResources(const ResourceStore* resources) { resources_ = resources; }
  const ResourceStore* resources() const { return resources_; }
  // Where the files beside the object (its textures and sprites) are read from, and where the
  // textures it converts go; without them, the disk.
  void SetSourceFiles(const FileSource* files) { source_files_ = files; }
  const FileSource* source_files() const { return source_files_; }
  void SetOutputSink(FileSink* sink) { output_sink_ = sink; }
  FileSink* output_sink() const { return output_sink_; }
  // GPL's racing lines of the track folder, read once for all the run's track objects; without
  // them a track object reads the lines beside its output.
  void SetGplLines(RacingLines* lines) { gpl_lines_ = lines; }
  RacingLines* gpl_lines() const { return gpl_lines_; }

  // A record the program makes (strip pieces of the track object): its bytes as the layout's
  // records hold them, given a record offset past the node data that Field reads them at.
  std::uint32_t AddSyntheticRecord(std::span<const std::uint8_t> bytes);

  // The name lists. AddName finds `name` (ignoring case) or appends it; `out_offset` gets the
  // sum of (length + 1) of the names before it. Kind outside 1 to 3: 0 and no change.
  int AddName(std::string_view name, int kind, std::uint32_t* out_offset = nullptr);
  std::vector<NameRecord>& names(NameKind kind);
  const std::vector<NameRecord>& names(NameKind kind) const;
  // One record per texture name, filled by the writer.
  std::vector<NameRecord>& textures() { return textures_; }
  const std::vector<NameRecord>& textures() const { return textures_; }

  // The colour word of a palette index: the index itself in every byte without a palette.
  std::uint32_t PaletteColour(std::uint8_t index) const;
  // A u32 of the record at `record` in the node data: byte offset `at` from its code byte
  // (3DO3 field +n, untagged word n at 4n); 0 outside the data.
  std::uint32_t Field(std::uint32_t record, std::size_t at) const {
    // Linking reads every word through here: a word inside the node data is read inline.
    const std::size_t size = node_data_.size();
    if (record <= size && at <= size - record && size - record - at >= 4) {
      return ByteReader(node_data_.subspan(record + at)).U32();
    }
    return FieldOutsideData(record, at);
  }

  SourceFormat source_format() const { return format_; }
  int format() const { return static_cast<int>(format_); }
  const SourceRoles& roles() const { return RolesOf(format_); }
  const std::filesystem::path& path() const { return path_; }
  const std::string& source_path() const { return source_path_; }  // lowercased
  // The size the source gives for its node data.
  std::size_t source_size() const { return source_size_; }
  // The bytes the file has: what the output buffer is sized from.
  std::size_t file_size() const { return buffer_.size(); }
  std::vector<ObjectPoint>& vertices() { return vertices_; }
  const std::vector<ObjectPoint>& vertices() const { return vertices_; }
  std::vector<ObjectPoint>& planes() { return planes_; }
  const std::vector<ObjectPoint>& planes() const { return planes_; }
  const std::vector<std::unique_ptr<ObjectNode>>& nodes() const { return nodes_; }
  // The record the tree hangs from: the one an untagged file's header names, else the last
  // record parsed; null without records. Known after BuildTree.
  const ObjectNode* root() const { return root_; }
  // Whether the file named its root, so that the written object's root is that record's.
  bool root_named() const { return root_named_; }
  ObjectNode* NodeAt(std::uint32_t source_offset) const;
  std::uint32_t code_count(int code) const { return code_counts_[code & 0xFF]; }
  // 3DO3: the number of PERP vertices, which records refer to by index.
  std::size_t source_vertex_count() const { return source_vertex_count_; }
  TexturePalette* palette() const { return palette_; }
  bool sixteen_bit_textures() const { return sixteen_bit_textures_; }
  bool is_track_object() const { return track_object_; }
  bool keep_skid_marks() const { return keep_skid_marks_; }
  const TrackGeometry* track() const { return track_; }
  // The attached track, or one without sections whose queries give zero answers.
  const TrackGeometry& track_or_empty() const;
  std::uint32_t track_length() const { return track_length_; }
  // Start positions of the sections, then the track length.
  const std::vector<std::uint32_t>& section_starts() const { return section_starts_; }
  int section_count() const { return section_count_; }
  // The section records in order (nodes carrying a list head with that section index).
  const std::vector<ObjectNode*>& section_nodes() const { return section_nodes_; }

 private:
  friend class Reader3do3;
  friend class ReaderUntagged;

  // Field of a synthetic record, or 0 for a word that is not there.
  std::uint32_t FieldOutsideData(std::uint32_t record, std::size_t at) const;
  // Building steps for the readers.
  ObjectNode& NewNode(int code, std::uint32_t source_offset, bool in_list = true);
  // Links `child` below `parent` when a node exists for it.
  void LinkChild(ObjectNode& parent, std::uint32_t child_offset);
  void LinkEmpty(ObjectNode& parent);
  void CountCode(int code) { ++code_counts_[code & 0xFF]; }
  // The linking steps both layouts share, after their records are parsed.
  void FinishLinking();
  void AssignGroupBits(int fan_out_code);
  void CollectSections();
  void Collect3do3Sections(const std::function<void(ObjectNode&, std::uint32_t)>& open);
  void CollectUntaggedSections(const std::function<void(ObjectNode&, std::uint32_t)>& open);
  void ValueWalk(ObjectNode& start, std::int32_t section, std::int32_t position,
                 std::int32_t track_value);
  std::int32_t TrackValueAt(std::uint32_t position) const;

  SourceFormat format_ = SourceFormat::kNone;
  std::vector<std::uint8_t> buffer_;
  std::filesystem::path path_;
  std::string source_path_;
  std::size_t source_size_ = 0;
  std::vector<ObjectPoint> vertices_;
  std::vector<ObjectPoint> planes_;
  std::vector<std::unique_ptr<ObjectNode>> nodes_;
  std::unordered_map<std::uint32_t, ObjectNode*> node_by_offset_;
  std::vector<NameRecord> object_names_, texture_names_, sprite_names_;
  std::vector<NameRecord> textures_;
  std::array<std::uint32_t, 256> code_counts_{};
  std::unique_ptr<ObjectNode> empty_node_;  // shared by references to "no record"
  ObjectNode* root_ = nullptr;
  bool root_named_ = false;
  std::uint32_t named_root_offset_ = 0;  // untagged header word 1
  // Nodes registered for an offset but not in the node list (untagged group children that
  // are not records).
  std::vector<std::unique_ptr<ObjectNode>> detached_;
  std::span<const std::uint8_t> node_data_;
  std::span<const std::uint8_t> strings_;  // 3DO3 STRN payload
  std::size_t source_vertex_count_ = 0;
  std::vector<std::uint8_t> synthetic_;  // records made by the program, Field past the data

  TexturePalette* palette_ = nullptr;
  const ResourceStore* resources_ = nullptr;
  const FileSource* source_files_ = nullptr;
  FileSink* output_sink_ = nullptr;
  RacingLines* gpl_lines_ = nullptr;
  const TrackGeometry* track_ = nullptr;
  std::uint32_t track_length_ = 0;
  bool keep_skid_marks_ = false;
  bool sixteen_bit_textures_ = false;
  bool track_object_ = false;
  std::vector<std::uint32_t> section_starts_;
  std::vector<ObjectNode*> section_nodes_;
  int section_count_ = 0;
  std::size_t walk_budget_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_OBJECT_MODEL_H_
