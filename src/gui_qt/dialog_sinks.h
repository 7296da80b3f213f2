#ifndef VELMORA_GUI_QT_DIALOG_SINKS_H_
#define VELMORA_GUI_QT_DIALOG_SINKS_H_

#include <memory>
#include <string_view>

#include "dialogs/progress_bar_state.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"

class QMessageBox;
class QProgressBar;
class QWidget;

namespace velmora {

// The message box every message of the program is shown in: information icon, the text
// converted from Windows-1252 and shown as plain text, one OK button, titled "Velmora". The
// caller owns it and decides how to show it.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, std::string_view text);

// Shows each message as a modal message box with OK, one after another, so a run's messages
// are read in the order they arise. The message box is parented to the active window so it sits
// over the dialog that runs the conversion.
class MessageBoxSink : public MessageSink {
 public:
  void Show(std::string_view text) override;
  // One box: the message, a blank line, the hint.
  void ShowWithHint(std::string_view text, std::string_view hint) override;
};

// Drives a progress bar from a conversion run on the GUI thread. After every change the bar is
// repainted by letting the event loop run without user input, so the window shows the progress
// but takes no clicks or keys until the run is over. The bar is not owned.
class ProgressBarSink : public ProgressSink {
 public:
  explicit ProgressBarSink(QProgressBar* bar) : bar_(bar) {}
  void SetRange(int low, int high) override;
  void SetPosition(int position) override;
  void Step() override;

 private:
  void Show();

  QProgressBar* bar_;
  ProgressBarState state_;
};

}  // namespace velmora

#endif  // VELMORA_GUI_QT_DIALOG_SINKS_H_
