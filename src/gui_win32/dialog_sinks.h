#ifndef VELMORA_GUI_WIN32_DIALOG_SINKS_H_
#define VELMORA_GUI_WIN32_DIALOG_SINKS_H_

#include <windows.h>

#include <functional>
#include <string_view>

#include "dialogs/progress_bar_state.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"

namespace velmora {

// Shows each message in a modal message box with OK, titled "Velmora", over the active window
// of the calling thread, one after another, so a run's messages are read in the order they
// arise. The text is shown as it is: nothing in it is markup.
class MessageBoxSink : public MessageSink {
 public:
  void Show(std::string_view text) override;
  // One box: the message, a blank line, the hint.
  void ShowWithHint(std::string_view text, std::string_view hint) override;
};

// Hands every message to `target` on the thread of the dialog set with set_window and waits
// until it has been shown there: a conversion runs on a thread of its own, while message boxes
// belong to the thread that owns the dialog. `target` is not owned.
class DialogThreadSink : public MessageSink {
 public:
  explicit DialogThreadSink(MessageSink& target) : target_(target) {}
  void set_window(HWND window) { window_ = window; }

  void Show(std::string_view text) override;
  void ShowWithHint(std::string_view text, std::string_view hint) override;
  void Note(std::string_view text) override;

 private:
  MessageSink& target_;
  HWND window_ = nullptr;
};

// Drives a progress bar control from a conversion's thread: every change is posted to the
// bar, whose own thread draws it, so the run never waits for the window. The bar is not owned.
class ProgressBarSink : public ProgressSink {
 public:
  void set_bar(HWND bar) { bar_ = bar; }
  void SetRange(int low, int high) override;
  void SetPosition(int position) override;
  void Step() override;

 private:
  void Post();

  HWND bar_ = nullptr;
  ProgressBarState state_;
};

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_DIALOG_SINKS_H_
