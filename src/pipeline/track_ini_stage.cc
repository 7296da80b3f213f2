// The run's track.ini stage.

#include "pipeline/conversion_workspace.h"
#include "pipeline/finishing_stages.h"
#include "platform/file_system.h"
#include "track/track_ini.h"

namespace velmora {

namespace fs = std::filesystem;

// Silent on failure: without a description the track simply gets no track.ini; without a
// loaded track there is nothing to fill it from.
void WriteTrackIni(RunContext& run, const fs::path& description, const fs::path& working_ini,
                   const fs::path& destination) {
  const TrackGeometry* track = run.track();
  if (track == nullptr || !track->loaded()) return;
  WriteTrackIni(*track, description, working_ini, destination).IgnoreError();
}

void WriteTrackIniIfMissing(RunContext& run) {
  if (FileExists(run.GplTrackFile("track.ini"))) return;
  run.workspace.ExtractResource("N2N4TEMP_INI", "temp.ini", false);
  WriteTrackIni(run, run.src_track_folder / (run.request.source_track + ".txt"),
                run.GplTrackFile("temp.ini"), run.GplTrackFile("track.ini"));
  RemoveFile(run.GplTrackFile("temp.ini"));
}

}  // namespace velmora
