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

#include "pipeline/source_games.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/archive_builder.h"
#include "samples/installation_builder.h"
#include "track/patch_set.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kUniformKillPoints = 24;
constexpr int kLateKillPoints = 24;  // in the last fifth of the run, where the user files change

struct UserFiles {
  std::vector<std::optional<std::vector<std::uint8_t>>> bytes;
};

const std::vector<fs::path> kWatched = {"seasons/67season.ini", "seasons/gp.ini",
                                        "tracks/kestrel/track.ini", "tracks/kestrel/kestrel.dat"};

UserFiles Snapshot(const fs::path& gpl) {
  UserFiles files;
  for (const fs::path& file : kWatched) files.bytes.push_back(ReadFileBytes(gpl / file));
  return files;
}

class CrashConsistencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    demo_ = samples::WriteDemoInstallations(root_ / "demo");
    fs::create_directories(patches_);
    const fs::path seasons = demo_.gpl / "seasons";
    for (const char* season : {"67season.ini", "gp.ini"}) {
      fs::copy_file(seasons / season, root_ / season);
    }
    // The earlier conversion: its archive, its track.ini, its season entries.
    ASSERT_TRUE(Convert(demo_.gpl));
    // Since then the user took the track out of the seasons, the source track lost a sprite,
    // and a track.ini patch appeared: the new conversion changes all four files.
    for (const char* season : {"67season.ini", "gp.ini"}) {
      fs::copy_file(root_ / season, seasons / season, fs::copy_options::overwrite_existing);
    }
    DropSourceMember("kflag.p16");
    WriteFileText(patches_ / "kestrel.tni", "[ track ]\r\ntrack_name = Patched\r\n");
    before_ = Snapshot(demo_.gpl);
    // What a finished conversion leaves.
    const fs::path reference = root_ / "reference";
    fs::copy(demo_.gpl, reference, fs::copy_options::recursive);
    ASSERT_TRUE(Convert(reference));
    after_ = Snapshot(reference);
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
      ASSERT_TRUE(before_.bytes[i] && after_.bytes[i]) << kWatched[i];
      ASSERT_NE(before_.bytes[i], after_.bytes[i]) << kWatched[i] << " does not change";
    }
  }

  bool Convert(const fs::path& gpl) {
    RecordingMessageSink messages;
    Settings settings(root_ / "Velmora.INI", "/home/racer");
    settings.Override(kOptionsSection, kTrackFileConversionKey, "1");
    settings.Override(kDirectoriesSection, kPatchesKey, patches_.string());
    ResourceStore resources(EmbeddedFiles());
    TrackConverter converter(Services{messages, settings, resources});
    return converter.Convert(SourceGame::kCart, {demo_.source, gpl, demo_.track});
  }

  void DropSourceMember(std::string_view name) {
    const fs::path archive = demo_.source / "tracks" / demo_.track / (demo_.track + ".dat");
    const std::vector<std::uint8_t> bytes = *ReadFileBytes(archive);
    std::vector<samples::MemberBytes> kept;
    const Result<std::vector<PatchMember>> members = ReadPatchDirectory(bytes);
    for (const PatchMember& member : *members) {
      if (member.name == name) continue;
      kept.push_back({member.name, std::vector<std::uint8_t>(
                                       bytes.begin() + static_cast<std::ptrdiff_t>(member.offset),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(
                                                           member.offset + member.length))});
    }
    ASSERT_LT(kept.size(), members->size()) << name << " not in the source";
    WriteFileBytes(archive, samples::BuildTrackArchive(kept));
  }

  // Runs the conversion over a fresh copy of the "before" installation in a child process,
  // killed after `delay` (or left to finish when negative). The copy's path.
  fs::path Trial(int index, std::chrono::microseconds delay, bool* finished) {
    const fs::path trial = root_ / ("trial" + std::to_string(index));
    fs::create_directories(trial);
    fs::copy(demo_.gpl, trial / "gpl", fs::copy_options::recursive);
    fs::create_directories(trial / "tmp");
    const pid_t child = fork();
    if (child == 0) {
      // The child's temporary folders stay inside the trial, whatever the kill leaves.
      setenv("TMPDIR", (trial / "tmp").c_str(), 1);
      _exit(Convert(trial / "gpl") ? 0 : 1);
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

  std::optional<TempFolder> folder_ = TempFolder::Create("crash");
  fs::path root_ = folder_->path();
  fs::path patches_ = root_ / "patches";
  samples::DemoInstallations demo_;
  UserFiles before_;
  UserFiles after_;
};

TEST_F(CrashConsistencyTest, EveryUserFileIsOldOrNewWheneverTheRunIsKilled) {
  bool finished = false;
  const Clock::time_point start = Clock::now();
  const fs::path whole = Trial(0, std::chrono::microseconds(-1), &finished);
  const auto run_time = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  ASSERT_TRUE(finished);
  EXPECT_EQ(Snapshot(whole).bytes, after_.bytes);

  std::vector<std::chrono::microseconds> delays;
  for (int i = 0; i < kUniformKillPoints; ++i) delays.push_back(run_time * i / kUniformKillPoints);
  for (int i = 0; i < kLateKillPoints; ++i) {
    delays.push_back(run_time * 4 / 5 + run_time * i / (5 * kLateKillPoints));
  }
  int killed = 0, old_files = 0, new_files = 0, mixed_trials = 0;
  for (std::size_t t = 0; t < delays.size(); ++t) {
    const fs::path gpl = Trial(static_cast<int>(t) + 1, delays[t], &finished);
    killed += finished ? 0 : 1;
    const UserFiles seen = Snapshot(gpl);
    int trial_new = 0;
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
      const bool is_old = seen.bytes[i] == before_.bytes[i];
      const bool is_new = seen.bytes[i] == after_.bytes[i];
      old_files += is_old ? 1 : 0;
      new_files += is_new ? 1 : 0;
      trial_new += is_new ? 1 : 0;
      EXPECT_TRUE(is_old || is_new) << kWatched[i] << " after a kill at " << delays[t].count()
                                    << " us of " << run_time.count();
    }
    mixed_trials += trial_new > 0 && trial_new < static_cast<int>(kWatched.size()) ? 1 : 0;
    fs::remove_all(gpl.parent_path());
  }
  // The kills landed in the run. How they spread over it depends on the machine's load (the
  // run's length is measured once, up front), so that is recorded rather than required.
  EXPECT_GT(killed, 0);
  RecordProperty("kill_points", static_cast<int>(delays.size()));
  RecordProperty("killed", killed);
  RecordProperty("run_time_us", static_cast<int>(run_time.count()));
  RecordProperty("old_files", old_files);
  RecordProperty("new_files", new_files);
  RecordProperty("trials_with_old_and_new_files", mixed_trials);
}

}  // namespace
}  // namespace velmora
