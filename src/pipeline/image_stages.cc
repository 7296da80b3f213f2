// The run's image stages: palette, textures and sprites.

#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "platform/ascii.h"

namespace velmora {

namespace fs = std::filesystem;

// The run's palette from the track's "sunny.pcx" (mode 0 for CART/ICR2, 1 for the N series).
void ConversionRun::LoadPalette(const fs::path& path, int mode) { palette_.Load(path, mode); }

// Each returns whether the source file was loaded, and so whether its output is packed. Each
// image lives only while its file is converted.
bool ConversionRun::ConvertTexture(const fs::path& source, const fs::path& output,
                                   bool sixteen_bit) {
  std::optional<TextureImage> image = LoadTexture(source);
  if (!image) return false;
  velmora::ConvertTexture(*image, palette_, output, sixteen_bit);
  return true;
}

bool ConversionRun::ConvertSprite(const fs::path& source, const fs::path& output) {
  SpriteImage sprite(palette_);
  if (EqualsIgnoreCase(source.extension().string(), ".srb")) {
    if (!sprite.LoadNSeries(source)) return false;
    sprite.WriteNSeries(output);
    return true;
  }
  if (!sprite.LoadCart(source)) return false;
  sprite.WriteCart(output);
  return true;
}

}  // namespace velmora
