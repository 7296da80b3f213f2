// The run's object stage.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// Rewrites one source object as a GPL object; returns whether the source was read, and so
// whether the output is packed. Not part of the program yet: nothing is read or written.
bool ConversionRun::ConvertObject(const fs::path& /*source*/, const fs::path& /*output*/) {
  return false;
}

}  // namespace velmora
