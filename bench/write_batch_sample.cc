// velmora_write_batch_sample DIR K: writes a CART/ICR2 installation DIR/source holding K sample
// tracks of realistic size (about 15 MB each: 300 textures of 256 x 256 with varied pixels,
// 40 objects, 40 sprites) and a GPL installation DIR/gpl, for timing `velmora convert --all`.
// bench/run-batch-bench.sh drives it.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "samples/installation_builder.h"
#include "samples/sample_tracks.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const auto folders = velmora::samples::CartBaseTrackFolders();
  int count = 0;
  const std::string_view k = argc == 3 ? argv[2] : "";
  const auto [end, error] = std::from_chars(k.data(), k.data() + k.size(), count);
  if (argc != 3 || error != std::errc() || end != k.data() + k.size() || count < 1 ||
      count > static_cast<int>(folders.size())) {
    std::fprintf(stderr, "usage: velmora_write_batch_sample DIR K   (1 <= K <= %zu)\n",
                 folders.size());
    return 2;
  }
  const fs::path dir = argv[1];
  for (int i = 0; i < count; ++i) {
    velmora::samples::WriteLargeSampleTrack(dir / "source", folders[static_cast<std::size_t>(i)],
                                            {}, static_cast<unsigned>(i + 1));
  }
  velmora::samples::WriteGplInstallation(dir / "gpl");
  std::printf("%d sample tracks in %s, GPL installation in %s\n", count,
              (dir / "source").c_str(), (dir / "gpl").c_str());
  return 0;
}
