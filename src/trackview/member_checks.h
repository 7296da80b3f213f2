#ifndef VELMORA_TRACKVIEW_MEMBER_CHECKS_H_
#define VELMORA_TRACKVIEW_MEMBER_CHECKS_H_

// The checks of one file of a GPL track folder by its kind, each through the program's own
// reader of that kind. Each returns what is wrong, in the words `velmora check` prints after
// the file's name; an empty list means the file is sound.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "track/track_geometry.h"

namespace velmora {

// Menu page images (.pbf): one BMAP chunk whose BMHD (type 3, 16-bit 5-6-5) and DATA chunk
// fill the file exactly, the pixels at byte 52.
inline constexpr std::size_t kPagePixelsAt = 52;
inline constexpr std::uint8_t kPageType = 3;

// The sizes of the pages every converted track carries; other pages are checked by layout only.
struct PageSize {
  std::string_view name;
  std::uint32_t width;
  std::uint32_t height;
};
inline constexpr PageSize kPageSizes[] = {
    {"page0.pbf", 281, 431},
    {"page1.pbf", 277, 431},
    {"event.pbf", 258, 340},
};

using Problems = std::vector<std::string>;

Problems CheckMipFile(std::vector<std::uint8_t> bytes);
Problems CheckSrbFile(std::vector<std::uint8_t> bytes);
Problems CheckPbfFile(std::span<const std::uint8_t> bytes, std::string_view name);
// A GPL object by the validating reader; a track object also by the shape of its sections.
Problems CheckObjectFile(std::span<const std::uint8_t> bytes);

// The track file: it loads, is in GPL's layout or the newest one, and agrees with itself (sections
// back to back from 0 to the lap length, records where the offsets say, blocks filling the file),
// and its sections join up: each one's reference line starts within 1 mm of where the one
// before ends, the first where the last ends (a problem gives both sections, the distance in
// millimetres, gap or overlap, and the change of heading).
// `geometry` receives the loaded track when it loads; `rule_path` is the file's logical path,
// what the per-track rules look at ("tracks/<track>/<track>.trk").
Problems CheckTrackFile(std::vector<std::uint8_t> bytes, std::string_view rule_path,
                        TrackGeometry& geometry);
// The same checks of a track file already loaded into `geometry`.
Problems CheckLoadedTrack(const TrackGeometry& geometry);
// The problems of a track file given how loading it went: the load's own failure, or those of
// the loaded geometry.
Problems CheckTrackLoad(const Status& loaded, const TrackGeometry& geometry);

// A racing line in GPL's layout; with `expected_points`, its count must be that.
Problems CheckLineFile(std::span<const std::uint8_t> bytes,
                       std::optional<std::int64_t> expected_points);

// track.ini: every key the converter fills in is there, in its section, with a value of its
// form (a text, a length in miles ending in "m", or one, two or four numbers).
Problems CheckTrackIni(std::string_view text);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_MEMBER_CHECKS_H_
