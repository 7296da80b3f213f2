#ifndef VELMORA_PIPELINE_GEOMETRY_STAGES_H_
#define VELMORA_PIPELINE_GEOMETRY_STAGES_H_

// The run's track stages: the track file and the racing lines.

#include "pipeline/run_context.h"

namespace velmora {

// With the option "N2N4TrkConvert" at 1, or automatic without a template, the source game's own
// track file, converted to the newest layout, replaces the template in the GPL track folder
// (automatic notes that it did). False (after a message) when the source track has no usable
// track file: there would be no track to convert against.
bool ConvertSourceTrackFile(RunContext& run);

// Loads the GPL track file (T1), writes it in GPL's layout into the temporary folder and keeps
// that copy (T2) as the track every later stage asks. False, after a message naming the file,
// stops the run.
bool PrepareGeometry(RunContext& run);

// The six racing lines, resampled to the track's length, into the GPL track folder.
void ConvertRacingLines(RunContext& run);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_GEOMETRY_STAGES_H_
