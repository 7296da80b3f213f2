// The run's track stages: the track file and the racing lines.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// With the option "N2N4TrkConvert" at 1, the source game's own track file replaces the
// template in the GPL track folder. Not part of the program yet: the template stays.
void ConversionRun::ConvertSourceTrackFile() {}

// Loads the GPL track file, writes it in GPL's layout into the temporary folder and loads that
// copy as the track every later stage asks. False stops the run. Not part of the program yet:
// no track is loaded and the run goes on without one.
bool ConversionRun::PrepareGeometry() { return true; }

// The six racing lines, resampled to the track's length, into the GPL track folder. Not part
// of the program yet: no line is written.
void ConversionRun::ConvertRacingLines() {}

}  // namespace velmora
