// The run's object stage.

#include "object/object_file.h"
#include "object/source_object_writer.h"
#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

namespace velmora {

namespace fs = std::filesystem;

// Rewrites one source object as a GPL object; returns whether the source was read, and so
// whether the output is packed. The track is attached before linking because the sections of
// a track object take their track values from it. A track object goes through the track object
// writer (object/track_object_writer.h); a GPL object is passed on as it is.
bool ConversionRun::ConvertObject(const fs::path& source, const fs::path& output) {
  Result<ObjectFile> file = ReadObjectFile(source);
  if (!file.ok()) {
    // A file that cannot be read is shown; one whose layout cannot be read is skipped silently.
    if (file.status().IsIOError()) {
      converter_.services().messages.Show("CreateobjFromFile Failed " + source.string());
    }
    return false;
  }
  if (file->gpl) {
    // Not shown when it cannot be written, as for every object this stage writes.
    WriteFileBytes(output, file->gpl->bytes());
    return true;
  }
  Object3do& object = *file->source;
  object.SetPalette(&palette_);
  object.SetTrack(track());
  // Cannot fail on an object that loaded.
  object.BuildTree().IgnoreError();
  object.SetKeepSkidMarks(request_.keep_skid_marks);
  object.SetSixteenBitTextures(request_.sixteen_bit_sky);
  object.SetResources(&converter_.services().resources);
  // An object that cannot be written is not reported: the run goes on with the next one.
  WriteGplObject(object, output).IgnoreError();
  return true;
}

}  // namespace velmora
