#ifndef VELMORA_PIPELINE_FINISHING_STAGES_H_
#define VELMORA_PIPELINE_FINISHING_STAGES_H_

// The run's finishing stages: patches, page images, track.ini and the season files.
//
// MakePageImages, ApplyPatches, WriteTrackIni and AddSeasonEvent are not built yet: the
// placeholders in finishing_stages.cc stand in for them. Each is built in a source file of its
// own beside this header (page, patch, track.ini and season stages), adding at most one member
// to RunContext for the state it keeps across the run.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "pipeline/run_context.h"

namespace velmora {

// Writes the track's menu page images, with its name printed on them, into the GPL track
// folder and lists them for packing.
void MakePageImages(RunContext& run);

// Applies the single-file patches for the GPL track to its folder; the number applied.
int ApplyPatches(RunContext& run);
// The patch pass whose result is reported: no patch found is told to the user.
void ApplyPatchesReported(RunContext& run);

// Fills the working copy of the track.ini template from the source track's description and the
// geometry, and copies it to the destination.
void WriteTrackIni(RunContext& run, const std::filesystem::path& description,
                   const std::filesystem::path& working_ini,
                   const std::filesystem::path& destination);
// Writes track.ini from the template unless the GPL track folder has one already.
void WriteTrackIniIfMissing(RunContext& run);

// Enters the track as an event into one season file of GPL's "seasons" folder.
void AddSeasonEvent(const std::filesystem::path& gpl_dir, std::string_view gpl_track,
                    std::int64_t track_length, std::string_view season_file);
// Enters the track into "67season.ini" and "gp.ini" with the length of the loaded track.
void AddSeasons(RunContext& run);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_FINISHING_STAGES_H_
