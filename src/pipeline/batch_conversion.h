#ifndef VELMORA_PIPELINE_BATCH_CONVERSION_H_
#define VELMORA_PIPELINE_BATCH_CONVERSION_H_

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class MessageSink;
class ProgressSink;

// One track of a batch: its source folder and the GPL track folder its conversion writes.
struct BatchTrack {
  std::string folder;     // the source track's folder name, as `list` shows it
  std::string gpl_track;  // the folder under GPL's "Tracks" it converts into
};

// How one track's conversion ended.
struct BatchTrackResult {
  bool finished = false;      // the run reached its end
  std::string first_message;  // the run's first message (Windows-1252), empty when it had none
  double seconds = 0;
};

// What a batch tells its front end while it runs. The calls for one track come from one thread
// and in order (Started, Message/Progress..., Ended); calls for different tracks can come at the
// same time from different threads, so an observer guards its own state.
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void Started(std::size_t track) = 0;
  virtual void Message(std::size_t track, std::string_view text) = 0;
  // The track's progress bar: its range and the position in it.
  virtual void Progress(std::size_t track, int low, int high, int position) = 0;
  virtual void Ended(std::size_t track, const BatchTrackResult& result) = 0;
};

// Converts the track with that index, showing its messages and progress through the sinks
// given; true when the run reached its end. Called on worker threads: it must build its own
// services (settings, resources) or use only what is safe to share.
using ConvertOneTrack = std::function<bool(std::size_t track, MessageSink&, ProgressSink&)>;

// The tracks in chains that must run one after the other: tracks writing the same GPL track
// folder (letter case ignored, as the folder lookup ignores it) share a chain, in list order.
// Chains come in the order of their first track.
std::vector<std::vector<std::size_t>> ChainsByGplTrack(std::span<const BatchTrack> tracks);

// Runs every track's conversion on up to `jobs` threads (at least one), one chain per thread at
// a time, so conversions into one GPL track folder never overlap and leave what a run of the
// tracks one by one in list order would leave. Returns each track's result, in list order.
std::vector<BatchTrackResult> RunBatch(std::span<const BatchTrack> tracks, int jobs,
                                       const ConvertOneTrack& convert, BatchObserver& observer);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_BATCH_CONVERSION_H_
