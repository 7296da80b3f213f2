#include "pipeline/object_stages.h"

#include "object/object_file.h"
#include "object/source_object_writer.h"
#include "pipeline/conversion_workspace.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Returns whether the source was read, and so whether the output is packed. The track is
// attached before linking because the sections of a track object take their track values
// from it. A track object goes through the track object writer (object/track_object_writer.h),
// which finds its trackside tables among the resources; a GPL object is passed on as it is.
bool ConvertOneObject(RunContext& run, const fs::path& source, const fs::path& output) {
  std::optional<std::vector<std::uint8_t>> bytes = run.source_files.Copy(source);
  Result<ObjectFile> file =
      bytes ? ReadObjectBytes(std::move(*bytes), source) : ReadObjectFile(source);
  if (!file.ok()) {
    // A file that cannot be read is shown; one whose layout cannot be read is skipped silently.
    if (file.status().IsIOError()) {
      run.messages().Show("CreateobjFromFile Failed " + source.string());
    }
    return false;
  }
  if (file->gpl) {
    // Not shown when it cannot be written, as for every object this stage writes.
    const auto& gpl = file->gpl->bytes();
    run.workspace.HoldOutput(output, std::vector<std::uint8_t>(gpl.begin(), gpl.end()));
    return true;
  }
  Object3do& object = *file->source;
  object.SetPalette(&run.palette);
  object.SetTrack(run.track());
  // Cannot fail on an object that loaded.
  object.BuildTree().IgnoreError();
  object.SetKeepSkidMarks(run.request.keep_skid_marks);
  object.SetSixteenBitTextures(run.request.sixteen_bit_sky);
  object.SetResources(&run.services.resources);
  object.SetSourceFiles(&run.source_files);
  object.SetOutputSink(&run.workspace);
  object.SetGplLines(run.gpl_lines ? &*run.gpl_lines : nullptr);
  // An object that cannot be written is not reported: the run goes on with the next one.
  run.workspace.HoldOutput(output, BuildGplObject(object, output));
  return true;
}

}  // namespace

void ConvertObjectPass(RunContext& run) {
  const std::vector<fs::path> sources = run.source_files.List(".3do");
  if (sources.empty()) return;
  // Missing or damaged line files leave the lines empty; the grooves then follow the reference
  // line.
  run.gpl_lines.emplace();
  run.gpl_lines->SetResolver(&run.workspace.resolver());
  run.gpl_lines->LoadLines(run.workspace.output_folder()).IgnoreError();
  for (const fs::path& source : sources) {
    std::string title = source.stem().string();
    if (EqualsIgnoreCase(title, run.request.source_track)) title = run.gpl_track;
    const fs::path output = run.GplTrackFile(title + ".3do");
    if (ConvertOneObject(run, source, output)) run.workspace.AddToPack(output);
    run.Step();
  }
}

}  // namespace velmora
