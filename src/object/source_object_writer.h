#ifndef VELMORA_OBJECT_SOURCE_OBJECT_WRITER_H_
#define VELMORA_OBJECT_SOURCE_OBJECT_WRITER_H_

#include <cstdint>
#include <filesystem>
#include <vector>

#include "object/object_model.h"
#include "platform/status.h"

namespace velmora {

// Writes a linked source object as a GPL 3DO4 file: vertex, plane and string tables and the node
// stream (the track object's through object/track_object_writer.h). Textures the object names
// are converted into the output's folder on the way (none when `output` is empty). Runs once per
// object: the vertices are converted to metres in place.
std::vector<std::uint8_t> BuildGplObject(Object3do& object, const std::filesystem::path& output);
// The same, written to `output` with one write; IOError when it cannot be written.
Status WriteGplObject(Object3do& object, const std::filesystem::path& output);

}  // namespace velmora

#endif  // VELMORA_OBJECT_SOURCE_OBJECT_WRITER_H_
