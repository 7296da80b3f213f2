#include "pipeline/image_stages.h"

#include "image/pcx_file.h"
#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "pipeline/conversion_workspace.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Each returns whether the source file was loaded, and so whether its output is packed: a
// source the readers refuse is skipped without a word, as the runs always have. An output that
// cannot be written is not told about here either: packing names the missing file. Each image
// lives only while its file is converted.
bool ConvertOneTexture(RunContext& run, const fs::path& source, const fs::path& output,
                       bool sixteen_bit) {
  Result<TextureImage> image = LoadTexture(source);
  if (!image) return false;
  ConvertTexture(*image, run.palette, output, sixteen_bit).IgnoreError();
  return true;
}

bool ConvertOneSprite(RunContext& run, const fs::path& source, const fs::path& output) {
  SpriteImage sprite(run.palette);
  if (EqualsIgnoreCase(source.extension().string(), ".srb")) {
    if (!sprite.LoadNSeries(source).ok()) return false;
    sprite.WriteNSeries(output).IgnoreError();
    return true;
  }
  if (!sprite.LoadCart(source).ok()) return false;
  sprite.WriteCart(output).IgnoreError();
  return true;
}

}  // namespace

void LoadPalette(RunContext& run, int mode) {
  // Without an unpacked source there is no "sunny.pcx" (and the bare name would be looked for
  // in the working folder): the palette is made as for a missing file.
  if (run.tmp_folder.empty()) {
    run.palette.LoadBytes(nullptr, mode);
    return;
  }
  run.palette.Load(run.tmp_folder / "sunny.pcx", mode);
}

void ConvertTexturePass(RunContext& run, std::string_view extension, bool sixteen_bit) {
  const bool pcx = extension == ".pcx";
  for (const fs::path& source : ListFiles(run.tmp_folder, extension)) {
    // The other PCX pictures are not counted either.
    if (pcx && !IsTrueColourPcx(source)) continue;
    const fs::path output = run.GplTrackFile(source.stem().string() + ".mip");
    if (ConvertOneTexture(run, source, output, sixteen_bit)) run.workspace.AddToPack(output);
    run.Step();
  }
}

void ConvertSpritePass(RunContext& run, std::string_view extension) {
  for (const fs::path& source : ListFiles(run.tmp_folder, extension)) {
    const fs::path output = run.GplTrackFile(source.stem().string() + ".srb");
    if (ConvertOneSprite(run, source, output)) run.workspace.AddToPack(output);
    run.Step();
  }
}

}  // namespace velmora
