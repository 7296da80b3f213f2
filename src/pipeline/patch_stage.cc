// The run's patch stage: one patch set per run, applied to the GPL track folder.

#include "pipeline/patch_stage.h"

#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/settings.h"

namespace velmora {

namespace fs = std::filesystem;

fs::path PatchFolder(const Settings& settings) {
  const std::string folder = settings.PatchesFolder();
  return folder.empty() ? ExecutableFolder() : fs::path(folder);
}

void ConversionRun::MakePatchSet() { patch_set_.emplace(PatchFolder(converter_.services().settings)); }

// The number of single-file patches copied into the GPL track folder.
int ConversionRun::ApplyPatches() {
  if (!patch_set_) return 0;
  return patch_set_->ApplyPatches(gpl_track_, request_.gpl_dir, /*replace_archive=*/false,
                                  /*second_archive=*/false);
}

}  // namespace velmora
