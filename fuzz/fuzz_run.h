#ifndef VELMORA_FUZZ_FUZZ_RUN_H_
#define VELMORA_FUZZ_FUZZ_RUN_H_

#include "image/texture_palette.h"
#include "track/racing_lines.h"

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

// The racing lines a conversion reads once and lends every track object it writes. A run
// without line files has none, and the grooves follow the reference line; lending them keeps
// the track object writer from looking for line files on disk for every input.
inline RacingLines& RunLines() {
  static RacingLines* lines = new RacingLines();
  return *lines;
}

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_FUZZ_RUN_H_
