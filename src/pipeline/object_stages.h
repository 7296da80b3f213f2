#ifndef VELMORA_PIPELINE_OBJECT_STAGES_H_
#define VELMORA_PIPELINE_OBJECT_STAGES_H_

// The run's object stage.

#include "pipeline/run_context.h"

namespace velmora {

// Rewrites every unpacked source object as a GPL object and lists it for packing; one step
// each. The object named after the source track is the track object and takes the GPL track's
// name.
void ConvertObjectPass(RunContext& run);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_OBJECT_STAGES_H_
