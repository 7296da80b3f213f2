// The run's patch stage: one patch set per run, applied to the GPL track folder.

#include "pipeline/conversion_workspace.h"
#include "pipeline/finishing_stages.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/settings.h"

namespace velmora {

namespace fs = std::filesystem;

fs::path PatchFolder(const Settings& settings) {
  const std::string folder = settings.PatchesFolder();
  return folder.empty() ? ExecutableFolder() : fs::path(folder);
}

void MakePatchSet(RunContext& run) { run.patch_set.emplace(PatchFolder(run.services.settings)); }

// The files patches write replace the converted ones the workspace holds: they are packed from
// the disk.
int ApplyPatches(RunContext& run) {
  if (!run.patch_set) return 0;
  const int copied = run.patch_set->ApplyPatches(run.gpl_track, run.request.gpl_dir,
                                                 /*replace_archive=*/false,
                                                 /*second_archive=*/false);
  run.workspace.TakeFromDisk(run.patch_set->written_files());
  return copied;
}

void MergeArchivePatchesIntoPack(RunContext& run) {
  if (run.patch_set) run.patch_set->MergeArchivePatches();
}

void ApplyPatchesReported(RunContext& run) {
  if (ApplyPatches(run) != 0) return;
  run.messages().Show("No Patch Files Found for " + run.gpl_track);
  run.messages().Show("Check your installation of the converter");
}

}  // namespace velmora
