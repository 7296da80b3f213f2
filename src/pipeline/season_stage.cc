// The run's season stage: the track enters "67season.ini" and "gp.ini".

#include "pipeline/finishing_stages.h"
#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "track/season_file.h"

namespace velmora {

namespace fs = std::filesystem;

void AddSeasonEvent(const fs::path& gpl_dir, std::string_view gpl_track, std::int64_t track_length,
                    std::string_view season_file) {
  const TrackTitleSet titles = TrackTitles(AsciiLower(gpl_track), /*strip=*/true);
  AddSeasonEvent(gpl_dir / "seasons" / season_file, gpl_track,
                 {titles.event_title, titles.short_event_title}, track_length)
      .IgnoreError();
}

void AddSeasons(RunContext& run) {
  const TrackGeometry* track = run.track();
  if (track == nullptr || !track->loaded()) return;
  for (std::string_view season : {"67season.ini", "gp.ini"}) {
    AddSeasonEvent(run.request.gpl_dir, run.gpl_track, track->track_length(), season);
  }
}

}  // namespace velmora
