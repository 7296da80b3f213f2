#ifndef VELMORA_OBJECT_OBJECT3DO_H_
#define VELMORA_OBJECT_OBJECT3DO_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "image/texture_palette.h"
#include "object/gpl_object_format.h"
#include "platform/byte_writer.h"
#include "track/track_geometry.h"

namespace velmora {

// A vertex or a plane. Vertices hold source units until WriteGpl turns them into metres.
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

// One source record (or, in a GPL object, one node) after linking. Children and the list head
// point at nodes the object owns; `points` are indices into the object's vertex list.
struct ObjectNode {
  int code = 0;                     // record code; GPL opcode for format 4; 0: no record
  std::uint32_t source_offset = 0;   // record offset in the node data
  std::int32_t output_offset = kNoNode;
  std::int32_t value = -1;
  bool textured = false;
  std::int32_t plane_index = -1;
  std::int32_t texture_index = -1;
  std::int32_t name_index = -1;
  std::vector<std::int32_t> points;
  std::vector<ObjectNode*> children;
  int parent_count = 0;
  ObjectNode* list_head = nullptr;   // a track section's number list
  std::uint32_t group_bits = 0;
  // Set by the value walk; on a list head `section_index` is the section it opens.
  std::int32_t section_index = -1;
  std::int32_t position = -1;
  std::int32_t track_value = -1;
  bool section_flag = false;
  std::size_t written_at = 0;        // where its bytes start in the output buffer
};

// A 3D object read from a source .3do file (format 1: untagged, 2: 3DO3) and written as a GPL
// 3DO4 file. The object owns the file's bytes, its nodes and points; the palette and the track
// are lent by the pipeline for the object's life. Life: Load, BuildTree, WriteGpl once (it
// converts the vertices to metres in place), destroy.
class Object3do {
 public:
  Object3do();
  virtual ~Object3do();
  Object3do(const Object3do&) = delete;
  Object3do& operator=(const Object3do&) = delete;

  // Parses the header and tables (not the records); the format number, 0 when unreadable.
  virtual int Load(std::vector<std::uint8_t> buffer, const std::filesystem::path& path);
  // Links the records into nodes; false when there is nothing loaded.
  virtual bool BuildTree();
  // Builds the file and writes it with one write; false when it cannot be written. Textures
  // named by the object are converted into the output's folder on the way.
  virtual bool WriteGpl(const std::filesystem::path& output);
  // The file's bytes, for WriteGpl and for tests.
  virtual std::vector<std::uint8_t> BuildGpl(const std::filesystem::path& output);

  void SetPalette(TexturePalette* palette) { palette_ = palette; }
  // The track also gives the section values while linking, so attach it before BuildTree.
  void SetTrack(const TrackGeometry* track);
  void SetKeepSkidMarks(bool keep) { keep_skid_marks_ = keep; }
  // The run's sixteen-bit request, handed to the textures the object converts.
  void SetSixteenBitTextures(bool on) { sixteen_bit_textures_ = on; }

  // The name lists. AddName finds `name` (ignoring case) or appends it; `out_offset` gets the
  // sum of (length + 1) of the names before it. Kind outside 1 to 3: 0 and no change.
  int AddName(std::string_view name, int kind, std::uint32_t* out_offset = nullptr);
  std::vector<NameRecord>& names(NameKind kind);
  const std::vector<NameRecord>& textures() const { return textures_; }

  // The writing machinery the node writers share (valid while WriteGpl runs).
  void AppendBytes(std::span<const std::uint8_t> bytes);
  ByteWriter& out();
  // Called just before a node's bytes are appended: the node's offset is where they start.
  void MarkNode(ObjectNode& node);
  // The output offset of the node of the record at `source_offset`; -1 when there is none or
  // it has not been written.
  std::int32_t WrittenOffset(std::uint32_t source_offset) const;
  std::int32_t last_node_offset() const { return last_node_offset_; }
  // Writes one node by the converter of the object's format.
  void WriteNode(ObjectNode& node, bool reverse);
  // The colour word of a palette index.
  std::uint32_t PaletteColour(std::uint8_t index) const;

  int format() const { return format_; }
  const std::string& source_path() const { return source_path_; }  // lowercased
  std::vector<ObjectPoint>& vertices() { return vertices_; }
  std::vector<ObjectPoint>& planes() { return planes_; }
  const std::vector<std::unique_ptr<ObjectNode>>& nodes() const { return nodes_; }
  ObjectNode* NodeAt(std::uint32_t source_offset) const;
  std::uint32_t code_count(int code) const { return code_counts_[code & 0xFF]; }
  bool is_track_object() const { return track_object_; }
  bool keep_skid_marks() const { return keep_skid_marks_; }
  const TrackGeometry* track() const { return track_; }
  std::uint32_t track_length() const { return track_length_; }
  // Start positions of the sections, then the track length.
  const std::vector<std::uint32_t>& section_starts() const { return section_starts_; }
  int section_count() const { return section_count_; }
  // The section records in order (nodes carrying a list head with that section index).
  const std::vector<ObjectNode*>& section_nodes() const { return section_nodes_; }

