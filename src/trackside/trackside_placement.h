#ifndef VELMORA_TRACKSIDE_TRACKSIDE_PLACEMENT_H_
#define VELMORA_TRACKSIDE_TRACKSIDE_PLACEMENT_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "object/gpl_node_stream.h"
#include "object/object_model.h"
#include "object/track_layout.h"

namespace velmora {

// Places the flaggers, starter, tyres, cones and hay bales that the carried tables give for the
// track folder `folder` (upper case), in the order "_STARTER_LAT", "_FLAGS", "_FLAG_LAT",
// "_TIRES", "_CONES", "_HAY". Each object is an object reference and a placement written into
// `stream`; the placement is listed in the lanes its table's rule names. The tables come from
// the object's resources; a missing or empty table places nothing, lines that do not parse are
// skipped. The trackside names are already registered as object names.
void PlaceTrackside(Object3do& object, TrackLayout& layout, std::string_view folder,
                    GplNodeStream& stream);

// The lines of a table: split at line feeds, empty lines left out.
std::vector<std::string> TableLines(std::span<const std::uint8_t> bytes);

// Where the starter stands when its table gives no line: 400000 track units along, or 20000
// before the end of the first section when that ends sooner; 10 m to the left.
inline constexpr std::int32_t kStarterDlong = 400000;
inline constexpr std::int32_t kStarterBeforeEnd = 20000;
inline constexpr std::int32_t kStarterDlat = 196850;

}  // namespace velmora

#endif  // VELMORA_TRACKSIDE_TRACKSIDE_PLACEMENT_H_
