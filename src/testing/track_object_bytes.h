#ifndef VELMORA_TESTING_TRACK_OBJECT_BYTES_H_
#define VELMORA_TESTING_TRACK_OBJECT_BYTES_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testkit {

// The parts of a track object that a picture of the track reads, to be written as a 3DO4 file
// in a few lines: ground positions in metres, cut planes (n . p + d = 0, p in metres), quads
// as four vertex indices, and placed objects by name.
struct TrackObjectParts {
  struct Point {
    float x = 0;
    float y = 0;
  };
  struct Plane {
    float nx = 0;
    float ny = 0;
    float d = 0;
  };
  struct Placed {
    std::string name;
    Point at;
  };
  std::vector<Point> vertices;
  std::vector<Plane> cuts;  // each cut by one track section node (cut planes a and b)
  std::vector<std::array<std::uint32_t, 4>> flat_quads;
  std::vector<std::array<std::uint32_t, 4>> grooves;  // textured with "groove"
  std::vector<Placed> placed;
  std::uint32_t fixed_table_words = 240;  // a track object's root ends with 240 words
};

// The 3DO4 file: XYZS, PLAN (the two fixed planes, then the cuts), NRTS and MIRP with the
// placements and their object references, the groove polygons with their texture attributes,
// the flat polygons, one track section node per cut, the fixed table and a root group of two.
std::vector<std::uint8_t> BuildTrackObjectBytes(const TrackObjectParts& parts);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_TRACK_OBJECT_BYTES_H_
