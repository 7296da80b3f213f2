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
std::vector<std::uint8_t> BuildTrackObject(const TrackObjectSpec& spec, const TrackGeometry& track,
                                           int format);

// The sample track's track object (untagged, as CART tracks hold it) over the sample circuit:
// eight sections, four road parts and two halves, each of two dividers with edges.
std::vector<std::uint8_t> DemoTrackObject();

// A straight track of `metres` along +x from the origin, in the source games' layout, whose road
// (surface code 50) runs from dlat 0 to 60 m with run-off (code 35) on both sides.
TrackSpec StraightTrackSpec(double metres);
TrackGeometry StraightTrack(double metres);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_TRACK_OBJECT_BUILDER_H_
