// The run's patch stage: one patch set per run, applied to the GPL track folder.

#include "pipeline/conversion_workspace.h"
#include "pipeline/finishing_stages.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/settings.h"
#include "track/patch_set.h"

namespace velmora {

namespace fs = std::filesystem;

fs::path PatchFolder(const Settings& settings) {
  const std::string folder = settings.PatchesFolder();
  return folder.empty() ? ExecutableFolder() : fs::path(folder);
}

// The run writes the track archive itself, after the patch passes: the archive patches go
// into that one write.
void MakePatchSet(RunContext& run) {
  run.patch_set.emplace(PatchFolder(run.services.settings), ArchivePatchUse::kCollect);
}

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

bool WritePackWithArchivePatches(RunContext& run) {
  std::vector<std::vector<std::uint8_t>> patch_bytes;
  std::vector<ConversionWorkspace::ExtraMember> members;
  if (run.patch_set) {
    const std::vector<fs::path>& patches = run.patch_set->archive_patches();
    patch_bytes.reserve(patches.size());
    for (const fs::path& patch : patches) {
      std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(patch);
      if (!bytes) continue;
      Result<std::vector<PatchMember>> listed = ReadPatchDirectory(*bytes);
      if (!listed) continue;  // a patch that cannot be read adds nothing, as its merge would
      const std::vector<std::uint8_t>& held = patch_bytes.emplace_back(std::move(*bytes));
      for (PatchMember& member : *listed) {
        members.push_back({std::move(member.name),
                           std::span(held).subspan(member.offset, member.length)});
      }
    }
  }
  if (run.workspace.WritePack(members)) return true;
  // The converted files stay loose; the patches go into the archive that is there, as the
  // patch step merges them without a pack of its own.
  if (run.patch_set) run.patch_set->MergeArchivePatches();
  return false;
}

void ApplyPatchesReported(RunContext& run) {
  if (ApplyPatches(run) != 0) return;
  run.messages().Show("No Patch Files Found for " + run.gpl_track);
  run.messages().Show("Check your installation of the converter");
}

}  // namespace velmora
