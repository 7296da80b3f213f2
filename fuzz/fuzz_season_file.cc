// Feeds arbitrary bytes to the season editor as a season file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "track/season_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  velmora::AddEventToSeasonText(text, "kestrel", {"Kestrel Grand Prix", "KR GP"},
                                velmora::SeasonLaps(static_cast<std::int64_t>(size) * 1000003));
  return 0;
}
