#include "pipeline/batch_conversion.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <map>
#include <thread>

#include "platform/ascii.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"

namespace velmora {

namespace {

// Hands one track's messages to the observer and keeps the first for the result table.
class TrackMessages : public MessageSink {
 public:
  TrackMessages(std::size_t track, BatchObserver& observer)
      : track_(track), observer_(observer) {}
  void Show(std::string_view text) override {
    if (!seen_any_) first_.assign(text);
    seen_any_ = true;
    observer_.Message(track_, text);
  }
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
  TrackProgress(std::size_t track, BatchObserver& observer)
      : track_(track), observer_(observer) {}
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
                              BatchObserver& observer) {
  observer.Started(track);
  TrackMessages messages(track, observer);
  TrackProgress progress(track, observer);
  const auto start = std::chrono::steady_clock::now();
  BatchTrackResult result;
  try {
    result.finished = convert(track, messages, progress);
  } catch (const std::exception& error) {
    // A run shows its own failures and does not throw; should one throw anyway, this track
    // stops and the others go on, where a thrown worker would end the whole process.
    messages.Show(std::string("Conversion stopped: ") + error.what());
    result.finished = false;
  }
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.first_message = messages.TakeFirst();
  observer.Ended(track, result);
  return result;
}

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
                                       const ConvertOneTrack& convert, BatchObserver& observer) {
  const std::vector<std::vector<std::size_t>> chains = ChainsByGplTrack(tracks);
  std::vector<BatchTrackResult> results(tracks.size());
  // Each worker takes the next chain not yet taken; each result slot is written by one worker
  // only, and read after every worker has been joined.
  std::atomic<std::size_t> next_chain{0};
  auto work = [&] {
    for (std::size_t chain = next_chain++; chain < chains.size(); chain = next_chain++) {
      for (std::size_t track : chains[chain]) {
        results[track] = ConvertTimed(track, convert, observer);
      }
    }
  };
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), chains.size());
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
