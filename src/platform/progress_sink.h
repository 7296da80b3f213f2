#ifndef VELMORA_PLATFORM_PROGRESS_SINK_H_
#define VELMORA_PLATFORM_PROGRESS_SINK_H_

namespace velmora {

// A progress bar driven by a conversion run: a range, a position and single steps.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetRange(int low, int high) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void Step() = 0;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_PROGRESS_SINK_H_
