#ifndef VELMORA_SAMPLES_TRACK_OBJECT_BUILDER_H_
#define VELMORA_SAMPLES_TRACK_OBJECT_BUILDER_H_

#include <array>
#include <cstdint>
#include <vector>

#include "samples/track_builders.h"
#include "track/track_geometry.h"

namespace velmora::samples {

// A consistent synthetic track object over a track geometry: sections starting at `starts`, each
// with the same lanes. Lane k has `dividers[k]` lane dividers (three-way splits with planes along
// the road, 10 m apart, left to right from `left_dlat`), and `contents` flat polygons in every
// strip between two dividers, lying in the lane's stretch. 3DO3 objects carry count-4 number
// lists and one anchor per lane; untagged objects carry code 17 lists and hold each lane's
// contents as a child of the section's group.
struct TrackObjectSpec {
  std::vector<std::uint32_t> starts = {0};  // the first must be 0
  std::array<int, 7> dividers = {2, 0, 0, 0, 0, 0, 2};
  int contents = 1;
  bool edges = false;       // a pair of polygons beyond the outer dividers of each lane
  bool skid_marks = false;  // a trailing group after the contents of each lane
  double left_dlat_metres = 40.0;
};

// `format` 2: a 3DO3 object; 1: an untagged one.
std::vector<std::uint8_t> BuildTrackObject(const TrackObjectSpec& plan, const TrackGeometry& track,
                                           int format);

// The sample track's track object (untagged, as CART tracks hold it) over the sample circuit:
// eight sections, four road parts and two halves, each of two dividers with edges.
std::vector<std::uint8_t> DemoTrackObject();

// A straight track of `metres` along +x from the origin, in the source games' layout, whose road
// (surface code 50) runs from dlat 0 to 60 m with run-off (code 35) on both sides.
TrackSpec StraightTrackSpec(double metres);
TrackGeometry StraightTrack(double metres);

// A track that turns left all the way and climbs: four arcs of 100 m, each turning 0.4 rad, so
// that the heading at dlong d is d / 250 m in radians; it climbs about 3 m over the first 100 m
// and falls again. Its lines and walls are the straight track's; across its road the surface
// codes are 35 (from dlat -5.08 m), 36 (from 0), 50 (from 30 m) and 35 (from 60 m).
TrackSpec CurvingTrackSpec();
TrackGeometry CurvingTrack();
inline constexpr double kCurvingTrackRadiusMetres = 250.0;

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_TRACK_OBJECT_BUILDER_H_
