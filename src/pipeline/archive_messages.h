#ifndef VELMORA_PIPELINE_ARCHIVE_MESSAGES_H_
#define VELMORA_PIPELINE_ARCHIVE_MESSAGES_H_

#include <filesystem>

#include "track/track_archive.h"

namespace velmora {

class MessageSink;

// Opens the archive at `path` and unpacks every member, telling the user, in the words the
// runs have always used, what went wrong: a directory cut short, a temporary folder that could
// not be found or made, members skipped or not written. An archive that cannot be read at all
// is not told about here: the files missing from it are, where a stage needs them. Afterwards
// the archive's folder_path() is empty when there was no temporary folder.
void UnpackArchiveReported(TrackArchive& archive, const std::filesystem::path& path,
                           MessageSink& messages);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_ARCHIVE_MESSAGES_H_
