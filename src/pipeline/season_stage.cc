// The run's season stage: the track enters "67season.ini" and "gp.ini".

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "track/season_file.h"

namespace velmora {

namespace fs = std::filesystem;

void ConversionRun::AddSeasons() {
  if (!t2_ || !t2_->loaded()) return;
  for (std::string_view season : {"67season.ini", "gp.ini"}) {
    converter_.AddSeasonEvent(request_.gpl_dir, gpl_track_, t2_->track_length(), season);
  }
}

// Silent when the file is missing or cannot be replaced: the track is then simply not offered
// in that season, and the file stays as it was.
void TrackConverter::AddSeasonEvent(const fs::path& gpl_dir, std::string_view gpl_track,
                                    std::int64_t track_length, std::string_view season_file) {
  const TrackTitleSet titles = TrackTitles(AsciiLower(gpl_track), /*strip=*/true);
  const fs::path season = gpl_dir / "seasons" / season_file;
  ::velmora::AddSeasonEvent(season, gpl_track, {titles.event_title, titles.short_event_title},
                            track_length)
      .IgnoreError();
}

}  // namespace velmora
