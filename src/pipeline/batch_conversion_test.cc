#include "pipeline/batch_conversion.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/finishing_test_support.h"
#include "platform/ascii.h"
#include "platform/folder_lock.h"
#include "platform/progress_sink.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Chains = std::vector<std::vector<std::size_t>>;

// Records what a batch reports per track, from whichever thread it comes.
class RecordingObserver : public BatchObserver {
 public:
  void Started(std::size_t track) override { Add(track, "started"); }
  void Message(std::size_t track, std::string_view text) override {
    Add(track, "message " + std::string(text));
  }
  void Progress(std::size_t track, int low, int high, int position) override {
    Add(track, "progress " + std::to_string(low) + "-" + std::to_string(high) + " " +
                   std::to_string(position));
  }
  void Ended(std::size_t track, const BatchTrackResult& result) override {
    Add(track, result.finished ? "ended finished" : "ended stopped");
  }
  std::vector<std::string> EventsOf(std::size_t track) {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_[track];
  }

 private:
  void Add(std::size_t track, std::string event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_[track].push_back(std::move(event));
  }
  std::mutex mutex_;
  std::map<std::size_t, std::vector<std::string>> events_;
};

// Tracks 0 and 2 go into one GPL folder, 3 and 4 into another (letter case aside).
const std::vector<BatchTrack> kTracks = {
    {"dethq", "detroit"}, {"Elkhart", "Elkhart"}, {"detroit", "Detroit"},
    {"Laguna", "Laguna"}, {"lagunahq", "LAGUNA"},
};

TEST(BatchConversionTest, TracksIntoOneGplFolderShareAChainInListOrder) {
  EXPECT_EQ(ChainsByGplTrack(kTracks), (Chains{{0, 2}, {1}, {3, 4}}));
  EXPECT_EQ(ChainsByGplTrack({}), Chains{});
}

// Across job counts: no two runs into one GPL folder overlap, a chain keeps list order, and
// results, first messages and stops land on their own track.
TEST(BatchConversionTest, SameFolderNeverOverlapsAndResultsStayInListOrder) {
  for (int jobs : {1, 2, 3, 8}) {
    SCOPED_TRACE("jobs " + std::to_string(jobs));
    std::mutex mutex;
    std::map<std::string, int> busy;  // GPL folder -> runs inside it
    std::map<std::string, std::vector<std::size_t>> order;
    bool overlapped = false;
    RecordingObserver observer;
    FolderLock lock;
    auto results = RunBatch(
        kTracks, jobs,
        [&](std::size_t i, MessageSink& messages, ProgressSink& progress, const SeasonTurn&) {
          const std::string folder = AsciiLower(kTracks[i].gpl_track);
          {
            std::lock_guard<std::mutex> guard(mutex);
            overlapped = overlapped || busy[folder]++ > 0;
            order[folder].push_back(i);
          }
          progress.SetRange(0, 4);
          progress.Step();
          if (i % 2 == 1) messages.Show("first of " + kTracks[i].folder);
          messages.Show("second");
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
          std::lock_guard<std::mutex> guard(mutex);
          --busy[folder];
          return i != 3;
        },
        observer, lock);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(order["detroit"], (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(order["laguna"], (std::vector<std::size_t>{3, 4}));
    ASSERT_EQ(results.size(), kTracks.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
      SCOPED_TRACE(kTracks[i].folder);
      EXPECT_EQ(results[i].finished, i != 3);
      EXPECT_EQ(results[i].first_message, i % 2 == 1 ? "first of " + kTracks[i].folder : "second");
      EXPECT_GT(results[i].seconds, 0.0);
      const std::vector<std::string> events = observer.EventsOf(i);
      ASSERT_GE(events.size(), 4u);
      EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 3),
                (std::vector<std::string>{"started", "progress 0-4 0", "progress 0-4 1"}));
      EXPECT_EQ(events.back(), i != 3 ? "ended finished" : "ended stopped");
    }
  }
}

