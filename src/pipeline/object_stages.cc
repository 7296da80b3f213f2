#include "pipeline/object_stages.h"

#include "object/object_file.h"
#include "pipeline/conversion_workspace.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Returns whether the source was read, and so whether the output is packed. The track is
// attached before linking because the sections of a track object take their track values
// from it.
bool ConvertOneObject(RunContext& run, const fs::path& source, const fs::path& output) {
  std::unique_ptr<Object3do> object = CreateobjFromFile(source, run.messages());
  if (!object) return false;
  object->SetPalette(&run.palette);
  object->SetTrack(run.track());
  object->BuildTree();
  object->SetKeepSkidMarks(run.request.keep_skid_marks);
  object->SetSixteenBitTextures(run.request.sixteen_bit_sky);
  object->WriteGpl(output);
  return true;
}

}  // namespace

void ConvertObjectPass(RunContext& run) {
  for (const fs::path& source : ListFiles(run.tmp_folder, ".3do")) {
    std::string title = source.stem().string();
    if (EqualsIgnoreCase(title, run.request.source_track)) title = run.gpl_track;
    const fs::path output = run.GplTrackFile(title + ".3do");
    if (ConvertOneObject(run, source, output)) run.workspace.AddToPack(output);
    run.Step();
  }
}

}  // namespace velmora
