// Feeds arbitrary bytes to the racing-line converter in memory (as each of the six lines,
// against a small track) and to the GPL line reader with its braking and groove queries. No
// file is read or written.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "samples/track_builders.h"
#include "track/racing_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The sample circuit at a quarter of its size: the same sections, turns and lines, so the
  // converter meets every kind of section, but a lap a quarter as long, which is what sets how
  // many points a converted line has.
  static const velmora::TrackGeometry* track = [] {
    velmora::samples::TrackSpec small = velmora::samples::SampleCircuitSpec();
    for (velmora::samples::TrackSectionSpec& section : small.sections) section.length /= 4;
    auto* loaded = new velmora::TrackGeometry();
    loaded
        ->LoadBytes(velmora::samples::BuildTrackFile(small, velmora::kNewestLayoutVersion),
                    "tracks/kestrel/kestrel.trk")
        .IgnoreError();
    return loaded;
  }();
  if (size < 1) return 0;
  static constexpr std::string_view kNames[] = {"Race.lp",  "pit.lp",     "pass1.lp",
                                                "pass2.lp", "maxrace.lp", "minrace.lp"};
  const std::string_view name = kNames[data[0] % 6];
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  velmora::RacingLines lines;
  lines.SetTrack(*track, "gpl/tracks/kestrel");
  const std::vector<std::uint8_t> converted =
      lines.ConvertLineBytes(name, bytes, 1.0, name == "pit.lp");
  // Each line is read once: the converted one as the race line with the raw bytes as its
  // edges, then the raw bytes as a race line of their own.
  velmora::RacingLines gpl;
  gpl.LoadLineBytes("race.lp", converted);
  gpl.LoadLineBytes("maxrace.lp", bytes);
  gpl.LoadLineBytes("minrace.lp", bytes);
  velmora::RacingLines raw;
  raw.LoadLineBytes("race.lp", bytes);
  for (velmora::RacingLines* queried : {&gpl, &raw}) {
    for (std::int32_t dlong : {0, 59055, 1000000, INT_MAX, INT_MIN}) {
      queried->BrakingAt(dlong);
      queried->GrooveDlatAt(dlong);
    }
  }
  return 0;
}
