// velmora_conversion_bench [--repeat N] VELMORA...: times one conversion of a CART/ICR2 track of
// realistic size (300 varied 8-bit textures of 256 x 256 and 128 x 64, 40 objects, 40 sprites)
// and of the same track at four times the size (and, for the fixed cost of a run, of the small
// sample track), with each `velmora` program given, against the
// floor of the same run: reading the source track's files and writing as many bytes, in as
// many files, as the conversion leaves in the GPL track folder. Each figure is the best of N
// runs (default 5) by user + system time; every conversion starts from a fresh copy of the GPL
// installation.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "samples/installation_builder.h"
#include "samples/sample_tracks.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTrack = "clevland";

struct Cost {
  double wall = 0;
  double user = 0;
  double sys = 0;
  long peak_kib = 0;  // largest resident set
  double cpu() const { return user + sys; }
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// Runs `work` in a child process and measures it as the system accounts it; `exit_code` gets
// the child's status.
Cost MeasureChild(const std::function<int()>& work, int* exit_code) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) _exit(work());
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return {std::chrono::duration<double>(end - start).count(), Seconds(usage.ru_utime),
          Seconds(usage.ru_stime), usage.ru_maxrss};
}

void CopyTree(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::copy(from, to, fs::copy_options::recursive);
}

struct Sample {
  fs::path root;
  std::uintmax_t archive_bytes = 0;
};

// Scale 0 is the small sample track (one texture and sprite of each kind, three objects): what
// a conversion costs whatever the track's size.
Sample WriteSample(const fs::path& root, int scale) {
  if (scale == 0) {
    velmora::samples::WriteSmallSampleTrack(root / "source", kTrack);
    velmora::samples::WriteSampleGplInstallation(root / "gpl-clean");
    const fs::path archive = root / "source" / "tracks" / kTrack / (std::string(kTrack) + ".dat");
    return {root, fs::file_size(archive)};
  }
  velmora::samples::LargeTrackSize size;
  size.textures *= scale;
  size.objects *= scale;
  size.sprites *= scale;
  size.mix = velmora::samples::TextureMix::kEightBitTwoSizes;
  velmora::samples::WriteLargeSampleTrack(root / "source", kTrack, size, 1);
  velmora::samples::WriteSampleGplInstallation(root / "gpl-clean");
  const fs::path archive = root / "source" / "tracks" / kTrack / (std::string(kTrack) + ".dat");
  return {root, fs::file_size(archive)};
}

Cost Convert(const fs::path& velmora, const Sample& sample, int* exit_code) {
  const fs::path gpl = sample.root / "gpl";
  CopyTree(sample.root / "gpl-clean", gpl);
  const std::string program = velmora.string(), source = (sample.root / "source").string(),
                    gpl_text = gpl.string(), settings = (sample.root / "Velmora.INI").string();
  return MeasureChild(
      [&] {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(program.c_str(), program.c_str(), "convert", "--game", "cart", "--source",
              source.c_str(), "--gpl", gpl_text.c_str(), "--track", kTrack,
              "--convert-track-file", "--settings", settings.c_str(), static_cast<char*>(nullptr));
        return 127;
      },
      exit_code);
}

// The floor: read every file of the source track folder whole, then write files of the sizes
// the conversion left in the GPL track folder.
Cost Floor(const Sample& sample, const std::vector<std::uintmax_t>& written, int* exit_code) {
  const fs::path source = sample.root / "source" / "tracks" / kTrack;
  const fs::path scratch = sample.root / "floor";
  fs::remove_all(scratch);
  fs::create_directory(scratch);
  Cost cost = MeasureChild(
      [&] {
        std::vector<char> buffer;
        std::size_t total = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
          std::ifstream in(entry.path(), std::ios::binary);
          buffer.resize(static_cast<std::size_t>(entry.file_size()));
          in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
          total += static_cast<std::size_t>(in.gcount());
        }
        int index = 0;
        for (std::uintmax_t size : written) {
          buffer.resize(static_cast<std::size_t>(size));
          std::ofstream out(scratch / ("file" + std::to_string(index++)), std::ios::binary);
          out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        }
        return total > 0 ? 0 : 1;
      },
      exit_code);
  fs::remove_all(scratch);
  return cost;
}

std::vector<std::uintmax_t> FilesLeft(const fs::path& folder) {
  std::vector<std::uintmax_t> sizes;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) sizes.push_back(entry.file_size());
  }
  return sizes;
}

Cost Best(const std::vector<Cost>& costs) {
  return *std::min_element(costs.begin(), costs.end(),
                           [](const Cost& a, const Cost& b) { return a.cpu() < b.cpu(); });
}

void PrintRow(const char* what, const Cost& cost, const Cost& floor) {
  std::printf("  %-34s wall %6.3f s  user %6.3f s  sys %6.3f s  user+sys %6.3f s  %5.2f x floor"
              "  peak %ld MiB\n",
              what, cost.wall, cost.user, cost.sys, cost.cpu(), cost.cpu() / floor.cpu(),
              cost.peak_kib / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 5;
  std::vector<fs::path> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else {
      programs.emplace_back(argument);
    }
  }
  if (programs.empty()) {
    std::fprintf(stderr, "usage: velmora_conversion_bench [--repeat N] VELMORA...\n");
    return 2;
  }
  char pattern[] = "/tmp/velmora-bench.XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path work = pattern;

  std::vector<std::vector<Cost>> by_program(programs.size());  // per scale
  for (int scale : {0, 1, 4}) {
    const Sample sample = WriteSample(work / std::to_string(scale), scale);
    if (scale == 0) {
      std::printf("small sample track: archive %.2f MB\n", sample.archive_bytes / 1e6);
    } else {
      std::printf("track at %dx: archive %.1f MB\n", scale, sample.archive_bytes / 1e6);
    }
    std::vector<std::vector<Cost>> runs(programs.size());
    std::vector<Cost> floors;
    std::vector<std::uintmax_t> written;
    for (int r = 0; r < repeat; ++r) {
      for (std::size_t p = 0; p < programs.size(); ++p) {
        int code = 0;
        runs[p].push_back(Convert(programs[p], sample, &code));
        if (code != 0) std::printf("  %s exited with %d\n", programs[p].c_str(), code);
        if (p == 0) written = FilesLeft(sample.root / "gpl" / "tracks" / kTrack);
      }
      int code = 0;
      floors.push_back(Floor(sample, written, &code));
    }
    const Cost floor = Best(floors);
    std::printf("  peak memory limit (3 x archive + 64 MiB): %llu MiB\n",
                static_cast<unsigned long long>((3 * sample.archive_bytes >> 20) + 64));
    PrintRow("floor (read source, write output)", floor, floor);
    for (std::size_t p = 0; p < programs.size(); ++p) {
      const Cost best = Best(runs[p]);
      by_program[p].push_back(best);
      PrintRow(programs[p].c_str(), best, floor);
    }
    fs::remove_all(sample.root);
  }
  std::printf("growth from 1x to 4x (user+sys):\n");
  for (std::size_t p = 0; p < programs.size(); ++p) {
    std::printf("  %-34s %.2f x\n", programs[p].c_str(),
                by_program[p][2].cpu() / by_program[p][1].cpu());
  }
  fs::remove_all(work);
  return 0;
}
