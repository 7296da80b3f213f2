#ifndef VELMORA_TRACK_TRACK_GEOMETRY_H_
#define VELMORA_TRACK_TRACK_GEOMETRY_H_

// Track geometry file (.trk): the racing surface as sections along the lap, lateral reference
// lines with their heights, surface strips and walls. Three layouts share the magic "KART":
//
//   header (28 bytes, every layout)
//     0  4 bytes  "KART"
//     4  u32      version: 1 GPL's layout; below 2000 the source games' layout; 3000 the newest
//                 layout (the "_N4T" templates)
//     8  u32      track_length   lap length in track units; dlong wraps here
//    12  i32      line_count     reference lines
//    16  i32      section_count
//    20  i32      surface_bytes  size of the surface block
//    24  i32      section_bytes  size of the section block
//   28  reference-line dlat values: 10 slots (version < 2000) or 16 slots, unused slots 0
//   68 / 92  section offsets: section_count x u32, relative to the section block
//   line records: section_count x line_count x 32 bytes, section by section
//     words z_a z_b zC zD (height cubic in t), dzA dzB, px|radius, py
//   surface block: 12-byte surface entries (start dlat, end dlat, code), version < 2000;
//                  32-byte strips (start dlat, end dlat, type, five words) otherwise
//   section block: 52-byte records (13 words), in version < 2000 each followed by its walls
//     (20 bytes: kind, start dlat, end dlat, two filler words)
//     record words: 0 kind (1 straight, 2 arc), 1 start, 2 length, 3 heading, 4 cx, 5 cy,
//     6 turn, 7-8 carried, 9 lineIndex, 10 surface_count, 11 surface_first, 12 wall_count.
//     Version 3000 has an extra word 4 (written 0) that the loader drops, so its words 5-12
//     arrive as 4-11 and word 12 keeps its value.
//
// Track units: 19685 to the metre. Headings are u32 binary angles (2^32 a full turn), turns
// are i32 binary angles (2^31 a full turn); both convert with 6.28318 standing for a full turn.

#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/units.h"

