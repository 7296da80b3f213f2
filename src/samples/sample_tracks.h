#ifndef VELMORA_SAMPLES_SAMPLE_TRACKS_H_
#define VELMORA_SAMPLES_SAMPLE_TRACKS_H_

#include <filesystem>
#include <span>
#include <string_view>

namespace velmora::samples {

// A small complete CART/ICR2 source track in `root`: its description, geometry file and six
// racing lines, one texture and sprite of every kind and three objects. It converts to the end
// with the source track file converted (N2N4TrkConvert=1), no template needed.
void WriteSmallSampleTrack(const std::filesystem::path& root, std::string_view folder);

// Which textures a realistic sample track holds.
enum class TextureMix {
  kMixedDepths,      // 256 x 256, three in five 8-bit and two in five 4-bit
  kEightBitTwoSizes  // 8-bit, two in three 256 x 256 and one in three 128 x 64
};

// How big a realistic sample track is.
struct LargeTrackSize {
  int textures = 300;
  int objects = 40;
  int sprites = 40;
  TextureMix mix = TextureMix::kMixedDepths;
};

// A CART/ICR2 source track of realistic size (about 15 MB at the defaults): textures whose
// pixels differ from texture to texture and from track to track (`seed`), so no two convert
// alike, plus objects and sprites, the sample track's geometry file and racing lines.
void WriteLargeSampleTrack(const std::filesystem::path& root, std::string_view folder,
                           const LargeTrackSize& size, unsigned seed);

// Folders of the CART/ICR2 track list that convert into distinct GPL track folders, in the
// list's order: the ones a batch of sample tracks picks from.
std::span<const std::string_view> CartBaseTrackFolders();

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_SAMPLE_TRACKS_H_
