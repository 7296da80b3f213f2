#ifndef VELMORA_TESTING_RECORDING_PROGRESS_H_
#define VELMORA_TESTING_RECORDING_PROGRESS_H_

#include "platform/progress_sink.h"

namespace velmora::testkit {

// A progress bar that remembers its range, position and the number of steps taken.
class RecordingProgress : public ProgressSink {
 public:
  void SetRange(int low, int high) override {
    low_ = low;
    high_ = high;
  }
  void SetPosition(int position) override { position_ = position; }
  void Step() override {
    ++position_;
    ++steps_;
  }

  int low() const { return low_; }
  int high() const { return high_; }
  int position() const { return position_; }
  int steps() const { return steps_; }

 private:
  int low_ = 0;
  int high_ = 0;
  int position_ = 0;
  int steps_ = 0;
};

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_RECORDING_PROGRESS_H_
