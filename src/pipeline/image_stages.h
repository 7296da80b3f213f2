#ifndef VELMORA_PIPELINE_IMAGE_STAGES_H_
#define VELMORA_PIPELINE_IMAGE_STAGES_H_

// The run's image stages: palette, textures and sprites.

#include <filesystem>
#include <string_view>

#include "pipeline/run_context.h"

namespace velmora {

// Palette modes: how "sunny.pcx" is turned into the run's palette.
inline constexpr int kCartPaletteMode = 0;
inline constexpr int kNSeriesPaletteMode = 1;

// The run's palette from the track's "sunny.pcx".
void LoadPalette(RunContext& run, int mode);

// Converts every unpacked texture of one kind (".mip", ".mi4", ".m16", ".pcx") into a GPL
// texture and lists it for packing; one step each. Only 24-bit PCX pictures are textures.
void ConvertTexturePass(RunContext& run, std::string_view extension, bool sixteen_bit);

// Converts every unpacked sprite of one kind (".pmp", ".pm4", ".p16", ".srb") into a GPL
// sprite and lists it for packing; one step each.
void ConvertSpritePass(RunContext& run, std::string_view extension);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_IMAGE_STAGES_H_
