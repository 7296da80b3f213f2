// Feeds arbitrary bytes to the track geometry loader, then asks every query and both writers.
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "track/track_geometry.h"
#include "track/track_geometry_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::TrackGeometry track;
  if (!track.LoadBytes(std::vector<std::uint8_t>(data, data + size), "fuzz/laguna.trk").ok()) {
    return 0;
  }
  std::array<std::int32_t, 4> walls{};
  for (std::int32_t dlong : {0, 1, 100000, INT_MAX, INT_MIN, -1}) {
    track.PositionAt(dlong, 0);
    track.PositionAt(dlong, INT_MIN);
    track.PositionAt(dlong, INT_MAX);
    track.DirectionAt(dlong);
    track.WallsAt(dlong, 0, walls);
    track.WallsAt(dlong, 1, walls);
    track.HeadingAt(dlong);
  }
  velmora::SectionRecord record;
  std::vector<velmora::SurfaceEntry> surfaces;
  for (int s = 0; s < track.section_count() && s < 64; ++s) {
    track.SectionSurfaces(s, record, surfaces, true);
  }
  velmora::TrackGeometry newest;
  std::vector<std::uint8_t> bytes = velmora::NewestLayoutBytes(track);
  // The rewritten layouts are parsed for the reader's sake; whether they load is not asked.
  if (!bytes.empty()) newest.LoadBytes(bytes, "fuzz/newest.trk").IgnoreError();
  velmora::TrackGeometry gpl;
  gpl.LoadBytes(velmora::GplLayoutBytes(track), "fuzz/gpl.trk").IgnoreError();
  return 0;
}
