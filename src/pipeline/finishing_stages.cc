#include "pipeline/finishing_stages.h"

#include "pipeline/conversion_workspace.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

namespace velmora {

namespace fs = std::filesystem;

// Placeholder: no page image is written yet.
void MakePageImages(RunContext& /*run*/) {}

// Placeholder: no patch is applied yet, which the reported pass tells the user.
int ApplyPatches(RunContext& /*run*/) { return 0; }

void ApplyPatchesReported(RunContext& run) {
  if (ApplyPatches(run) != 0) return;
  run.messages().Show("No Patch Files Found for " + run.gpl_track);
  run.messages().Show("Check your installation of the converter");
}

// Placeholder: no track.ini is written yet.
void WriteTrackIni(RunContext& /*run*/, const fs::path& /*description*/,
                   const fs::path& /*working_ini*/, const fs::path& /*destination*/) {}

void WriteTrackIniIfMissing(RunContext& run) {
  if (FileExists(run.GplTrackFile("track.ini"))) return;
  run.workspace.ExtractResource("N2N4TEMP_INI", "temp.ini", false);
  WriteTrackIni(run, run.src_track_folder / (run.request.source_track + ".txt"),
                run.GplTrackFile("temp.ini"), run.GplTrackFile("track.ini"));
  RemoveFile(run.GplTrackFile("temp.ini"));
}

// Placeholder: the season file is left as it is.
void AddSeasonEvent(const fs::path& /*gpl_dir*/, std::string_view /*gpl_track*/,
                    std::int64_t /*track_length*/, std::string_view /*season_file*/) {}

// Placeholder: waits for AddSeasonEvent.
void AddSeasons(RunContext& /*run*/) {}

}  // namespace velmora
