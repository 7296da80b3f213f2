#include "pipeline/batch_conversion.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/ascii.h"
#include "platform/folder_lock.h"
#include "platform/progress_sink.h"
#include "testing/demo_conversion.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Indices = std::vector<std::size_t>;

// Tracks 0 and 2 go into one GPL folder, 3 and 4 into another (letter case aside).
const std::vector<BatchTrack> kTracks = {
    {"dethq", "detroit"}, {"Elkhart", "Elkhart"}, {"detroit", "Detroit"},
    {"Laguna", "Laguna"}, {"lagunahq", "LAGUNA"},
};

// The batch's observer records what it reports per track, from whichever thread it comes.
class BatchConversionTest : public ::testing::Test, public BatchObserver {
 protected:
  void Started(std::size_t track) override { Add(track, "started"); }
  void Message(std::size_t track, std::string_view text) override { Add(track, std::string(text)); }
  void Progress(std::size_t track, int low, int high, int position) override {
    Add(track, "progress " + std::to_string(low) + "-" + std::to_string(high) + " " +
                   std::to_string(position));
  }
  void Ended(std::size_t track, const BatchTrackResult& result) override {
    Add(track, result.finished ? "ended finished" : "ended stopped");
  }
  void Add(std::size_t track, std::string event) {
    std::lock_guard<std::mutex> guard(mutex_);
    events_[track].push_back(std::move(event));
  }
  std::vector<BatchTrackResult> Run(const std::vector<BatchTrack>& tracks, int jobs,
                                    const ConvertOneTrack& convert) {
    events_.clear();
    return RunBatch(tracks, jobs, convert, *this, season_lock_);
  }

  std::mutex mutex_;  // guards the events and what a test's runs share
  std::map<std::size_t, Names> events_;
  FolderLock season_lock_;
};

// Across job counts: tracks into one GPL folder share a chain and never overlap, a chain keeps
// list order, and results, first messages and stops land on their own track. A run that throws
// stops only its track: the next track into the same folder still runs.
TEST_F(BatchConversionTest, SameFolderNeverOverlapsAndResultsStayInListOrder) {
  EXPECT_EQ(ChainsByGplTrack(kTracks), (std::vector<Indices>{{0, 2}, {1}, {3, 4}}));
  const std::string first_messages[] = {"second", "first of Elkhart", "second",
                                        "Conversion stopped: out of memory", "second"};
  for (int jobs : {1, 3, 8}) {
    SCOPED_TRACE("jobs " + std::to_string(jobs));
    std::map<std::string, int> busy;  // GPL folder -> runs inside it
    std::map<std::string, Indices> order;
    bool overlapped = false;
    auto convert = [&](std::size_t i, MessageSink& messages, ProgressSink& progress,
                       const SeasonTurn&) {
      const std::string folder = AsciiLower(kTracks[i].gpl_track);
      {
        std::lock_guard<std::mutex> guard(mutex_);
        overlapped = overlapped || busy[folder] > 0;
        order[folder].push_back(i);
        if (i == 3) throw std::runtime_error("out of memory");
        ++busy[folder];
      }
      progress.SetRange(0, 1);
      progress.Step();
      progress.Step();  // past the top: the bar stays there
      if (i % 2 == 1) messages.Show("first of " + kTracks[i].folder);
      messages.Show("second");
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::lock_guard<std::mutex> guard(mutex_);
      --busy[folder];
      return true;
    };
    const std::vector<BatchTrackResult> results = Run(kTracks, jobs, convert);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(order["detroit"], (Indices{0, 2}));
    EXPECT_EQ(order["laguna"], (Indices{3, 4}));
    ASSERT_EQ(results.size(), kTracks.size());
    for (std::size_t i = 0; i < kTracks.size(); ++i) {
      SCOPED_TRACE(kTracks[i].folder);
      EXPECT_EQ(results[i].finished, i != 3);
      EXPECT_EQ(results[i].first_message, first_messages[i]);
      Names events = {"started", "progress 0-1 0", "progress 0-1 1", "progress 0-1 1"};
      if (i % 2 == 1) events.push_back("first of " + kTracks[i].folder);
      events.insert(events.end(), {"second", "ended finished"});
      if (i == 3) events = {"started", first_messages[3], "ended stopped"};
      EXPECT_EQ(events_[i], events);  // the batch is over: no lock needed
    }
  }
}

// Tracks into different folders that get to their season edits first wait for the earlier
// ones, so the season files list the events in list order; a track that stops before its edits
// holds nobody up.
TEST_F(BatchConversionTest, SeasonEditsTakeTurnsInListOrder) {
  std::optional<TempFolder> folder = TempFolder::Create("batch");
  Indices order;
  auto convert = [&](std::size_t i, MessageSink&, ProgressSink&, const SeasonTurn& turn) {
    if (i == 2) return false;  // stops early
    std::this_thread::sleep_for(std::chrono::milliseconds(10 * (5 - i)));
    const std::shared_ptr<void> held = turn(folder->path());
    std::lock_guard<std::mutex> guard(mutex_);
    order.push_back(i);
    return true;
  };
  Run({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}}, 5, convert);
  EXPECT_EQ(order, (Indices{0, 1, 3, 4}));
}

// A whole run given a turn waits with its season edits while another holds GPL's seasons
// folder, and goes on once it lets go.
TEST_F(BatchConversionTest, SeasonEditsWaitForTheirTurn) {
  testkit::DemoConversion run;
  RunRequest request = run.Request();
  request.season_turn = [&](const fs::path& seasons) {
    return std::make_shared<FolderLock::Held>(season_lock_.Hold(seasons));
  };
  std::optional<FolderLock::Held> other;
  other.emplace(season_lock_.Hold(run.demo().gpl / "seasons"));
  std::future<bool> finished = std::async(std::launch::async, [&] { return run.Convert(request); });
  EXPECT_EQ(finished.wait_for(std::chrono::milliseconds(1500)), std::future_status::timeout);
  other.reset();  // lets go of the folder
  EXPECT_TRUE(finished.get()) << ::testing::PrintToString(run.messages());
}

}  // namespace
}  // namespace velmora
