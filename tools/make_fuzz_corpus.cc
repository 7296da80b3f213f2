// Writes the fuzz targets' seed corpora, one folder per target, from the test builders:
//   velmora_make_fuzz_corpus fuzz/corpus
// Each seed is a small, valid input of the reader its target feeds (with the target's leading
// selector byte where it has one), so the fuzzers start from files that load and go deep.
// The output is committed under fuzz/corpus/.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "image/mip_file.h"
#include "image/srb_file.h"
#include "platform/file_system.h"
#include "samples/archive_builder.h"
#include "samples/image_builders.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"

namespace {

namespace fs = std::filesystem;
using velmora::samples::MemberBytes;
using Bytes = std::vector<std::uint8_t>;

struct Seed {
  std::string name;
  Bytes bytes;
};

Bytes Selected(std::uint8_t selector, const Bytes& body) {
  Bytes out = {selector};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::uint8_t Checker(int x, int y) {
  return static_cast<std::uint8_t>(((x / 4 + y / 4) % 2) ? 40 : 46);
}

std::vector<Seed> TrackArchiveSeeds() {
  std::vector<MemberBytes> members;
  std::vector<MemberBytes> loose;
  velmora::samples::AddSampleTrackFiles("kestrel", members, loose);
  members.push_back({"kestrel.txt", velmora::samples::Bytes("SNAME Kestrel\r\n")});
  members.push_back({"kwall.mip", velmora::samples::BuildRaw8(8, 8, Checker)});
  std::vector<MemberBytes> small = {{"a.txt", velmora::samples::Bytes("one")},
                                    {"b.lp", velmora::samples::Bytes("two")}};
  return {{"sample_track.dat", velmora::samples::BuildTrackArchive(members)},
          {"two_members.dat", velmora::samples::BuildTrackArchive(small)},
          {"empty.dat", velmora::samples::BuildTrackArchive({})}};
}

std::vector<Seed> TrackGeometrySeeds() {
  const velmora::samples::TrackSpec spec = velmora::samples::SampleCircuitSpec();
  return {{"gpl_layout.trk", velmora::samples::BuildTrackFile(spec, 1)},
          {"source_layout.trk", velmora::samples::BuildTrackFile(spec, 6)},
          {"newest_layout.trk", velmora::samples::BuildTrackFile(spec, 3000)}};
}

std::vector<Seed> RacingLineSeeds() {
  return {{"race_60.lp", velmora::samples::BuildSourceRacingLine(
                             velmora::samples::SampleRacingLinePoints(60, 0))},
          {"race_3.lp", velmora::samples::BuildSourceRacingLine(
                            velmora::samples::SampleRacingLinePoints(3, 19685))}};
}

std::vector<Seed> TextureSeeds() {
  const std::vector<std::uint16_t> entries = {0x0000, 0x7C00, 0x03E0, 0x001F, 0x7FFF};
  auto index4 = [](int x, int y) { return static_cast<std::uint8_t>((x + y) % 5); };
  auto pixel16 = [](int x, int y) { return static_cast<std::uint16_t>(x * 64 + y); };
  auto rgb = [](int x, int y) {
    return velmora::samples::Rgb24{static_cast<std::uint8_t>(x * 8),
                                   static_cast<std::uint8_t>(y * 8), 90};
  };
  const std::vector<std::uint32_t> bgra = {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000,
                                           0xFFFFFFFF};
  // Selector byte: path (low three bits), palette mode (bit 7), sixteen-bit request (bit 3).
  return {{"raw8.mip", Selected(0, velmora::samples::BuildRaw8(16, 8, Checker))},
          {"mip8_levels.mip", Selected(0, velmora::samples::BuildMip8(16, 16, Checker, false, 3))},
          {"mip4.mip", Selected(0x80, velmora::samples::BuildMip4(16, 8, index4, bgra, true))},
          {"raw4.mi4", Selected(1, velmora::samples::BuildRaw4(16, 8, index4, entries, true))},
          {"raw16.m16", Selected(2, velmora::samples::BuildRaw16(8, 8, pixel16))},
          {"pcx24.pcx", Selected(3, velmora::samples::BuildPcx24(8, 4, rgb, 1))},
          {"asphalt_raw8.mip", Selected(4, velmora::samples::BuildRaw8(16, 16, Checker))},
          {"sky16.m16", Selected(7 | 8, velmora::samples::BuildRaw16(16, 4, pixel16))}};
}

std::vector<Seed> SpriteSeeds() {
  auto index = [](int x, int y) { return static_cast<std::uint8_t>(40 + (x + y) % 6); };
  auto pixel16 = [](int x, int) { return static_cast<std::uint16_t>(x < 4 ? 0xFC00 : 0xFFFF); };
  std::vector<std::uint8_t> pixels(8 * 8 * 2, 0xFF);
  velmora::MipOut mip;
  mip.type = velmora::kMipType16BitTransparent;
  mip.width_log2 = mip.height_log2 = 3;
  mip.levels.push_back({8, 8, 16, pixels});
  const velmora::SpriteHeader header{1.0f, 1.0f, 6.0f, 8.0f, 3.0f, 8.0f};
  // Selector byte: 0 the N-series sprite, 1 ".pmp", 2 ".pm4", 3 ".p16".
  return {{"nseries_words.srb",
           Selected(0, velmora::samples::BuildNSeriesSrb(6, 5, 39370, 19685, 3, 5, 0, index))},
          {"nseries_half_width.srb",
           Selected(0, velmora::samples::BuildNSeriesSrb(7, 4, 19685, 19685, 3, 4, 1, index))},
          // One pixel wide and 257 rows: the height fold that once wrote past the pixels.
          {"nseries_tall_odd.srb",
           Selected(0, velmora::samples::BuildNSeriesSrb(
                           1, 257, 0, 0, 0, 0, 0, [](int, int) { return std::uint8_t{0}; }))},
          {"nseries_header_layout.srb", Selected(0, velmora::BuildSrb(header, mip))},
          {"runs.pmp",
           Selected(1, velmora::samples::BuildPmp({{120, 118, 130, 40}, {121, 119, 129, 45}}))},
          {"four_bit.pm4",
           Selected(2, velmora::samples::BuildPm4(9, 6, 4, 6, index, {0x0000, 0xFC00, 0xFFFF}))},
          {"sixteen_bit.p16", Selected(3, velmora::samples::BuildP16(9, 6, 4, 6, pixel16))}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const std::vector<std::pair<std::string, std::function<std::vector<Seed>()>>> targets = {
      {"fuzz_track_archive", TrackArchiveSeeds},
      {"fuzz_track_geometry", TrackGeometrySeeds},
      {"fuzz_racing_lines", RacingLineSeeds},
      {"fuzz_texture", TextureSeeds},
      {"fuzz_sprite", SpriteSeeds},
  };
  for (const auto& [target, seeds] : targets) {
    std::error_code ec;
    fs::create_directories(root / target, ec);
    for (const Seed& seed : seeds()) {
      if (!velmora::WriteFileBytes(root / target / seed.name, seed.bytes)) {
        std::fprintf(stderr, "cannot write %s\n", (root / target / seed.name).c_str());
        return 1;
      }
    }
  }
  return 0;
}
