#ifndef VELMORA_DIALOGS_PROGRESS_BAR_STATE_H_
#define VELMORA_DIALOGS_PROGRESS_BAR_STATE_H_

#include <algorithm>

namespace velmora {

// A conversion dialog's progress bar without its widget: the range the converter sets and the
// position it steps, as the bar shows them. Both front ends draw from it.
class ProgressBarState {
 public:
  // A new range starts the bar empty.
  void SetRange(int low, int high) {
    low_ = low;
    high_ = std::max(high, low);
    position_ = low_;
  }
  void SetPosition(int position) { position_ = position; }
  void Step() { ++position_; }

  int bar_low() const { return low_; }
  // A range without width would draw nothing useful (or a busy indicator); a bar one step
  // wide shows empty instead.
  int bar_high() const { return high_ > low_ ? high_ : low_ + 1; }
  // A run that steps past the end stays full.
  int bar_value() const { return std::clamp(position_, low_, high_); }

 private:
  int low_ = 0;
  int high_ = 0;
  int position_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_DIALOGS_PROGRESS_BAR_STATE_H_
