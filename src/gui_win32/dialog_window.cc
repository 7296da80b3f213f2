#include "gui_win32/dialog_window.h"

#include <commctrl.h>

#include "gui_win32/resource_ids.h"

namespace velmora {

namespace {

LRESULT CALLBACK ButtonWithoutReturn(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  // Without the push button codes the dialog manager neither makes the button the default
  // when it takes the focus nor presses it on Return.
  if (message == WM_GETDLGCODE) return DLGC_BUTTON;
  return DefSubclassProc(window, message, wparam, lparam);
}

HICON ProgramIcon(int metric_x, int metric_y) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VELMORA_IDI_PROGRAM), IMAGE_ICON,
                 GetSystemMetrics(metric_x), GetSystemMetrics(metric_y), LR_SHARED));
}

}  // namespace

DialogWindow::~DialogWindow() {
  if (hwnd_ != nullptr && !modal_) DestroyWindow(hwnd_);
}

INT_PTR DialogWindow::RunModal(HWND owner) {
  modal_ = true;
  const INT_PTR result =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id_), owner,
                      &DialogWindow::Procedure, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  return result;
}

HWND DialogWindow::Open(HWND owner, bool show) {
  modal_ = false;
  CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id_), owner,
                     &DialogWindow::Procedure, reinterpret_cast<LPARAM>(this));
  if (hwnd_ != nullptr && show) ShowWindow(hwnd_, SW_SHOW);
  return hwnd_;
}

void DialogWindow::End(INT_PTR result) {
  ended_ = result;
  if (modal_) {
    EndDialog(hwnd_, result);
  } else {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

bool DialogWindow::OnMessage(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                             INT_PTR& /*result*/) {
  return false;
}

void DialogWindow::SetProgramIcon() {
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(SM_CXICON, SM_CYICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(SM_CXSMICON, SM_CYSMICON)));
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<DialogWindow*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    dialog->hwnd_ = window;
    return dialog->OnInit() ? FALSE : TRUE;
  }
  auto* dialog = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      dialog->OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case kRunOnDialogThread:
      (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return TRUE;
    case WM_NCDESTROY:
      dialog->hwnd_ = nullptr;
      return FALSE;
    default:
      break;
  }
  INT_PTR result = 0;
  if (!dialog->OnMessage(message, wparam, lparam, result)) return FALSE;
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

void KeepReturnFromButton(HWND button) { SetWindowSubclass(button, ButtonWithoutReturn, 1, 0); }

void CallOnWindowThread(HWND window, const std::function<void()>& call) {
  if (window == nullptr || !IsWindow(window) ||
      GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    call();
    return;
  }
  SendMessageW(window, kRunOnDialogThread, 0, reinterpret_cast<LPARAM>(&call));
}

}  // namespace velmora
