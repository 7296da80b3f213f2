#ifndef VELMORA_SAMPLES_GPL_STANDARD_FILES_H_
#define VELMORA_SAMPLES_GPL_STANDARD_FILES_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "samples/archive_builder.h"

namespace velmora::samples {

// GPL's standard trackside files as the sample GPL installation's "mexico" track holds them,
// in the order the archive lists them. Each is a valid file of its kind, made with the
// program's own writers: menu pages at their real sizes with a drawn background, 16-bit MIP
// textures, a sprite, small objects (the ones the program carries) and .wav sounds.
std::vector<MemberBytes> BuildGplStandardFiles();

// A PCM .wav file (RIFF, mono, 8-bit, 11025 samples a second) of `samples` samples of a soft
// sound: a tone of `pitch` hertz, or noise when `pitch` is 0.
std::vector<std::uint8_t> BuildWav(int samples, int pitch);

// Size of a menu page in pixels, by its file name; {0, 0} for a name that is not a page.
struct PageSize {
  int width = 0;
  int height = 0;
};
PageSize GplPageSize(std::string_view name);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_GPL_STANDARD_FILES_H_
