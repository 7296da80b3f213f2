#ifndef VELMORA_RESOURCES_EMBEDDED_FILES_H_
#define VELMORA_RESOURCES_EMBEDDED_FILES_H_

#include <span>

#include "platform/resource_store.h"

namespace velmora {

// The data files compiled into the program, each under its resource name (the file name in
// src/resources). The bytes live as long as the program.
std::span<const EmbeddedFile> EmbeddedFiles();

// Defined in the source generated at build time.
std::span<const EmbeddedFile> GeneratedEmbeddedFiles();

}  // namespace velmora

#endif  // VELMORA_RESOURCES_EMBEDDED_FILES_H_
