// Drives `velmora check` and the scene of `velmora show` over a GPL track folder holding one
// mutated file. The folder is written once per process; each input replaces one file, chosen
// by the input's first byte, with the rest of the input, and the file is put back afterwards.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "trackview/folder_check.h"
#include "trackview/track_folder.h"
#include "trackview/track_scene.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/archive_builder.h"
#include "samples/track_builders.h"

namespace {

namespace fs = std::filesystem;

// The names an input may replace; the pack itself is one of them.
const char* const kNames[] = {"kestrel.dat", "kestrel.trk", "race.lp",   "pit.lp",
                              "ksky.mip",    "kflag.srb",   "page0.pbf", "kboards.3do"};

struct Folder {
  std::optional<velmora::TempFolder> root = velmora::TempFolder::Create("fuzz");
  fs::path track = root->path() / "kestrel";
  std::vector<std::uint8_t> pack;
  std::vector<std::uint8_t> line;
};

Folder& TheFolder() {
  static Folder* folder = [] {
    auto* made = new Folder();
    fs::create_directories(made->track);
    made->pack = velmora::samples::BuildTrackArchive(
        {{"kestrel.trk", velmora::samples::BuildTemplateTrackFile()},
         {"ksky.mip", velmora::samples::Bytes("not a texture")}});
    velmora::WriteFileBytesExact(made->track / "kestrel.dat", made->pack);
    made->line = std::vector<std::uint8_t>(8 + 20 * 4, 0);
    made->line[0] = 2;
    made->line[2] = 1;
    made->line[4] = 4;
    for (const char* name : velmora::kRacingLineFiles) {
      velmora::WriteFileBytesExact(made->track / name, made->line);
    }
    return made;
  }();
  return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Folder& folder = TheFolder();
  const std::string name = kNames[data[0] % std::size(kNames)];
  velmora::WriteFileBytesExact(folder.track / name, std::span(data + 1, size - 1));

  velmora::Result<velmora::CheckReport> report = velmora::CheckTrackFolder(folder.track);
  if (report.ok()) (void)report->Text();
  velmora::Result<velmora::TrackFolder> opened = velmora::TrackFolder::Open(folder.track);
  if (opened.ok()) (void)velmora::BuildTrackScene(*opened);

  // Put the folder back as it was for the next input.
  if (name == "kestrel.dat") {
    velmora::WriteFileBytesExact(folder.track / name, folder.pack);
  } else if (name == "race.lp" || name == "pit.lp") {
    velmora::WriteFileBytesExact(folder.track / name, folder.line);
  } else {
    std::error_code ec;
    fs::remove(folder.track / name, ec);
  }
  return 0;
}
