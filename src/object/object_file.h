#ifndef VELMORA_OBJECT_OBJECT_FILE_H_
#define VELMORA_OBJECT_OBJECT_FILE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "object/gpl_object_reader.h"
#include "object/object_model.h"
#include "platform/status.h"

namespace velmora {

// A .3do file as read: exactly one of a source object to convert (loaded, not linked) and a GPL
// object, which is already in the target format.
struct ObjectFile {
  std::unique_ptr<Object3do> source;
  std::unique_ptr<GplObject> gpl;
};

// Reads a .3do file of any layout: "4OD3" gives a GPL object, "3OD3" a 3DO3 source object and
// anything else an untagged one. IOError when the file cannot be read; Corruption when its
// layout cannot be.
Result<ObjectFile> ReadObjectFile(const std::filesystem::path& path);
// The same on bytes in memory; `path` names the file (horizon objects, texture folder).
Result<ObjectFile> ReadObjectBytes(std::vector<std::uint8_t> bytes,
                                   const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_OBJECT_OBJECT_FILE_H_
