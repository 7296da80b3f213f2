// Drives `velmora check` and the scene of `velmora show` over a GPL track folder held in memory
// with one mutated file: each input replaces one file, chosen by the input's first byte, with
// the rest of the input. Nothing is read from or written to disk per input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "samples/archive_builder.h"
#include "samples/track_builders.h"
#include "trackview/folder_check.h"
#include "trackview/track_folder.h"
#include "trackview/track_scene.h"

namespace {

// The names an input may replace; the pack itself is one of them.
const char* const kNames[] = {"kestrel.dat", "kestrel.trk", "race.lp",   "pit.lp",
                              "ksky.mip",    "kflag.srb",   "page0.pbf", "kboards.3do"};

// The scene reads the track file (loose or packed), the race and pit lines and the objects;
// replacing any other file leaves it the scene of the untouched folder.
bool SceneReads(std::string_view name) {
  return name != "ksky.mip" && name != "kflag.srb" && name != "page0.pbf";
}

struct Folder {
  std::vector<std::uint8_t> pack;
  std::vector<std::uint8_t> line;
};

const Folder& TheFolder() {
  static const Folder* folder = [] {
    auto* made = new Folder();
    made->pack = velmora::samples::BuildTrackArchive(
        {{"kestrel.trk", velmora::samples::BuildTemplateTrackFile()},
         {"ksky.mip", velmora::samples::Bytes("not a texture")}});
    made->line = std::vector<std::uint8_t>(8 + 20 * 4, 0);
    made->line[0] = 2;
    made->line[2] = 1;
    made->line[4] = 4;
    return made;
  }();
  return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const Folder& folder = TheFolder();
  const std::string name = kNames[data[0] % std::size(kNames)];
  std::vector<velmora::HeldFile> files = {{"kestrel.dat", folder.pack}};
  for (const char* line : velmora::kRacingLineFiles) files.push_back({line, folder.line});
  std::erase_if(files, [&](const velmora::HeldFile& file) { return file.name == name; });
  files.push_back({name, std::span(data + 1, size - 1)});

  velmora::Result<velmora::TrackFolder> opened =
      velmora::TrackFolder::FromFiles("tracks/kestrel", files);
  if (!opened.ok()) return 0;
  // The check and the scene take the one track file loaded, as the program's callers do.
  const velmora::FolderTrack track = opened->LoadTrack();
  (void)velmora::CheckTrackFolder(*opened, track).Text();
  // Thirty points a line still take both ways of sampling a track (the template's arcs alone
  // pass them). The wall budget draws the template's walls over its first sections and meets
  // its own end on the rest: both ways a wall piece goes, for a third of the points.
  if (SceneReads(name)) (void)velmora::BuildTrackScene(*opened, track, {30, 200});
  return 0;
}