namespace velmora {

inline constexpr std::array<std::uint8_t, 4> kTrackMagic = {'K', 'A', 'R', 'T'};
inline constexpr std::uint32_t kGplLayoutVersion = 1;
inline constexpr std::uint32_t kNewestLayoutVersion = 3000;
// Versions from here on have 16 line slots and 32-byte strips.
inline constexpr std::uint32_t kStripLayoutVersion = 2000;
inline constexpr int kNewestLayout = 4;  // `layout` of a version-2000-and-above file

inline constexpr std::size_t kTrackHeaderSize = 28;
inline constexpr std::size_t kOldLineSlots = 10;
inline constexpr std::size_t kNewLineSlots = 16;
inline constexpr std::size_t kOldOffsetsAt = 68;  // 28 + 10 x 4
inline constexpr std::size_t kNewOffsetsAt = 92;  // 28 + 16 x 4
inline constexpr std::size_t kLineRecordWords = 8;
inline constexpr std::size_t kLineRecordSize = 32;
inline constexpr std::size_t kSectionWords = 13;
inline constexpr std::size_t kSectionRecordSize = 52;
inline constexpr std::size_t kWallWords = 5;
inline constexpr std::size_t kWallSize = 20;
inline constexpr std::size_t kSurfaceEntrySize = 12;
inline constexpr std::size_t kStripWords = 8;
inline constexpr std::size_t kStripSize = 32;
// Filler of the words GPL does not read, in files this program writes in GPL's layout.
inline constexpr std::int32_t kFiller = static_cast<std::int32_t>(0xCCCCCCCCu);

inline constexpr int kStraight = 1;
inline constexpr int kArc = 2;

// Angle factors: the full turn is 6.28318 (not a more precise 2 pi), a quarter turn 1.570795.
inline constexpr double kFullTurn = 6.28318;
inline constexpr double kQuarterTurn = 1.570795;
inline constexpr double kHeadingScale = 2.3283064370807974e-10;  // 1 / 4294967295.0
inline constexpr double kTurnScale = 4.656612875245797e-10;      // 1 / 2147483647.0

// Sums of file words wrap around in 32 bits, as the stored words do, so that hostile values
// cannot make the arithmetic undefined.
inline std::int32_t AddWrapping(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t MulWrapping(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

inline double HeadingRadians(std::uint32_t heading) {
  return heading * kFullTurn * kHeadingScale;
}
inline double TurnRadians(std::int32_t turn) { return turn * kFullTurn * kTurnScale; }

// Words of one section record, after the version-3000 word drop.
enum SectionWord : std::size_t {
  kKindWord = 0,
  kStartWord = 1,
  kLengthWord = 2,
  kHeadingWord = 3,
  kCxWord = 4,
  kCyWord = 5,
  kTurnWord = 6,
  kLineIndexWord = 9,
  kSurfaceCountWord = 10,
  kSurfaceFirstWord = 11,
  kWallCountWord = 12,
};

struct SectionRecord {
  std::array<std::int32_t, kSectionWords> words{};

  int kind() const { return words[kKindWord]; }
  std::uint32_t start() const { return static_cast<std::uint32_t>(words[kStartWord]); }
  std::int32_t length() const { return words[kLengthWord]; }
  std::uint32_t heading() const { return static_cast<std::uint32_t>(words[kHeadingWord]); }
  std::int32_t cx() const { return words[kCxWord]; }
  std::int32_t cy() const { return words[kCyWord]; }
  std::int32_t turn() const { return words[kTurnWord]; }
};

using LineRecord = std::array<std::int32_t, kLineRecordWords>;
inline constexpr std::size_t kPxWord = 6;  // straight: px; arc: radius
inline constexpr std::size_t kPyWord = 7;

using WallEntry = std::array<std::int32_t, kWallWords>;  // kind, start dlat, end dlat, filler
using Strip = std::array<std::int32_t, kStripWords>;     // start, end, type, five words

struct SurfaceEntry {
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t code = 0;
  bool operator==(const SurfaceEntry&) const = default;
};

struct Point3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

struct TrackDirection {
  double cos = 1;
  double sin = 0;
  double plane_offset = 0;  // metres, signed
};

// Settings the GPL-layout writer applies to GPL's own tracks, chosen from the file's path.
struct SectionSettings {
  int first_strip_wall = 0;
  int all_walls_from = INT_MAX;
  int all_walls_to = INT_MIN;
  int two_walls_from = INT_MIN;
  int two_walls_to = INT_MAX;
  int special_section_a = INT_MIN;
  int special_value_a = INT_MAX;
  int special_section_b = INT_MIN;
  int special_value_b = INT_MAX;
};
SectionSettings SectionSettingsForPath(std::string_view lowercased_path);

// One loaded track geometry file of any layout and the queries later stages ask of it. The
// object owns the file's bytes and the records parsed from them; it is filled once by Load and
// read only afterwards. A failed Load leaves it empty (loaded() false), and the queries of an
// empty track give zero answers.
class TrackGeometry {
 public:
  TrackGeometry() = default;

  // Reads and parses the file: NotFound when it cannot be read, Corruption when its header or
  // blocks do not fit. The message says why, in words that finish "the track file ... :".
  // `rule_path` is the file's logical path (platform/rule_path.h), the only path the per-track
  // rules look at.
  Status Load(const std::filesystem::path& path, std::string_view rule_path);
  // Parses bytes already in memory; `rule_path` as for Load.
  Status LoadBytes(std::vector<std::uint8_t> bytes, std::string_view rule_path);

  bool loaded() const { return loaded_; }
  const std::string& path() const { return path_; }  // the rule path, lowercased
  std::uint32_t version() const { return version_; }
  // The version when below 2000, else kNewestLayout: 1 is GPL's layout.
  int layout() const { return layout_; }
  const SectionSettings& settings() const { return settings_; }

  std::uint32_t track_length() const { return track_length_; }
  int line_count() const { return static_cast<int>(lines_.size()); }
  int section_count() const { return static_cast<int>(sections_.size()); }
  const std::vector<std::int32_t>& lines() const { return lines_; }
  // Every line slot of the header (10 or 16), the unused ones included.
  const std::vector<std::int32_t>& line_slots() const { return line_slots_; }
  const SectionRecord& section(int index) const { return sections_[index]; }
  const LineRecord& line_record(int section, int line) const {
    return line_records_[static_cast<std::size_t>(section) * lines_.size() + line];
  }
  // Surface entries (versions below 2000) or strips of one section.
  std::span<const SurfaceEntry> surfaces(int section) const;
  std::span<const Strip> strips(int section) const;
  // Walls of one section; none in the newest layout, which keeps walls as strips.
  std::span<const WallEntry> walls(int section) const;
  const std::vector<std::uint8_t>& image() const { return image_; }
  // Byte positions in image(): the first line record, the section block, a section record.
  std::size_t line_block_at() const { return line_block_at_; }
  std::size_t section_block_at() const { return section_block_at_; }
  std::uint32_t section_offset(int section) const { return section_offsets_[section]; }

  // The section whose stretch [start, start + length) holds `dlong`, or -1.
  int SectionContaining(std::uint32_t dlong) const;

  // World position (track units) of a point given in track coordinates. dlat INT_MIN and
  // INT_MAX stand for the section's first and last wall.
  Point3 PositionAt(std::int32_t dlong, std::int32_t dlat) const;
  // The same within one section, `along` track units from its start: its length gives the
  // section's end point, which the next section's start should meet.
  Point3 PointInSection(int section, double along, std::int32_t dlat) const;
  // Where PositionAt places `dlong` (wrapped into the lap): a section and the distance into it.
  // Points across the track at one distance share it, so it can be found once for them all.
  struct Place {
    int section = 0;
    double along = 0;
  };
  Place PlaceAt(std::int32_t dlong) const;
  // PositionAt and PointInSection with x and y alone, z left 0: for views from above, which
  // spare the heights' cost.
  Point3 PlanPositionAt(std::int32_t dlong, std::int32_t dlat) const;
  Point3 PlanPointInSection(int section, double along, std::int32_t dlat) const;
  // Unit direction of the track at `dlong` and the offset of the plane through the track
  // perpendicular to it.
  TrackDirection DirectionAt(std::int32_t dlong) const;
  // Wall dlat values at `dlong`, at most 4, into `out`; mode 0 interpolates along the
  // section, otherwise each wall's outermost end. Returns the number written.
  int WallsAt(std::int32_t dlong, int mode, std::span<std::int32_t, 4> out) const;
  // Whether the walls other than the first and last of the section starting at `start` are
  // left out of the newest layout (and of the track object).
  bool DropsInnerWalls(std::int64_t start) const;
  // Heading in radians at `dlong`.
  double HeadingAt(std::int32_t dlong) const;
  // The surface entries of one section of an older-layout track with its walls merged in
  // (negative codes) and, with `border`, code-100 strips of 3000 units between codes below 38
  // and codes of 38 and above. False for the newest layout or a section that is not there.
  bool SectionSurfaces(int section, SectionRecord& record, std::vector<SurfaceEntry>& out,
                       bool border) const;

 private:
  Status Fail(std::string why);
  Status Parse();
  // The section whose start is at or before `dlong`, searching from the last; 0 if none.
  int SectionAtOrBefore(std::uint32_t dlong) const;
  double SectionT(const SectionRecord& record, double along) const;
  // The parts of PointInSection, `t` being how far along section `s` the point lies (0 to 1):
  // the dlat INT_MIN and INT_MAX stand for, x and y, and the height.
  std::int32_t WallOrLine(int s, double t, std::int32_t dlat) const;
  Point3 PlanPoint(int s, double along, double t, std::int32_t dlat) const;
  double HeightAt(int s, double t, std::int32_t dlat) const;

  bool loaded_ = false;
  std::string path_;
  SectionSettings settings_;
  std::vector<std::uint8_t> image_;

  std::uint32_t version_ = 0;
  int layout_ = 0;
  std::uint32_t track_length_ = 0;
  std::size_t line_block_at_ = 0;
  std::size_t section_block_at_ = 0;
  std::vector<std::int32_t> lines_;
  std::vector<std::int32_t> line_slots_;
  std::vector<std::uint32_t> section_offsets_;
  std::vector<SectionRecord> sections_;
  // Whether the sections follow one another (see SectionsFollowInOrder): the lookups by
  // distance then bisect instead of scanning.
  bool sections_in_order_ = false;
  // The reference line x and y are interpolated from, with the next one (see CentreLine).
  int centre_line_ = 0;
  std::vector<LineRecord> line_records_;
  std::vector<SurfaceEntry> surfaces_;  // versions below 2000
  std::vector<Strip> strips_;           // newest layout
  std::vector<WallEntry> walls_;        // versions below 2000, section by section
  std::vector<std::size_t> wall_first_;  // per section, index into walls_
};

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_GEOMETRY_H_
