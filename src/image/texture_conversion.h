#ifndef VELMORA_IMAGE_TEXTURE_CONVERSION_H_
#define VELMORA_IMAGE_TEXTURE_CONVERSION_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "image/texture_image.h"
#include "image/texture_palette.h"

namespace velmora {

// Turns a source texture into the target's "PIM " texture: 4-bit pixels with a 16-colour
// CMAP, or 16-bit pixels, power-of-two sides of at most 256.
//
// The 4-bit writer takes indexed sources (4 and 8 bits) whose width is a power of two of at
// most 256; everything else, and the textures it declines, go to the 16-bit writer. Rules on
// words in `output_path`, the output's lowercased rule path "tracks/<gpltrack>/<file>"
// (platform/rule_path.h), so that no folder above the GPL folder changes a texture:
//   sixteen-bit request on:  "page03", "skyindex", "asphalt"     the 4-bit writer declines
//   4-bit from 8-bit source: "asphalt", "grass"                  rows cropped, not squeezed
//   4-bit writer:            "horiz", "sky", "page03", "tree"    MPHD flags 3, else 0
//   16-bit writer:           "asphalt", "grass", "concrete", "dirt", "crowd"  flags 0, else 3

// The output height for a source height: the largest power of two not above it nor above 256
// (1 for heights of 0 and 1).
std::uint32_t OutputHeight(std::int64_t height);
// The output row of source row `row` of `source_rows` when squeezed into `output_rows`.
std::uint32_t SqueezedRow(std::uint32_t row, std::uint32_t source_rows, std::uint32_t output_rows);

// The 4-bit writer; nothing when it declines (sixteen-bit request and a word of that rule).
// Rebuilds the palette's histogram and reduced colours for an 8-bit source.
std::optional<std::vector<std::uint8_t>> BuildFourBitTexture(const TextureImage& image,
                                                             TexturePalette& palette,
                                                             std::string_view output_path,
                                                             bool sixteen_bit);
// The 16-bit writer: always one level.
std::vector<std::uint8_t> BuildSixteenBitTexture(const TextureImage& image,
                                                 const TexturePalette& palette,
                                                 std::string_view output_path);
// Chooses the writer and builds the file's bytes.
std::vector<std::uint8_t> BuildConvertedTexture(const TextureImage& image, TexturePalette& palette,
                                                std::string_view output_path, bool sixteen_bit);
// Builds the file and writes it to `output`, a file in a GPL track folder, with one write;
// IOError (message: the path) when it cannot be written.
Status ConvertTexture(const TextureImage& image, TexturePalette& palette,
                      const std::filesystem::path& output, bool sixteen_bit);

}  // namespace velmora

#endif  // VELMORA_IMAGE_TEXTURE_CONVERSION_H_
