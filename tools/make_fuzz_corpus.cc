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
#include "image/raw_texture.h"
#include "image/srb_file.h"
#include "object/object_file.h"
#include "object/source_object_writer.h"
#include "platform/file_system.h"
#include "samples/archive_builder.h"
#include "samples/image_builders.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"
#include "samples/track_object_builder.h"

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
  const velmora::samples::TrackSpec plan = velmora::samples::SampleCircuitSpec();
  return {{"gpl_layout.trk", velmora::samples::BuildTrackFile(plan, 1)},
          {"source_layout.trk", velmora::samples::BuildTrackFile(plan, 6)},
          {"newest_layout.trk", velmora::samples::BuildTrackFile(plan, 3000)}};
}

// Selector byte: which of the six lines (0 race, 1 pit, 2 and 3 overtaking, 4 and 5 edges).
std::vector<Seed> RacingLineSeeds() {
  return {
      {"race_60.lp", Selected(0, velmora::samples::BuildSourceRacingLine(
                                     velmora::samples::SampleRacingLinePoints(60, 0)))},
      {"pass1_3.lp", Selected(2, velmora::samples::BuildSourceRacingLine(
                                     velmora::samples::SampleRacingLinePoints(3, 19685)))},
      {"maxrace_900.lp", Selected(4, velmora::samples::BuildSourceRacingLine(
                                         velmora::samples::SampleRacingLinePoints(900, -9000)))}};
}

// A small 3DO3 object: polygons flat and textured, an attribute, a sprite, a split, a
// placement and a reference.
Bytes Sample3do3() {
  velmora::samples::Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  const std::uint32_t flat = b.Polygon(0, 1, {a, c, d});
  const std::uint32_t textured = b.Polygon(1, 1, {d, c, a}, {{0, 0}, {63, 0}, {0, 63}});
  const std::uint32_t wall = b.TextureAttribute(textured, 1, "wall");
  const std::uint32_t sprite = b.Sprite(a, "tree", 19685);
  const std::uint32_t split = b.Split(6, 0, 0, 1, 0, 0, {flat, wall});
  const std::uint32_t placed = b.Placement(13, 19685, 0, 0, 0, 0, 0, b.ObjectRef("_cone"));
  b.Group({split, sprite, placed});
  return b.Build();
}

// A small untagged object: the same kinds of records.
Bytes SampleUntagged() {
  velmora::samples::UntaggedBuilder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  const auto wall = static_cast<std::uint32_t>(b.Texture("wall"));
  const auto tree = static_cast<std::uint32_t>(b.Sprite("tree"));
  const std::uint32_t flat = b.FlatPolygon(5, {a, c, d});
  const std::uint32_t textured = b.Attribute(wall, b.Polygon(1, 5, {d, c, a}));
  const std::uint32_t sprite = b.SpriteRecord(a, 19685, tree);
  const std::uint32_t split = b.Split(6, 0, 0, 1, 0, 0, {flat, textured});
  const std::uint32_t placement = b.Placement(19685, 0, 0, 0, 0, 0, 1);
  const std::uint32_t near = b.Group({split, sprite, placement});
  const std::uint32_t far = b.Split(5, 0, 0, 1, 0xFFFFFFFF, -1, {flat});
  // A detail switch under a head, as the game's cars hold their models.
  b.Head(b.DetailSwitch(a, {{50000, far}, {0, near}}), {placement});
  return b.Build();
}

std::vector<Seed> Object3do3Seeds() { return {{"sample.3do", Sample3do3()}}; }

// A small untagged track object: two sections of a short curving track, three of their lanes
// divided, with edges and skid marks. The demo's track object holds the same record kinds in 74 KB,
// and a seed that large makes the fuzzer's inputs as large and its runs many times slower.
Bytes SmallTrackObject() {
  velmora::samples::TrackObjectSpec plan;
  const velmora::TrackGeometry track = velmora::samples::CurvingTrack();
  plan.starts = {0, track.track_length() / 2};
  plan.dividers = {2, 0, 0, 1, 0, 0, 2};
  plan.edges = true;
  plan.skid_marks = true;
  plan.left_dlat_metres = 5.0;
  return velmora::samples::BuildTrackObject(plan, track, 1);
}

std::vector<Seed> ObjectUntaggedSeeds() {
  std::vector<MemberBytes> members;
  velmora::samples::AddDemoObjects(members);
  std::vector<Seed> seeds = {{"sample.3do", SampleUntagged()},
                             {"small_track.3do", SmallTrackObject()}};
  for (const MemberBytes& member : members) {
    if (member.name != "ktrack.3do") seeds.push_back({member.name, member.bytes});
  }
  return seeds;
}

// GPL objects as this program writes them.
std::vector<Seed> ObjectGplSeeds() {
  std::vector<Seed> seeds;
  for (const Seed& source :
       {Seed{"from_3do3.3do", Sample3do3()}, Seed{"from_untagged.3do", SampleUntagged()}}) {
    velmora::Result<velmora::ObjectFile> file = velmora::ReadObjectBytes(source.bytes, "x.3do");
    if (!file.ok() || !file->source || !file->source->BuildTree().ok()) continue;
    seeds.push_back({source.name, velmora::BuildGplObject(*file->source, {})});
  }
  return seeds;
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
  std::vector<std::uint8_t> plain8;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) plain8.push_back(Checker(x, y));
  }
  return {{"raw8.mip", Selected(0, velmora::samples::BuildRaw8(16, 8, Checker, 3))},
          {"raw8_without_row_copies.mip",
           Selected(0, velmora::BuildRawTexture(velmora::RawTextureKind::k8Bit, 16, 8, plain8))},
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
      {"fuzz_object_3do3", Object3do3Seeds},
      {"fuzz_object_untagged", ObjectUntaggedSeeds},
      {"fuzz_object_gpl", ObjectGplSeeds},
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