 protected:
  // A u32 of the record at `record` in the node data: byte offset `at` from its code byte
  // (format 2 field +n, format 1 word n at 4n); 0 outside the data.
  std::uint32_t Field(std::uint32_t record, std::size_t at) const;
  std::span<const std::uint8_t> node_data() const { return node_data_; }
  std::span<const std::uint8_t> buffer() const { return buffer_; }
  ObjectNode& NewNode(int code, std::uint32_t source_offset, bool in_list = true);
  // Links `child` below `parent` when a node exists for it.
  void LinkChild(ObjectNode& parent, std::uint32_t child_offset);
  void CountCode(int code) { ++code_counts_[code & 0xFF]; }

  int format_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::filesystem::path path_;
  std::string source_path_;
  std::vector<ObjectPoint> vertices_;
  std::vector<ObjectPoint> planes_;
  std::vector<std::unique_ptr<ObjectNode>> nodes_;
  std::unordered_map<std::uint32_t, ObjectNode*> node_by_offset_;
  std::vector<NameRecord> object_names_, texture_names_, sprite_names_;
  std::vector<NameRecord> textures_;
  std::array<std::uint32_t, 256> code_counts_{};
  std::unique_ptr<ObjectNode> empty_node_;  // shared by references to "no record"
  // Nodes registered for an offset but not in the node list (untagged group children that
  // are not records).
  std::vector<std::unique_ptr<ObjectNode>> detached_;
  std::span<const std::uint8_t> node_data_;
  std::span<const std::uint8_t> strings_;  // format 2 STRN payload

 private:
  int LoadUntagged();
  int Load3do3();
  bool BuildTreeUntagged();
  bool BuildTree3do3();
  bool Parse3do3Record(std::uint32_t at, int code);
  bool ParseUntaggedRecord(std::uint32_t at, int code);
  std::int32_t UntaggedVertex(std::uint32_t offset, bool with_uv);
  std::int32_t SourceVertex(std::uint32_t index) const;
  void Write3do3Node(ObjectNode& node, bool reverse);
  void WriteUntaggedNode(ObjectNode& node, bool reverse);
  void Write3do3Polygon(ObjectNode& node, bool reverse);
  void WritePolygon(ObjectNode& node, bool textured, std::uint32_t colour, bool reverse);
  void Write3do3Attribute(ObjectNode& node);
  void WritePlacement(std::uint32_t opword, std::span<const std::int32_t, 6> words,
                      std::int32_t child);
  void WriteSplit(ObjectNode& node, std::uint32_t opword,
                  std::span<const std::int32_t> children);
  void WriteGroup(ObjectNode& node);
  // A group of one: the node's last child, when the node has children.
  void WriteLastChildGroup(ObjectNode& node);
  std::uint32_t UntaggedColour(std::uint32_t word) const;
  // Starts a node that belongs to no record (an attribute after a polygon, the object
  // reference of an untagged placement); returns its offset.
  std::int32_t MarkExtraNode();
  bool LinkMarked(ObjectNode& parent, std::uint32_t child_offset, bool group);
  void WriteExtraAttribute(std::int32_t child, std::uint32_t name_offset, std::uint32_t value,
                           ObjectNode& owner);

  // Linking steps shared by both source formats.
  void AssignGroupBits(int pass_code);
  void CollectSections();
  void ValueWalk(ObjectNode& start, std::int32_t value, std::int32_t texture,
                 std::int32_t section, std::int32_t position, std::int32_t track_value,
                 bool flag);
  std::int32_t TrackValueAt(std::uint32_t position) const;
  // Writing steps.
  void BuildPlanes();
  void AppendRecordPlane(ObjectNode& node, std::int32_t a, std::int32_t b, std::int32_t c,
                         std::int32_t hi, std::uint32_t lo);
  void AppendPolygonPlane(ObjectNode& node);
  void LoadTexturesAndSprites(const std::filesystem::path& output);

  TexturePalette* palette_ = nullptr;
  const TrackGeometry* track_ = nullptr;
  std::uint32_t track_length_ = 0;
  bool keep_skid_marks_ = false;
  bool sixteen_bit_textures_ = false;
  bool track_object_ = false;
  std::vector<std::uint32_t> section_starts_;
  std::vector<ObjectNode*> section_nodes_;
  int section_count_ = 0;
  std::array<std::uint32_t, 5> header_words_{};  // format 1
  std::unordered_map<std::uint32_t, std::int32_t> vertex_by_offset_;  // format 1
  std::size_t source_vertex_count_ = 0;                                // format 2: PERP entries
  std::size_t walk_budget_ = 0;

  ByteWriter* out_ = nullptr;
  std::size_t nodes_start_ = 0;
  std::int32_t last_node_offset_ = kNoNode;
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_OBJECT3DO_H_
