#include "gui_win32/main_dialog.h"

#include <utility>

#include "dialogs/dialog_texts.h"
#include "gui_win32/conversion_dialog.h"
#include "gui_win32/path_chooser.h"
#include "gui_win32/resource_ids.h"
#include "gui_win32/wide_text.h"

namespace velmora {

MainDialog::MainDialog(const Services& services, DialogRunner runner)
    : DialogWindow(VELMORA_IDD_MAIN), services_(services), runner_(std::move(runner)) {}

bool MainDialog::OnInit() {
  SetProgramIcon();
  const HMENU menu = GetSystemMenu(hwnd(), FALSE);
  if (menu != nullptr) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, WideFromWindows1252(kAboutMenuText).c_str());
  }
  const int return_id = MainReturnButtonId();
  SendMessageW(hwnd(), DM_SETDEFID, static_cast<WPARAM>(return_id), 0);
  for (const MainButton& button : MainButtons()) {
    if (button.id != return_id) KeepReturnFromButton(Item(button.id));
  }
  SetFocus(Item(return_id));
  return true;
}

void MainDialog::OnCommand(int id, int /*code*/) {
  if (id == IDCANCEL) {  // the window's close box, Escape
    End(IDCANCEL);
    return;
  }
  const MainButton* button = MainButtonOf(id);
  if (button == nullptr) return;
  if (button->action == MainAction::kExit) {
    End(IDOK);
    return;
  }
  RunDialogOf(*button);
}

bool MainDialog::OnMessage(UINT message, WPARAM wparam, LPARAM /*lparam*/, INT_PTR& result) {
  if (message != WM_SYSCOMMAND || !IsAboutCommand(static_cast<unsigned>(wparam))) return false;
  const MainButton* about = MainButtonOf(kAboutButtonId);
  if (about != nullptr) RunDialogOf(*about);
  result = 0;
  return true;
}

void MainDialog::RunDialogOf(const MainButton& button) {
  if (runner_) {
    runner_(hwnd(), button);
    return;
  }
  if (button.action == MainAction::kConvert) {
    ConversionDialog dialog(button.game, services_, ChooseFolderWithDialog);
    dialog.RunModal(hwnd());
  } else {
    AboutDialog dialog;
    dialog.RunModal(hwnd());
  }
}

AboutDialog::AboutDialog() : DialogWindow(VELMORA_IDD_ABOUT) {}

bool AboutDialog::OnInit() {
  SetProgramIcon();
  return false;
}

void AboutDialog::OnCommand(int id, int /*code*/) {
  if (id == kAboutOkId || id == IDCANCEL) End(id);
}

}  // namespace velmora
