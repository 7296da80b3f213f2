#ifndef VELMORA_CLI_BATCH_TERMINAL_H_
#define VELMORA_CLI_BATCH_TERMINAL_H_

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "pipeline/batch_conversion.h"

namespace velmora {

// Shows a batch on the terminal: each message as "velmora: FOLDER: TEXT" on `out` as it happens,
// and, when `draw_progress` (stderr is a terminal), a block under the messages with one progress
// line per running track and the count of tracks done, redrawn in place. Safe to call from the
// batch's worker threads. `tracks` must outlive it.
class BatchTerminal : public BatchObserver {
 public:
  BatchTerminal(std::FILE* out, std::span<const BatchTrack> tracks, bool draw_progress);

  void Started(std::size_t track) override;
  void Message(std::size_t track, std::string_view text) override;
  void Progress(std::size_t track, int low, int high, int position) override;
  void Ended(std::size_t track, const BatchTrackResult& result) override;
  // Clears the progress block, so that what follows starts where it stood.
  void Finish();

 private:
  struct Running {
    std::size_t track;
    int percent;
  };
  void EraseBlock();
  void DrawBlock();

  std::FILE* out_;
  std::span<const BatchTrack> tracks_;
  bool draw_progress_;
  std::mutex mutex_;
  std::vector<Running> running_;  // in the order they started
  std::size_t done_ = 0;
  int block_lines_ = 0;  // lines of the progress block now on the screen
};

// The table that ends a batch: a header, then per track its folder, its GPL folder, its result
// ("finished", or "stopped: " and the run's first message) and its seconds, in list order,
// columns padded to their widest entry. UTF-8.
std::string FormatBatchTable(std::span<const BatchTrack> tracks,
                             std::span<const BatchTrackResult> results);

}  // namespace velmora

#endif  // VELMORA_CLI_BATCH_TERMINAL_H_