// With two jobs, runs into different folders overlap: each waits until the other has started
// (a serial batch would make the first give up after ten seconds).
TEST(BatchConversionTest, DifferentFoldersRunSideBySide) {
  std::mutex mutex;
  std::condition_variable changed;
  int started = 0;
  RecordingObserver observer;
  FolderLock lock;
  auto results = RunBatch(
      std::vector<BatchTrack>{{"a", "one"}, {"b", "two"}}, 2,
      [&](std::size_t, MessageSink&, ProgressSink&, const SeasonTurn&) {
        std::unique_lock<std::mutex> guard(mutex);
        ++started;
        changed.notify_all();
        return changed.wait_for(guard, std::chrono::seconds(10), [&] { return started == 2; });
      },
      observer, lock);
  EXPECT_TRUE(results[0].finished && results[1].finished);
}

// Later tracks that get to their season edits first wait for the earlier ones, so the season
// files list the events in list order; a track that stops before its edits holds nobody up.
TEST(BatchConversionTest, SeasonEditsTakeTurnsInListOrder) {
  std::optional<TempFolder> folder = TempFolder::Create("batch");
  std::mutex mutex;
  std::vector<std::size_t> order;
  RecordingObserver observer;
  FolderLock lock;
  auto results = RunBatch(
      std::vector<BatchTrack>{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}}, 5,
      [&](std::size_t i, MessageSink&, ProgressSink&, const SeasonTurn& turn) {
        if (i == 2) return false;  // stops early
        std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 200 : 10 * (5 - i)));
        const std::shared_ptr<void> held = turn(folder->path());
        std::lock_guard<std::mutex> guard(mutex);
        order.push_back(i);
        return true;
      },
      observer, lock);
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 3, 4}));
  EXPECT_FALSE(results[2].finished);
}

TEST(BatchConversionTest, AThrowingRunStopsOnlyItsTrack) {
  RecordingObserver observer;
  FolderLock lock;
  auto results = RunBatch(
      std::vector<BatchTrack>{{"a", "one"}, {"b", "one"}, {"c", "two"}}, 2,
      [&](std::size_t i, MessageSink&, ProgressSink& progress, const SeasonTurn&) {
        if (i == 0) throw std::runtime_error("out of memory");
        progress.SetRange(0, 1);
        progress.Step();
        progress.Step();  // past the top: the bar stays there
        return true;
      },
      observer, lock);
  EXPECT_FALSE(results[0].finished);
  EXPECT_EQ(results[0].first_message, "Conversion stopped: out of memory");
  EXPECT_TRUE(results[1].finished);  // the next track into the same folder still runs
  EXPECT_TRUE(results[2].finished);
  EXPECT_EQ(observer.EventsOf(2).at(3), "progress 0-1 1");
}

// A whole run given a turn waits with its season edits while another process holds GPL's
// seasons folder, and goes on once it lets go.
TEST(BatchConversionTest, SeasonEditsWaitForAnotherProcess) {
#ifdef _WIN32
  GTEST_SKIP() << "the other process is played by a flock on the folder, which Windows has not; "
                  "FolderLockTest covers the Windows lock";
#else
  testkit::DemoConversion run;
  FolderLock season_lock;
  RunRequest request = run.Request();
  request.season_turn = [&](const fs::path& seasons) {
    return std::make_shared<FolderLock::Held>(season_lock.Hold(seasons));
  };
  const int other =
      ::open((run.demo().gpl / "seasons").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  std::future<bool> finished = std::async(std::launch::async, [&] { return run.Convert(request); });
  EXPECT_EQ(finished.wait_for(std::chrono::milliseconds(1500)), std::future_status::timeout);
  ::close(other);  // lets go of the lock
  EXPECT_TRUE(finished.get()) << ::testing::PrintToString(run.messages());
#endif
}

}  // namespace
}  // namespace velmora
