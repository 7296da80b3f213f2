#ifndef VELMORA_TRACK_TRACK_GEOMETRY_WRITER_H_
#define VELMORA_TRACK_TRACK_GEOMETRY_WRITER_H_

// The two writers that move a loaded track between layouts (the layouts are described in
// track_geometry.h):
//
//   newest layout (version 3000), from a track of the older layouts:
//     92-byte header ("KART", 3000, track_length, line_count, section_count, strips x 32,
//     section_count x 52, the 10 line slots of the source, six zero words); section offsets
//     0, 52, 104, ...; the line records unchanged; the strips section by section; the 13-word
//     records (word 4 is 0, words 11 and 12 the strip count and the strips before).
//   GPL's layout (version 1), from any track:
//     68-byte header ("KART", 1, track_length, kept lines, section_count, surfaces x 12,
//     walls x 20 + section_count x 52, 10 line slots); section offsets; the kept line records;
//     12-byte surface entries section by section; each 52-byte record followed by its
//     20-byte walls.
//
// Surface codes and strip types: code 22 is strip 7, codes 30 to 45 strip 2, codes 46 and up
// strip 1, any other strip 5 (6 for "dubai"); walls are strips of type 2059 (words 3, 4 =
// 16, 25000); the outer border is strip 10. Back to GPL: strip 1 is code 54, strip 2 code 46,
// any other code 6.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/status.h"
#include "track/track_geometry.h"

namespace velmora {

inline constexpr std::int32_t kWallStripType = 2059;
inline constexpr std::int32_t kBorderStripType = 10;
inline constexpr std::int32_t kFirstWallKind = 6;
inline constexpr std::int32_t kWallKind = 4;

// Whether a strip of the newest layout is a wall.
bool IsWallStrip(const Strip& strip);

// The strips the newest layout holds for one section of an older-layout track.
std::vector<Strip> NewestLayoutStrips(const TrackGeometry& track, int section);

// GPL's surfaces and walls of one section, made from its newest-layout strips; the walls are
// not yet joined to the neighbouring sections'.
struct GplSection {
  std::vector<SurfaceEntry> surfaces;
  std::vector<WallEntry> walls;
};
GplSection GplSectionFromStrips(std::span<const Strip> strips, int section,
                                const SectionSettings& settings);

// The file bytes of each layout; empty for a track that is not loaded (and, for the newest
// layout, for a track already in it).
std::vector<std::uint8_t> NewestLayoutBytes(const TrackGeometry& track);
std::vector<std::uint8_t> GplLayoutBytes(const TrackGeometry& track);

// Write the file. WriteNewestLayout does nothing (and is ok) for a track already in the newest
// layout. InvalidArgument when the track is not loaded, IOError (message: the path) when the
// file cannot be created.
Status WriteNewestLayout(const TrackGeometry& track, const std::filesystem::path& path);
Status WriteGplLayout(const TrackGeometry& track, const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_GEOMETRY_WRITER_H_
