#include "samples/sample_tracks.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"

namespace velmora::samples {

namespace {

constexpr std::array<std::string_view, 10> kCartBaseTracks = {
    "clevland", "indy",     "midohio", "toronto", "Elkhart",
    "Laguna",   "Portland", "detroit", "longbch", "vancouvr"};

// A small pseudo-random number per pixel: varied pixels that still repeat exactly from one
// run to the next.
std::uint32_t Mix(std::uint32_t value) {
  value ^= value >> 16;
  value *= 0x7FEB352Du;
  value ^= value >> 15;
  value *= 0x846CA68Bu;
  value ^= value >> 16;
  return value;
}

SourceTrack TrackWithDescription(std::string_view folder) {
  const std::string name(folder);
  const std::string description = SourceTrackDescription(name, name + " Sample Circuit");
  SourceTrack track;
  track.folder = name;
  track.members = {{name + ".txt", Bytes(description)}};
  track.loose = {{name + ".txt", Bytes(description)}};
  return track;
}

std::string Numbered(std::string_view stem, int number, std::string_view extension) {
  std::string name(stem);
  // Three digits, four from a thousand on: "tex1199.mip" still fits an archive's 12 characters.
  name += number < 1000 ? std::to_string(1000 + number).substr(1) : std::to_string(number);
  name += extension;
  return name;
}

void AddLargeTextures(std::vector<MemberBytes>& members, int count, unsigned seed,
                      TextureMix mix) {
  const std::vector<std::uint16_t> palette = {0x0000, 0x1084, 0x2108, 0x318C, 0x4210, 0x5294,
                                              0x6318, 0x739C, 0x8000, 0x9084, 0xA108, 0xB18C,
                                              0xC210, 0xD294, 0xE318, 0xF39C};
  for (int i = 0; i < count; ++i) {
    const std::uint32_t key = Mix(seed * 7919u + static_cast<std::uint32_t>(i));
    auto pixel = [key](int x, int y) {
      // Smooth bands with noise on top, as painted track-side textures look.
      const std::uint32_t noise = Mix(key ^ static_cast<std::uint32_t>(y * 256 + x)) & 15;
      return static_cast<std::uint8_t>(((x + y) / 8 + key + noise) & 0xFF);
    };
    if (mix == TextureMix::kEightBitTwoSizes) {
      const bool large = i % 3 < 2;
      members.push_back(
          {Numbered("tex", i, ".mip"), BuildRaw8(large ? 256 : 128, large ? 256 : 64, pixel)});
    } else if (i % 5 < 3) {
      members.push_back({Numbered("tex", i, ".mip"), BuildRaw8(256, 256, pixel)});
    } else {
      members.push_back(
          {Numbered("tex", i, ".mi4"),
           BuildRaw4(
               256, 256, [&](int x, int y) { return static_cast<std::uint8_t>(pixel(x, y) & 15); },
               palette, false)});
    }
  }
}

void AddLargeSprites(std::vector<MemberBytes>& members, int count, unsigned seed) {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t key = Mix(seed * 104729u + static_cast<std::uint32_t>(i));
    members.push_back({Numbered("spr", i, ".p16"), BuildP16(64, 64, 32, 64, [key](int x, int y) {
                         return static_cast<std::uint16_t>(
                             0x8000u |
                             (Mix(key + static_cast<std::uint32_t>(y * 64 + x)) & 0x7FFFu));
                       })});
  }
}

// Copies of the sample scenery under numbered names, as a track holds many stands and boards.
void AddLargeObjects(std::vector<MemberBytes>& members, int count) {
  std::vector<MemberBytes> scenery;
  AddDemoObjects(scenery);
  for (int i = 0; i < count; ++i) {
    const MemberBytes& model = scenery[static_cast<std::size_t>(i) % scenery.size()];
    members.push_back({Numbered("obj", i, ".3do"), model.bytes});
  }
}

}  // namespace

std::span<const std::string_view> CartBaseTrackFolders() { return kCartBaseTracks; }

void WriteSmallSampleTrack(const fs::path& root, std::string_view folder) {
  SourceTrack track = TrackWithDescription(folder);
  AddDemoImages(track.members);
  AddDemoObjects(track.members);
  AddSampleTrackFiles(track.folder, track.members, track.loose);
  WriteSourceTrack(root, track);
}

void WriteLargeSampleTrack(const fs::path& root, std::string_view folder,
                           const LargeTrackSize& size, unsigned seed) {
  SourceTrack track = TrackWithDescription(folder);
  AddLargeTextures(track.members, size.textures, seed, size.mix);
  AddLargeObjects(track.members, size.objects);
  AddLargeSprites(track.members, size.sprites, seed);
  AddSampleTrackFiles(track.folder, track.members, track.loose);
  WriteSourceTrack(root, track);
}

}  // namespace velmora::samples
