#include "object/object_file.h"

#include <algorithm>

#include "object/object3do4.h"
#include "platform/file_system.h"

namespace velmora {

std::unique_ptr<Object3do> CreateobjFromBytes(std::vector<std::uint8_t> bytes,
                                              const std::filesystem::path& path) {
  const bool gpl = bytes.size() >= 4 && std::equal(kTagObject4.begin(), kTagObject4.end(),
                                                   bytes.begin());
  std::unique_ptr<Object3do> object =
      gpl ? std::make_unique<Object3do4>() : std::make_unique<Object3do>();
  if (object->Load(std::move(bytes), path) == 0) return nullptr;
  return object;
}

std::unique_ptr<Object3do> CreateobjFromFile(const std::filesystem::path& path,
                                             MessageSink& messages) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) {
    messages.Show("CreateobjFromFile Failed " + path.string());
    return nullptr;
  }
  return CreateobjFromBytes(std::move(*bytes), path);
}

}  // namespace velmora
