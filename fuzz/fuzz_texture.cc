// Feeds arbitrary bytes to every texture reader (the first byte picks the path, and so the raw
// layout) and converts what loads through the writer the run would choose, with and without
// the sixteen-bit request.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/texture_conversion.h"
#include "image/texture_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kPaths[] = {"t.mip",       "t.mi4",      "t.m16",     "t.pcx",
                                       "asphalt.mip", "page03.mip", "grass.mi4", "sky.m16"};
  const char* path = kPaths[data[0] % 8];
  velmora::Result<velmora::TextureImage> image =
      velmora::ParseTexture(std::vector<std::uint8_t>(data + 1, data + size), path);
  if (!image) return 0;
  // The two built-in palettes, built once: an 8-bit source rebuilds only the reduction.
  static velmora::TexturePalette* const palettes = [] {
    auto* made = new velmora::TexturePalette[2];
    made[0].LoadBytes(nullptr, 0);
    made[1].LoadBytes(nullptr, 1);
    return made;
  }();
  velmora::BuildConvertedTexture(*image, palettes[data[0] >> 7], path, (data[0] & 8) != 0);
  return 0;
}
