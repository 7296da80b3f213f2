// The run's track.ini stage.

#include "pipeline/conversion_run.h"
#include "track/track_ini.h"

namespace velmora {

namespace fs = std::filesystem;

// Fills the working copy of the template from the source track's description and the GPL
// track, and replaces the destination with it. Silent on failure: without a description the
// track simply gets no track.ini; without a loaded track there is nothing to fill it from.
void ConversionRun::WriteTrackIni(const fs::path& description, const fs::path& working_ini,
                                  const fs::path& destination) {
  if (!t2_ || !t2_->loaded()) return;
  ::velmora::WriteTrackIni(*t2_, description, working_ini, destination).IgnoreError();
}

}  // namespace velmora
