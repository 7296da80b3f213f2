#include "pipeline/batch_conversion.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ascii.h"
#include "platform/folder_lock.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Hands one track's messages to the observer and keeps the first for the result table.
class TrackMessages : public MessageSink {
 public:
  TrackMessages(std::size_t track, BatchObserver& observer) : track_(track), observer_(observer) {}
  void Show(std::string_view text) override {
    if (!seen_any_) first_.assign(text);
    seen_any_ = true;
    observer_.Message(track_, text);
  }
  // Shown with the track's messages, but never taken for the result table's reason.
  void Note(std::string_view text) override { observer_.Message(track_, "note: " + std::string(text)); }
  std::string TakeFirst() { return std::move(first_); }

 private:
  std::size_t track_;
  BatchObserver& observer_;
  bool seen_any_ = false;
  std::string first_;
};

// Keeps one track's bar and reports each change of it to the observer.
class TrackProgress : public ProgressSink {
 public:
  TrackProgress(std::size_t track, BatchObserver& observer) : track_(track), observer_(observer) {}
  void SetRange(int low, int high) override {
    low_ = low;
    high_ = high;
    position_ = low;
    Report();
  }
  void SetPosition(int position) override {
    position_ = position;
    Report();
  }
  void Step() override {
    // A bar stops at its top, as the dialogs' bar does.
    position_ = std::min(position_ + 1, std::max(high_, low_));
    Report();
  }

 private:
  void Report() { observer_.Progress(track_, low_, high_, position_); }

  std::size_t track_;
  BatchObserver& observer_;
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
};

BatchTrackResult ConvertTimed(std::size_t track, const ConvertOneTrack& convert,
                              const SeasonTurn& season_turn, BatchObserver& observer) {
  observer.Started(track);
  TrackMessages messages(track, observer);
  TrackProgress progress(track, observer);
  const auto start = std::chrono::steady_clock::now();
  BatchTrackResult result;
  try {
    result.finished = convert(track, messages, progress, season_turn);
  } catch (const std::exception& error) {
    // A run shows its own failures and does not throw; should one throw anyway, this track
    // stops and the others go on, where a thrown worker would end the whole process.
    messages.Show(std::string("Conversion stopped: ") + error.what());
    result.finished = false;
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.first_message = messages.TakeFirst();
  observer.Ended(track, result);
  return result;
}

// Who may go when: a track waits to start until the track before it in its chain has ended, and
// to edit the seasons until every earlier track has edited them or ended. Tracks start in list
// order, so the lowest track not yet ended never waits: the batch always moves on.
class BatchOrder {
 public:
  explicit BatchOrder(std::span<const BatchTrack> tracks)
      : before_in_chain_(tracks.size(), kNone),
        ended_(tracks.size(), false),
        seasons_done_(tracks.size(), false) {
    for (const std::vector<std::size_t>& chain : ChainsByGplTrack(tracks)) {
      for (std::size_t i = 1; i < chain.size(); ++i) before_in_chain_[chain[i]] = chain[i - 1];
    }
  }
  void WaitToStart(std::size_t track) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::size_t before = before_in_chain_[track];
    changed_.wait(lock, [&] { return before == kNone || ended_[before]; });
  }
  void WaitForSeasons(std::size_t track) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return first_without_seasons_ == track; });
  }
  void SeasonsDone(std::size_t track) {
    std::lock_guard<std::mutex> lock(mutex_);
    MarkSeasonsDone(track);
  }
  void Ended(std::size_t track) {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_[track] = true;
    MarkSeasonsDone(track);  // a run that stopped early edits no season file
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  void MarkSeasonsDone(std::size_t track) {
    seasons_done_[track] = true;
    while (first_without_seasons_ < seasons_done_.size() && seasons_done_[first_without_seasons_]) {
      ++first_without_seasons_;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::size_t> before_in_chain_;
  std::vector<bool> ended_;
  std::vector<bool> seasons_done_;
  std::size_t first_without_seasons_ = 0;
};

}  // namespace

std::vector<std::vector<std::size_t>> ChainsByGplTrack(std::span<const BatchTrack> tracks) {
  std::vector<std::vector<std::size_t>> chains;
  std::map<std::string, std::size_t> chain_of;  // lowercased GPL track -> index in chains
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const auto [it, added] = chain_of.try_emplace(AsciiLower(tracks[i].gpl_track), chains.size());
    if (added) chains.emplace_back();
    chains[it->second].push_back(i);
  }
  return chains;
}

std::vector<BatchTrackResult> RunBatch(std::span<const BatchTrack> tracks, int jobs,
                                       const ConvertOneTrack& convert, BatchObserver& observer,
                                       FolderLock& season_lock) {
  std::vector<BatchTrackResult> results(tracks.size());
  BatchOrder order(tracks);
  // Each worker takes the next track in list order; each result slot is written by one worker
  // only, and read after every worker has been joined.
  std::atomic<std::size_t> next_track{0};
  auto work = [&] {
    for (std::size_t track = next_track++; track < tracks.size(); track = next_track++) {
      const SeasonTurn season_turn = [&order, &season_lock, track](const fs::path& seasons) {
        order.WaitForSeasons(track);
        auto held = std::make_shared<FolderLock::Held>(season_lock.Hold(seasons));
        return std::shared_ptr<void>(held.get(), [held, &order, track](void*) mutable {
          held.reset();  // the lock goes before the next track is let in
          order.SeasonsDone(track);
        });
      };
      order.WaitToStart(track);
      results[track] = ConvertTimed(track, convert, season_turn, observer);
      order.Ended(track);
    }
  };
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), tracks.size());
  if (threads <= 1) {
    work();  // one at a time needs no thread of its own
    return results;
  }
  std::vector<std::jthread> workers;
  workers.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) workers.emplace_back(work);
  workers.clear();  // joins
  return results;
}

}  // namespace velmora
