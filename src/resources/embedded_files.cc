#include "resources/embedded_files.h"

namespace velmora {

std::span<const EmbeddedFile> EmbeddedFiles() { return GeneratedEmbeddedFiles(); }

}  // namespace velmora
