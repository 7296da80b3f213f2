// The run's object stage.

#include "object/object_file.h"
#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"

namespace velmora {

namespace fs = std::filesystem;

// Rewrites one source object as a GPL object; returns whether the source was read, and so
// whether the output is packed. The track is attached before linking because the sections of
// a track object take their track values from it. A track object goes through the track object
// writer (object/track_object_writer.h).
bool ConversionRun::ConvertObject(const fs::path& source, const fs::path& output) {
  std::unique_ptr<Object3do> object =
      CreateobjFromFile(source, converter_.services().messages);
  if (!object) return false;
  object->SetPalette(&palette_);
  object->SetTrack(track());
  object->BuildTree();
  object->SetKeepSkidMarks(request_.keep_skid_marks);
  object->SetSixteenBitTextures(request_.sixteen_bit_sky);
  object->WriteGpl(output);
  return true;
}

}  // namespace velmora
