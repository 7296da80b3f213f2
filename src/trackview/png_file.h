#ifndef VELMORA_TRACKVIEW_PNG_FILE_H_
#define VELMORA_TRACKVIEW_PNG_FILE_H_

#include <cstdint>
#include <filesystem>
#include <vector>

#include "trackview/canvas.h"
#include "platform/status.h"

namespace velmora {

// The canvas as a whole 8-bit RGB PNG file, assembled in memory.
Result<std::vector<std::uint8_t>> EncodePng(const Canvas& canvas);
// Encodes the canvas and writes the file in one write.
Status WritePng(const Canvas& canvas, const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_PNG_FILE_H_
