// The run's finishing stages: patches, page images, track.ini and the season files.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// The number of single-file patches applied to the GPL track folder. Not part of the program
// yet: none is applied, which the reported pass tells the user.
int ConversionRun::ApplyPatches() { return 0; }

// Fills the working copy of the track.ini template from the source track's description and
// the geometry, and copies it to the destination. Not part of the program yet: no track.ini is
// written.
void ConversionRun::WriteTrackIni(const fs::path& /*description*/, const fs::path& /*working_ini*/,
                                  const fs::path& /*destination*/) {}

// Enters the track into "67season.ini" and "gp.ini" through AddSeasonEvent, with the length of
// the loaded track. Not part of the program yet: the season files are left as they are.
void ConversionRun::AddSeasons() {}

// Menu page images with the track's name. Not part of the program yet: none is written.
void TrackConverter::MakePageImages(const fs::path& /*gpl_track_folder*/,
                                    std::string_view /*gpl_track*/) {}

// One event in one season file. Not part of the program yet: the file is left as it is.
void TrackConverter::AddSeasonEvent(const fs::path& /*gpl_dir*/, std::string_view /*gpl_track*/,
                                    std::int64_t /*track_length*/,
                                    std::string_view /*season_file*/) {}

}  // namespace velmora
