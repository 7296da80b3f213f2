#ifndef VELMORA_TRACKSIDE_TRACK_STRIPS_H_
#define VELMORA_TRACKSIDE_TRACK_STRIPS_H_

#include <cstdint>
#include <filesystem>
#include <functional>

#include "object/object_model.h"
#include "object/track_layout.h"

namespace velmora {

// The flat strips laid on the road of the track object while its sections are built: the
// darkened groove along the racing line and the start line band. Their vertices (track units,
// 500 above the road) and planes join the object's lists; each piece is a new node listed in a
// lane's own node list, made from a record of the object's layout that its node writer turns
// into a polygon.

// Where the groove runs and how hard the cars brake there.
struct GrooveLine {
  std::function<double(std::int32_t)> dlat_metres;
  std::function<double(std::int32_t)> braking;  // 0 to 1
};

// Loads the racing lines of `folder` and lays the groove of every taking-part lane of every
// section. `format_mode` is 2 for a 3DO3 track object, 1 for an untagged one. Missing lines lay
// the groove along the reference line.
void LayGrooves(Object3do& object, TrackLayout& layout, const std::filesystem::path& folder,
                int format_mode);
// The same along lines already read.
void LayGrooves(Object3do& object, TrackLayout& layout, RacingLines& lines,
                int format_mode);
void LayGrooveStrips(Object3do& object, TrackLayout& layout, const GrooveLine& line,
                     int format_mode);
// The start line band over the surfaces of code 36 and above of the track's first section, in
// lanes 0, 4 and 6 of the first section, each time with its own vertices, nodes and planes.
void LayStartLine(Object3do& object, TrackLayout& layout);

inline constexpr double kGroovePieceMetres = 25.0;
inline constexpr double kGrooveHalfWidth = 40000;  // track units
inline constexpr double kGrooveScale = 0.7;
inline constexpr std::int32_t kStripLift = 500;    // track units above the road
inline constexpr std::int32_t kStartLineCode = 36;

}  // namespace velmora

#endif  // VELMORA_TRACKSIDE_TRACK_STRIPS_H_
