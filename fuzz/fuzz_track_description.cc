// Feeds arbitrary bytes to the track description reader as description text and as the
// track.ini text it fills, and checks that edits applied together give what they give one by
// one (the names read may end in a CR, which changes the line ends of later passes).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "track/track_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const velmora::TrackDescription description = velmora::ParseTrackDescription(text);
  const std::int32_t walls[4] = {-300000, -100000, 100000, 300000};
  const std::size_t wall_count = size % 5;
  velmora::FillTrackIni(text, description,
                        {static_cast<double>(size) * 7.5, std::span(walls, wall_count)});

  const velmora::IniEdit edits[] = {{"track", "track_name_short", description.short_name},
                                    {"pit_lane_0", "stall_0 ", description.full_name},
                                    {"starting_grid_0", "stall_0 ", "1.00 2.00"},
                                    {"track", "track_name", description.full_name}};
  std::string one_by_one(text);
  for (const velmora::IniEdit& edit : edits) {
    one_by_one = velmora::SetIniValueInText(one_by_one, edit.section, edit.key, edit.value);
  }
  if (velmora::SetIniValuesInText(text, edits) != one_by_one) __builtin_trap();
  return 0;
}
