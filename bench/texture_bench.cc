// Converting one 256 x 256 8-bit texture through each writer, beside what reading the source
// and writing the result cost on their own.
#include <benchmark/benchmark.h>

#include "image/texture_conversion.h"
#include "image/texture_image.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/image_builders.h"

namespace velmora {
namespace {

std::vector<std::uint8_t> Source() {
  return samples::BuildRaw8(256, 256, [](int x, int y) {
    return static_cast<std::uint8_t>((x * 7 + y * 13 + (x ^ y)) & 0xFF);
  });
}

TexturePalette Palette() {
  TexturePalette palette;
  palette.LoadBytes(nullptr, 1);
  return palette;
}

void BM_FourBitWriter(benchmark::State& state) {
  const Result<TextureImage> image = ParseTexture(Source(), "wall.mip");
  TexturePalette palette = Palette();
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildFourBitTexture(*image, palette, "wall.mip", false));
  }
  state.SetBytesProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_FourBitWriter);

void BM_SixteenBitWriter(benchmark::State& state) {
  const Result<TextureImage> image = ParseTexture(Source(), "wall.mip");
  TexturePalette palette = Palette();
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildSixteenBitTexture(*image, palette, "wall.mip"));
  }
  state.SetBytesProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_SixteenBitWriter);

// The file work around a conversion: read the 64 KiB source, write the 32 KiB (4-bit) or
// 128 KiB (16-bit) result.
void BM_ReadSource(benchmark::State& state) {
  std::optional<TempFolder> folder = TempFolder::Create("bench");
  const std::filesystem::path path = folder->path() / "wall.mip";
  WriteFileBytes(path, Source());
  for (auto _ : state) benchmark::DoNotOptimize(ReadFileBytes(path));
}
BENCHMARK(BM_ReadSource);

void BM_WriteResult(benchmark::State& state) {
  std::optional<TempFolder> folder = TempFolder::Create("bench");
  const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(state.range(0)), 7);
  for (auto _ : state) benchmark::DoNotOptimize(WriteFileBytes(folder->path() / "out.mip", bytes));
}
BENCHMARK(BM_WriteResult)->Arg(33048)->Arg(131192);

}  // namespace
}  // namespace velmora
