// Feeds arbitrary bytes to the racing-line reader (a source line converted against a small
// track) and to the GPL line loader with its braking and groove queries.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/track_builders.h"
#include "track/racing_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const velmora::TrackGeometry* track = [] {
    auto* loaded = new velmora::TrackGeometry();
    loaded->LoadBytes(velmora::samples::BuildTemplateTrackFile(), "fuzz/kestrel.trk").IgnoreError();
    return loaded;
  }();
  std::optional<velmora::TempFolder> folder = velmora::TempFolder::Create("fuzz");
  if (!folder) return 0;
  const std::span<const std::uint8_t> bytes(data, size);
  velmora::WriteFileBytesExact(folder->path() / "Race.lp", bytes);
  velmora::RacingLines lines;
  // The lines are read back below whether or not they were written.
  lines.ConvertAll(folder->path(), folder->path(), *track).IgnoreError();
  // The converted file, then the raw bytes, as GPL lines.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) velmora::WriteFileBytesExact(folder->path() / "race.lp", bytes);
    velmora::RacingLines gpl;
    gpl.LoadLines(folder->path()).IgnoreError();  // no track is asked for
    for (std::int32_t dlong : {0, 59055, 1000000, INT_MAX, INT_MIN}) {
      gpl.BrakingAt(dlong);
      gpl.GrooveDlatAt(dlong);
    }
  }
  return 0;
}
