#ifndef VELMORA_SAMPLES_TRACK_BUILDERS_H_
#define VELMORA_SAMPLES_TRACK_BUILDERS_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "samples/archive_builder.h"
#include "track/track_geometry.h"

namespace velmora::samples {

// One section of a synthetic track, laid along the reference line.
struct TrackSectionSpec {
  int kind = kStraight;
  std::int32_t length = 0;   // track units along the reference line
  double turn_radians = 0;    // arcs: positive turns left
  std::vector<SurfaceEntry> surfaces;  // older layouts
  std::vector<WallEntry> walls;        // older layouts
  std::vector<Strip> strips;           // newest layout; made from surfaces and walls if empty
};

// A track: reference lines (dlat, increasing; positive is left of the direction of travel) and
// sections driven from the origin heading along +x. Heights rise and fall gently along the lap.
struct TrackSpec {
  std::vector<std::int32_t> lines;
  std::vector<TrackSectionSpec> sections;
};

// The file bytes of a track in the layout of `version` (1 GPL's layout, below 2000 the source
// games' layout, 3000 the newest layout). Positions, centres and headings are computed from
// the section lengths and turns with the same angle constants the loader uses.
std::vector<std::uint8_t> BuildTrackFile(const TrackSpec& layout, std::uint32_t version);

// A closed sample circuit: a rounded rectangle with an S-bend on both long straights, six
// reference lines, run-off, road and kerb surfaces and a wall on both sides.
TrackSpec SampleCircuitSpec();
inline constexpr std::uint32_t kSourceLayoutVersion = 6;

// A newest-layout template track (the sample circuit) as the "_N4T" resources hold them.
std::vector<std::uint8_t> BuildTemplateTrackFile();

// A source racing-line file: `count` points of (speed, second, dlat).
struct SourceLinePoint {
  std::int32_t speed = 0;
  std::int32_t second = 0;
  std::int32_t dlat = 0;
};
std::vector<std::uint8_t> BuildSourceRacingLine(const std::vector<SourceLinePoint>& points);
// A plausible line over the sample circuit: slower and toward the inside in corners; `bias`
// moves it sideways (track units) for the overtaking and edge lines.
std::vector<SourceLinePoint> SampleRacingLinePoints(int count, std::int32_t bias);

// The sample track's own geometry file "<folder>.trk" (source layout) as an archive member,
// and its six racing lines as loose files of the source track folder.
void AddSampleTrackFiles(std::string_view folder, std::vector<MemberBytes>& members,
                         std::vector<MemberBytes>& loose);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_TRACK_BUILDERS_H_
