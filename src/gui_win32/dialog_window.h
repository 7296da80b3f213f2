#ifndef VELMORA_GUI_WIN32_DIALOG_WINDOW_H_
#define VELMORA_GUI_WIN32_DIALOG_WINDOW_H_

#include <windows.h>

#include <functional>
#include <optional>

namespace velmora {

// Messages the views post or send to their own dialogs.
// Sent from another thread with a std::function<void()>* in lParam: runs it on the dialog's
// thread and returns when it has returned.
inline constexpr UINT kRunOnDialogThread = WM_APP + 1;
// Posted by a conversion's worker thread when the run has returned.
inline constexpr UINT kRunEnded = WM_APP + 2;

// A dialog window made from a template of the program's resources, shown modally over its
// owner, or modeless, so that tests can drive it through its controls while it is open. The
// object owns the window: a modeless window is destroyed with it.
class DialogWindow {
 public:
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  virtual ~DialogWindow();

  // Runs the dialog modally and returns the result it ended with.
  INT_PTR RunModal(HWND owner);
  // Opens the dialog modeless (hidden unless `show`); it stays open until the object goes.
  HWND Open(HWND owner, bool show = false);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  // The result a modeless dialog ended with, once it has ended.
  std::optional<INT_PTR> ended() const { return ended_; }

 protected:
  explicit DialogWindow(int template_id) : template_id_(template_id) {}

  // Ends the dialog with `result`: a modal dialog closes, a modeless one is hidden.
  void End(INT_PTR result);
  // Called once the controls exist; returns true when it has set the focus itself.
  virtual bool OnInit() = 0;
  virtual void OnCommand(int id, int code) = 0;
  // Any other message; returns true and sets `result` when it handled the message.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result);

  // The window's large and small icon: the program's own.
  void SetProgramIcon();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  int template_id_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  std::optional<INT_PTR> ended_;
};

// Makes a push button one that Return never presses: the dialog's default button stays the
// one Return presses, whichever button has the focus. Space and the button's mnemonic press it.
void KeepReturnFromButton(HWND button);

// Calls `call` on the thread of `window` (SendMessage to a DialogWindow), or here when this is
// that thread or there is no window; returns when it has returned.
void CallOnWindowThread(HWND window, const std::function<void()>& call);

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_DIALOG_WINDOW_H_
