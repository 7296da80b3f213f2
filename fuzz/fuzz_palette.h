#ifndef VELMORA_FUZZ_FUZZ_PALETTE_H_
#define VELMORA_FUZZ_FUZZ_PALETTE_H_

#include "image/texture_palette.h"

namespace velmora::fuzz {

// The palette a conversion lends every object it writes, made and loaded once per process as a
// run does: its colour histogram is too large to make per input.
inline TexturePalette& RunPalette() {
  static TexturePalette* palette = [] {
    auto* made = new TexturePalette();
    made->LoadBytes(nullptr, 0);
    return made;
  }();
  return *palette;
}

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_FUZZ_PALETTE_H_
