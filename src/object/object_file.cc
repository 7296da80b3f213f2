#include "object/object_file.h"

#include <algorithm>

#include "platform/file_system.h"

namespace velmora {

Result<ObjectFile> ReadObjectBytes(std::vector<std::uint8_t> bytes,
                                   const std::filesystem::path& path) {
  ObjectFile file;
  const bool gpl = bytes.size() >= 4 && std::equal(kTagObject4.begin(), kTagObject4.end(),
                                                   bytes.begin());
  if (gpl) {
    Result<std::unique_ptr<GplObject>> object = GplObject::Read(std::move(bytes));
    if (!object.ok()) return object.status();
    file.gpl = std::move(object).value();
    return file;
  }
  file.source = std::make_unique<Object3do>();
  Status status = file.source->Load(std::move(bytes), path);
  if (!status.ok()) return status;
  return file;
}

Result<ObjectFile> ReadObjectFile(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return Status::IOError("cannot read " + path.string());
  return ReadObjectBytes(std::move(*bytes), path);
}

}  // namespace velmora
