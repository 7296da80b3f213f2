#include "pipeline/image_stages.h"

#include <algorithm>

#include "image/pcx_file.h"
#include "image/sprite_image.h"
#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "pipeline/conversion_workspace.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/rule_path.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Each returns whether the source file was loaded, and so whether its output is packed: a
// source the readers refuse is skipped without a word, as the runs always have. An output that
// cannot be written is not told about here either: packing names the missing file. Each image
// lives only while its file is converted.
bool ConvertOneTexture(RunContext& run, const fs::path& source, const fs::path& output,
                       bool sixteen_bit) {
  std::optional<std::vector<std::uint8_t>> bytes = run.source_files.Copy(source);
  if (!bytes) return false;
  Result<TextureImage> image = ParseTexture(std::move(*bytes), source);
  if (!image) return false;
  run.workspace.HoldOutput(output, BuildConvertedTexture(*image, run.palette,
                                                         GplTrackFileRulePath(output), sixteen_bit));
  return true;
}

bool ConvertOneSprite(RunContext& run, const fs::path& source, const fs::path& output) {
  std::optional<std::vector<std::uint8_t>> bytes = run.source_files.Copy(source);
  if (!bytes) return false;
  SpriteImage sprite(run.palette);
  if (EqualsIgnoreCase(source.extension().string(), ".srb")) {
    if (!sprite.ParseNSeries(std::move(*bytes)).ok()) return false;
    run.workspace.HoldOutput(output, sprite.BuildNSeries());
    return true;
  }
  if (!sprite.ParseCart(std::move(*bytes), source).ok()) return false;
  run.workspace.HoldOutput(output, sprite.BuildCart());
  return true;
}

// Whether the file is a PCX picture of 24-bit colour, from its header.
bool IsTrueColourPcxFile(const RunContext& run, const fs::path& source) {
  std::optional<std::span<const std::uint8_t>> bytes = run.source_files.Find(source);
  return bytes && IsTrueColourPcxHeader(bytes->first(std::min(bytes->size(), kPcxHeaderSize)));
}

}  // namespace

void LoadPalette(RunContext& run, int mode) {
  // Without an unpacked source there is no "sunny.pcx" (and the bare name would be looked for
  // in the working folder): the palette is made as for a missing file.
  const std::optional<std::vector<std::uint8_t>> sunny =
      run.source_files.Copy(run.tmp_folder / "sunny.pcx");
  run.palette.LoadBytes(sunny ? &*sunny : nullptr, mode);
}

void ConvertTexturePass(RunContext& run, std::string_view extension, bool sixteen_bit) {
  const bool pcx = extension == ".pcx";
  for (const fs::path& source : run.source_files.List(extension)) {
    // The other PCX pictures are not counted either.
    if (pcx && !IsTrueColourPcxFile(run, source)) continue;
    const fs::path output = run.GplTrackFile(source.stem().string() + ".mip");
    if (ConvertOneTexture(run, source, output, sixteen_bit)) run.workspace.AddToPack(output);
    run.Step();
  }
}

void ConvertSpritePass(RunContext& run, std::string_view extension) {
  for (const fs::path& source : run.source_files.List(extension)) {
    const fs::path output = run.GplTrackFile(source.stem().string() + ".srb");
    if (ConvertOneSprite(run, source, output)) run.workspace.AddToPack(output);
    run.Step();
  }
}

}  // namespace velmora
