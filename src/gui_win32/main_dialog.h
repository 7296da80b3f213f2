#ifndef VELMORA_GUI_WIN32_MAIN_DIALOG_H_
#define VELMORA_GUI_WIN32_MAIN_DIALOG_H_

#include <windows.h>

#include <functional>

#include "dialogs/main_dialog_model.h"
#include "gui_win32/dialog_window.h"
#include "platform/services.h"

namespace velmora {

// The main dialog: one button per source game, About (also in the window menu) and Exit,
// which Return presses whichever button was used before.
class MainDialog : public DialogWindow {
 public:
  // Runs the dialog a conversion or About button opens, modally over `owner`.
  using DialogRunner = std::function<void(HWND owner, const MainButton& button)>;

  // The services are not owned and must outlive the dialog. Without a runner the buttons run
  // the program's own dialogs.
  explicit MainDialog(const Services& services, DialogRunner runner = nullptr);

 private:
  bool OnInit() override;
  void OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override;
  void RunDialogOf(const MainButton& button);

  Services services_;
  DialogRunner runner_;
};

// The About dialog: the program's name and version, and the credits.
class AboutDialog : public DialogWindow {
 public:
  AboutDialog();

 private:
  bool OnInit() override;
  void OnCommand(int id, int code) override;
};

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_MAIN_DIALOG_H_
