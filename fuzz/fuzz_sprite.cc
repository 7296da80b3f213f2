// Feeds arbitrary bytes to the sprite readers (the first byte picks the kind: ".pmp", ".pm4",
// ".p16" or the N-series ".srb") and converts what loads.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/sprite_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const velmora::TexturePalette* const palette = [] {
    auto* made = new velmora::TexturePalette();
    made->LoadBytes(nullptr, 1);
    return made;
  }();
  velmora::SpriteImage sprite(*palette);
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  switch (data[0] % 4) {
    case 0:
      if (sprite.ParseNSeries(std::move(bytes)).ok()) sprite.BuildNSeries();
      break;
    default: {
      static const char* const kPaths[] = {"", "s.pmp", "s.pm4", "s.p16"};
      if (sprite.ParseCart(std::move(bytes), kPaths[data[0] % 4]).ok()) sprite.BuildCart();
      break;
    }
  }
  return 0;
}
