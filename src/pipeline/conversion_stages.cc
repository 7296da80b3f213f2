// The conversion stages of a run: palette, track geometry, racing lines, textures, objects,
// sprites, patches, track.ini and seasons. Each is called at its place in both pipelines; a
// stage whose converter is not part of the program yet does nothing, converts nothing and lists
// nothing for packing, so the files it would write are simply absent from the result.

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// The run's palette from the track's "sunny.pcx" (mode 0 for CART/ICR2, 1 for the N series).
void ConversionRun::LoadPalette(const fs::path& /*path*/, int /*mode*/) {}

// With the option "N2N4TrkConvert" at 1, the source game's own track file replaces the
// template in the GPL track folder.
void ConversionRun::ConvertSourceTrackFile() {}

// Loads the GPL track file, writes it in GPL's layout into the temporary folder and loads that
// copy as the track every later stage asks. False stops the run.
bool ConversionRun::PrepareGeometry() { return true; }

// The six racing lines, resampled to the track's length, into the GPL track folder.
void ConversionRun::ConvertRacingLines() {}

// The number of single-file patches applied to the GPL track folder.
int ConversionRun::ApplyPatches() { return 0; }

// Each returns whether the source file was loaded, and so whether its output is packed.
bool ConversionRun::ConvertTexture(const fs::path& /*source*/, const fs::path& /*output*/,
                                   bool /*sixteenBit*/) {
  return false;
}

bool ConversionRun::ConvertObject(const fs::path& /*source*/, const fs::path& /*output*/) {
  return false;
}

bool ConversionRun::ConvertSprite(const fs::path& /*source*/, const fs::path& /*output*/) {
  return false;
}

// Fills the working copy of the track.ini template from the source track's description and
// the geometry, and copies it to the destination.
void ConversionRun::WriteTrackIni(const fs::path& /*description*/, const fs::path& /*workingIni*/,
                                  const fs::path& /*destination*/) {}

// Enters the track into "67season.ini" and "gp.ini".
void ConversionRun::AddSeasons() {}

void TrackConverter::MakePageImages(const fs::path& /*gplTrackFolder*/,
                                    std::string_view /*gplTrack*/) {}

void TrackConverter::AddSeasonEvent(const fs::path& /*gplDir*/, std::string_view /*gplTrack*/,
                                    std::int64_t /*trackLength*/,
                                    std::string_view /*seasonFile*/) {}

}  // namespace velmora
