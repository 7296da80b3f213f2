#ifndef VELMORA_TRACKVIEW_TRACK_OBJECT_VIEW_H_
#define VELMORA_TRACKVIEW_TRACK_OBJECT_VIEW_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "object/gpl_object_check.h"

namespace velmora {

// A point on the ground, in metres (x east, y north).
struct GroundPoint {
  double x = 0;
  double y = 0;
};

// A plane standing on the ground, n . p + d = 0 with p in metres: a section's cut.
struct CutPlane {
  double nx = 0;
  double ny = 0;
  double d = 0;
};

// An object a track object places: the name of the object file and where it stands.
struct PlacedObject {
  std::string name;
  GroundPoint at;
};

// What a picture of the track needs from its track object, read from the 3DO4 file: the cut
// planes of its track section nodes, the objects it places, the pieces of the "groove" strip
// and its four-cornered flat polygons (the start line band is among them).
struct TrackObjectView {
  std::vector<CutPlane> cuts;  // each plane once, in the order first used
  std::vector<PlacedObject> placed;
  std::vector<std::vector<GroundPoint>> grooves;
  std::vector<std::array<GroundPoint, 4>> flat_quads;
};

// Whether a GPL object that passed the structural check ends like a track object: its root a
// group of two whose second child is the 240-word fixed track table.
bool HasTrackObjectRoot(std::span<const std::uint8_t> bytes, const GplObjectOutline& outline);

// The view of a GPL object that is a track object: one that passes the structural walk and
// whose root is a group of two whose second child is the 240-word fixed track table. Nothing
// for any other file.
std::optional<TrackObjectView> ReadTrackObject(std::span<const std::uint8_t> bytes);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_TRACK_OBJECT_VIEW_H_
