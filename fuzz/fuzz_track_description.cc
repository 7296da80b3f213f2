// Feeds arbitrary bytes to the track description reader as description text and as the
// track.ini text it fills.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "track/track_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const velmora::TrackDescription description = velmora::ParseTrackDescription(text);
  const std::int32_t walls[4] = {-300000, -100000, 100000, 300000};
  const std::size_t wall_count = size % 5;
  velmora::FillTrackIni(text, description,
                        {static_cast<double>(size) * 7.5, std::span(walls, wall_count)});
  return 0;
}
