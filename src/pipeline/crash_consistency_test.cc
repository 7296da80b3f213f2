// A conversion killed at any instant leaves each file of the user's GPL installation that it
// replaces (the season files, track.ini, the track archive) either as it was or as a finished
// conversion writes it, never cut short. Each trial runs a conversion over an earlier
// conversion of the same track in a child process and kills it with SIGKILL after a delay.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "pipeline/finishing_test_support.h"
#include "samples/archive_builder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using UserFiles = std::vector<std::optional<std::vector<std::uint8_t>>>;

constexpr int kUniformKillPoints = 24;
constexpr int kLateKillPoints = 24;  // in the last fifth of the run, where the user files change

const std::vector<fs::path> kWatched = {"seasons/67season.ini", "seasons/gp.ini",
                                        "tracks/kestrel/track.ini", "tracks/kestrel/kestrel.dat"};

UserFiles Snapshot(const fs::path& gpl) {
  UserFiles files;
  for (const fs::path& file : kWatched) files.push_back(ReadFileBytes(gpl / file));
  return files;
}

class CrashConsistencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path seasons = run_.demo().gpl / "seasons";
    fs::copy(seasons, run_.root() / "seasons");
    // The earlier conversion: its archive, its track.ini, its season entries.
    ASSERT_TRUE(run_.Convert());
    // Since then the user took the track out of the seasons and patches appeared for the
    // track.ini and the archive: the new conversion changes all four files.
    fs::copy(run_.root() / "seasons", seasons,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    WriteFileText(run_.patches() / "kestrel.tni", "[ track ]\r\ntrack_name = Patched\r\n");
    WriteFileBytes(run_.patches() / "kestrel.zad",
                   samples::BuildTrackArchive({{"extra.txt", samples::Bytes("patched")}}));
    before_ = Snapshot(run_.demo().gpl);
    // What a finished conversion leaves.
    const fs::path reference = run_.root() / "reference";
    fs::copy(run_.demo().gpl, reference, fs::copy_options::recursive);
    ASSERT_TRUE(ConvertInto(reference));
    after_ = Snapshot(reference);
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
      ASSERT_TRUE(before_[i] && after_[i]) << kWatched[i];
      ASSERT_NE(before_[i], after_[i]) << kWatched[i] << " does not change";
    }
  }

  bool ConvertInto(const fs::path& gpl) {
    RunRequest request = run_.Request();
    request.gpl_dir = gpl;
    return run_.Convert(request);
  }

  // Runs the conversion over a fresh copy of the "before" installation in a child process,
  // killed after `delay` (or left to finish when negative). The copy's path.
  fs::path Trial(int index, std::chrono::microseconds delay, bool* finished) {
    const fs::path trial = run_.root() / ("trial" + std::to_string(index));
    fs::create_directories(trial / "tmp");
    fs::copy(run_.demo().gpl, trial / "gpl", fs::copy_options::recursive);
    const pid_t child = fork();
    if (child == 0) {
      // The child's temporary folders stay inside the trial, whatever the kill leaves.
      setenv("TMPDIR", (trial / "tmp").c_str(), 1);
      _exit(ConvertInto(trial / "gpl") ? 0 : 1);
    }
    if (delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    *finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return trial / "gpl";
  }

  testkit::DemoConversion run_;
  UserFiles before_;
  UserFiles after_;
};

TEST_F(CrashConsistencyTest, EveryUserFileIsOldOrNewWheneverTheRunIsKilled) {
  bool finished = false;
  const Clock::time_point start = Clock::now();
  const fs::path whole = Trial(0, std::chrono::microseconds(-1), &finished);
  const auto run_time = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  ASSERT_TRUE(finished);
  EXPECT_EQ(Snapshot(whole), after_);

  std::vector<std::chrono::microseconds> delays;
  for (int i = 0; i < kUniformKillPoints; ++i) delays.push_back(run_time * i / kUniformKillPoints);
  for (int i = 0; i < kLateKillPoints; ++i) {
    delays.push_back(run_time * 4 / 5 + run_time * i / (5 * kLateKillPoints));
  }
  int killed = 0, mixed_trials = 0;
  for (std::size_t t = 0; t < delays.size(); ++t) {
    const fs::path gpl = Trial(static_cast<int>(t) + 1, delays[t], &finished);
    killed += finished ? 0 : 1;
    const UserFiles seen = Snapshot(gpl);
    std::size_t trial_new = 0;
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
      trial_new += seen[i] == after_[i] ? 1 : 0;
      EXPECT_TRUE(seen[i] == before_[i] || seen[i] == after_[i])
          << kWatched[i] << " after a kill at " << delays[t].count() << " us of "
          << run_time.count();
    }
    mixed_trials += trial_new > 0 && trial_new < kWatched.size() ? 1 : 0;
    fs::remove_all(gpl.parent_path());
  }
  // The kills landed in the run. How they spread over it depends on the machine's load (the
  // run's length is measured once, up front), so that is recorded rather than required.
  EXPECT_GT(killed, 0);
  RecordProperty("killed", killed);
  RecordProperty("run_time_us", static_cast<int>(run_time.count()));
  RecordProperty("trials_with_old_and_new_files", mixed_trials);
}

}  // namespace
}  // namespace velmora
