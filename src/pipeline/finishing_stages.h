#ifndef VELMORA_PIPELINE_FINISHING_STAGES_H_
#define VELMORA_PIPELINE_FINISHING_STAGES_H_

// The run's finishing stages: page images (page_stage.cc), patches (patch_stage.cc), track.ini
// (track_ini_stage.cc) and the season files (season_stage.cc).

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "pipeline/run_context.h"

namespace velmora {

class Settings;

// Writes the track's menu page images, with its name printed on them, into the GPL track
// folder and lists them for packing.
void MakePageImages(RunContext& run);

// Makes the run's patch set, with the patch folder of the settings.
void MakePatchSet(RunContext& run);
// Applies the patches found for the GPL track to its folder; the number of single files copied.
int ApplyPatches(RunContext& run);
// Where a conversion looks for patch files: the setting "Patches" of "Directories", else the
// folder of the program itself.
std::filesystem::path PatchFolder(const Settings& settings);
// Writes the pack with the members of the archive patches the patch passes found: a patch
// member takes the place of the packed file of its name, or comes after the packed files.
// False, as WritePack, when the pack could not be written; the archive patches are then merged
// into the track archive that is there.
bool WritePackWithArchivePatches(RunContext& run);
// The patch pass whose result is reported: no patch found is told to the user.
void ApplyPatchesReported(RunContext& run);

// Fills the working copy of the track.ini template from the source track's description and the
// geometry, and copies it to the destination.
void WriteTrackIni(RunContext& run, const std::filesystem::path& description,
                   const std::filesystem::path& working_ini,
                   const std::filesystem::path& destination);
// Writes track.ini from the template unless the GPL track folder has one already.
void WriteTrackIniIfMissing(RunContext& run);

// Enters the track as an event into one season file of GPL's "seasons" folder, under the
// event names of the track name table. Silent when the file is missing or cannot be replaced:
// the track is then not offered in that season, and the file stays as it was.
void AddSeasonEvent(const std::filesystem::path& gpl_dir, std::string_view gpl_track,
                    std::int64_t track_length, std::string_view season_file);
// Enters the track into "67season.ini" and "gp.ini" with the length of the loaded track.
void AddSeasons(RunContext& run);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_FINISHING_STAGES_H_
