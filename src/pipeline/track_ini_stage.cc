// The run's track.ini stage.

#include "pipeline/conversion_workspace.h"
#include "pipeline/finishing_stages.h"
#include "platform/file_system.h"
#include "track/track_ini.h"

namespace velmora {

namespace fs = std::filesystem;

// Silent on failure: without a description the track simply gets no track.ini; without a
// loaded track there is nothing to fill it from.
// The files are looked up through the run's resolver; the filled text replaces the working copy
// first and then the destination, each atomically.
void WriteTrackIni(RunContext& run, const fs::path& description, const fs::path& working_ini,
                   const fs::path& destination) {
  const TrackGeometry* track = run.track();
  if (track == nullptr || !track->loaded()) return;
  PathResolver& resolver = run.workspace.resolver();
  const std::optional<fs::path> description_file = resolver.ResolveExisting(description);
  const std::optional<fs::path> working_file = resolver.ResolveExisting(working_ini);
  if (!description_file || !working_file) return;
  const std::optional<std::vector<std::uint8_t>> description_bytes =
      ReadFileBytes(*description_file);
  const std::optional<std::vector<std::uint8_t>> working_bytes = ReadFileBytes(*working_file);
  if (!description_bytes || !working_bytes) return;
  const std::string filled = MakeTrackIniText(*track, *description_bytes, *working_bytes);
  const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(filled.data()),
                                           filled.size());
  if (!ReplaceFileAtomicallyAt(*working_file, text).ok()) return;
  const fs::path target = resolver.ResolveForWrite(destination);
  if (ReplaceFileAtomicallyAt(target, text).ok()) resolver.NoteCreated(target);
}

void WriteTrackIniIfMissing(RunContext& run) {
  PathResolver& resolver = run.workspace.resolver();
  if (resolver.FileSize(run.GplTrackFile("track.ini"))) return;
  run.workspace.ExtractResource("N2N4TEMP_INI", "temp.ini", false);
  WriteTrackIni(run, run.src_track_folder / (run.request.source_track + ".txt"),
                run.GplTrackFile("temp.ini"), run.GplTrackFile("track.ini"));
  resolver.RemoveFile(run.GplTrackFile("temp.ini"));
}

}  // namespace velmora
