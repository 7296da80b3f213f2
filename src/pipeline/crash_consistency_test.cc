// A conversion killed at any instant (SIGKILL in a child process) leaves each user file it
// replaces either as it was or as a finished conversion writes it, never cut short.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "samples/archive_builder.h"
#include "testing/demo_conversion.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using UserFiles = std::vector<std::optional<std::vector<std::uint8_t>>>;

constexpr int kKillPoints = 24;

const std::vector<fs::path> kWatched = {"seasons/67season.ini", "seasons/gp.ini",
                                        "tracks/kestrel/track.ini", "tracks/kestrel/kestrel.dat"};

UserFiles Snapshot(const fs::path& gpl) {
  UserFiles files;
  for (const fs::path& file : kWatched) files.push_back(ReadFileBytes(gpl / file));
  return files;
}

TEST(CrashConsistencyTest, EveryUserFileIsOldOrNewWheneverTheRunIsKilled) {
  testkit::DemoConversion run;
  const fs::path gpl = run.demo().gpl;
  auto convert_into = [&](const fs::path& into) {
    return run.Convert({run.demo().source, into, run.demo().track});
  };
  fs::copy(gpl / "seasons", run.root() / "seasons");
  // The earlier conversion: its archive, its track.ini, its season entries.
  ASSERT_TRUE(run.Convert());
  // Since then the user took the track out of the seasons and patches appeared for the
  // track.ini and the archive: the new conversion changes all four files.
  fs::copy(run.root() / "seasons", gpl / "seasons",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  WriteFileText(run.patches() / "kestrel.tni", "[ track ]\r\ntrack_name = Patched\r\n");
  WriteFileBytes(run.patches() / "kestrel.zad",
                 samples::BuildTrackArchive({{"extra.txt", samples::Bytes("patched")}}));
  const UserFiles before = Snapshot(gpl);
  // What a finished conversion leaves, and how long it takes.
  fs::copy(gpl, run.root() / "reference", fs::copy_options::recursive);
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(convert_into(run.root() / "reference"));
  const auto run_time = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  const UserFiles after = Snapshot(run.root() / "reference");
  for (std::size_t i = 0; i < kWatched.size(); ++i) {
    ASSERT_TRUE(before[i] && after[i] && before[i] != after[i]) << kWatched[i] << " changes";
  }

  // Converts a fresh copy of "before" in a child killed after `delay` (never when negative).
  auto trial = [&](const fs::path& folder, std::chrono::microseconds delay) {
    fs::create_directories(folder / "tmp");
    fs::copy(gpl, folder / "gpl", fs::copy_options::recursive);
    const pid_t child = fork();
    if (child == 0) {
      // The child's temporary folders stay inside the trial, whatever the kill leaves.
      setenv("TMPDIR", (folder / "tmp").c_str(), 1);
      _exit(convert_into(folder / "gpl") ? 0 : 1);
    }
    if (delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  // Left alone, a trial finishes as the reference did.
  ASSERT_TRUE(trial(run.root() / "whole", std::chrono::microseconds(-1)));
  EXPECT_EQ(Snapshot(run.root() / "whole" / "gpl"), after);
  // Kills spread over the run, and as many again in its last fifth, where the user files change.
  std::vector<std::chrono::microseconds> delays;
  for (int i = 0; i < kKillPoints; ++i) {
    delays.push_back(run_time * i / kKillPoints);
    delays.push_back(run_time * 4 / 5 + run_time * i / (5 * kKillPoints));
  }
  int killed = 0;
  for (std::size_t t = 0; t < delays.size(); ++t) {
    const fs::path folder = run.root() / ("trial" + std::to_string(t));
    killed += trial(folder, delays[t]) ? 0 : 1;
    const UserFiles seen = Snapshot(folder / "gpl");
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
      EXPECT_TRUE(seen[i] == before[i] || seen[i] == after[i])
          << kWatched[i] << " after a kill at " << delays[t].count() << " us of "
          << run_time.count();
    }
    fs::remove_all(folder);
  }
  EXPECT_GT(killed, 0);  // how the kills spread depends on the machine's load
}

}  // namespace
}  // namespace velmora
