#ifndef VELMORA_OBJECT_OBJECT_FILE_H_
#define VELMORA_OBJECT_OBJECT_FILE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "object/object3do.h"
#include "platform/message_sink.h"

namespace velmora {

// Opens a .3do file of any layout: "4OD3" gives a GPL object (Object3do4), "3OD3" a 3DO3 and
// anything else an untagged source object. The object owns the file's bytes and has been
// loaded, not linked. Nothing when the file cannot be read (shown as "CreateobjFromFile Failed "
// and the path) or its layout cannot be read (not shown).
std::unique_ptr<Object3do> CreateobjFromFile(const std::filesystem::path& path,
                                             MessageSink& messages);
// The same on bytes in memory; `path` names the file (horizon objects, texture folder).
std::unique_ptr<Object3do> CreateobjFromBytes(std::vector<std::uint8_t> bytes,
                                              const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_OBJECT_OBJECT_FILE_H_
