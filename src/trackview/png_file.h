#ifndef VELMORA_TRACKVIEW_PNG_FILE_H_
#define VELMORA_TRACKVIEW_PNG_FILE_H_

#include <cstdint>
#include <filesystem>
#include <vector>

#include "trackview/canvas.h"
#include "platform/status.h"

namespace velmora {

// The canvas as a whole 8-bit RGB PNG file, assembled in memory: compressed by libpng where the
// build has it, else EncodeStoredPng's file.
Result<std::vector<std::uint8_t>> EncodePng(const Canvas& canvas);
// The same picture without compression: 8-bit RGB, no interlace, filter 0 on every row, the
// rows in stored deflate blocks of at most 65535 bytes. Larger, readable by every PNG reader.
Result<std::vector<std::uint8_t>> EncodeStoredPng(const Canvas& canvas);
// Encodes the canvas and writes the file in one write.
Status WritePng(const Canvas& canvas, const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_PNG_FILE_H_
