// The run's image stages: palette, textures and sprites.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// The run's palette from the track's "sunny.pcx" (mode 0 for CART/ICR2, 1 for the N series).
// Not part of the program yet: no palette is loaded.
void ConversionRun::LoadPalette(const fs::path& /*path*/, int /*mode*/) {}

// Each returns whether the source file was loaded, and so whether its output is packed. Not
// part of the program yet: nothing is loaded, nothing written, nothing packed.
bool ConversionRun::ConvertTexture(const fs::path& /*source*/, const fs::path& /*output*/,
                                   bool /*sixteenBit*/) {
  return false;
}

bool ConversionRun::ConvertSprite(const fs::path& /*source*/, const fs::path& /*output*/) {
  return false;
}

}  // namespace velmora
