#include "gui_win32/path_chooser.h"

#include <commctrl.h>

#include <utility>

#include "dialogs/folder_listing.h"
#include "gui_win32/resource_ids.h"
#include "gui_win32/wide_text.h"

namespace velmora {

PathChooser::PathChooser(const ChooserTexts& texts, const std::string& start,
                         std::vector<DriveRoot> drives)
    : DialogWindow(VELMORA_IDD_CHOOSER),
      model_(texts, start, std::move(drives), SystemDriveSources().home) {}

bool PathChooser::OnInit() {
  SetWindowTextW(hwnd(), WideFromWindows1252(model_.title()).c_str());
  SendMessageW(Item(kPathEditId), EM_LIMITTEXT, kMaxPathLength, 0);
  SetWindowSubclass(Item(kDirectoryListId), &PathChooser::FolderListProcedure, 1,
                    reinterpret_cast<DWORD_PTR>(this));
  ShowListing();
  // Typing a path is the quickest way, so the focus starts there.
  SetFocus(Item(kPathEditId));
  return true;
}

void PathChooser::OnCommand(int id, int code) {
  switch (id) {
    case kDirectoryListId:
      if (filling_) return;
      if (code == LBN_SELCHANGE && !double_click_) {
        Act(keyboard_ ? Gesture::kKeyboardSelect : Gesture::kClick);
      }
      if (code == LBN_DBLCLK) Act(Gesture::kDoubleClick);
      return;
    case kDriveBoxId:
      if (filling_) return;
      // A drive is taken when the user picks it from the open list, or moves to it with the
      // arrow keys while the list is closed.
      if ((code == CBN_SELCHANGE && !SendMessageW(Item(kDriveBoxId), CB_GETDROPPEDSTATE, 0, 0)) ||
          code == CBN_SELENDOK) {
        ChooseDrive();
      }
      return;
    case kPathEditId:
      if (code != EN_CHANGE || filling_) return;
      model_.EditPath(Utf8FromWide(WindowText(Item(kPathEditId))));
      ShowFound();
      return;
    case IDOK:
      chosen_ = model_.result();
      End(IDOK);
      return;
    case IDCANCEL:
      End(IDCANCEL);
      return;
    default:
      return;
  }
}

LRESULT CALLBACK PathChooser::FolderListProcedure(HWND window, UINT message, WPARAM wparam,
                                                  LPARAM lparam, UINT_PTR /*id*/, DWORD_PTR data) {
  auto* chooser = reinterpret_cast<PathChooser*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      // Return in the list walks into the selected folder; it does not press OK.
      if (lparam != 0 && reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
          reinterpret_cast<const MSG*>(lparam)->wParam == VK_RETURN) {
        return DLGC_WANTMESSAGE | DefSubclassProc(window, message, wparam, lparam);
      }
      break;
    case WM_KEYDOWN: {
      if (wparam == VK_RETURN) {
        chooser->Act(Gesture::kEnter);
        return 0;
      }
      chooser->keyboard_ = true;
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      chooser->keyboard_ = false;
      return result;
    }
    case WM_CHAR:
      // Letters go to the model's type-ahead, which looks inside the brackets.
      if (wparam >= L' ') {
        chooser->TypeAhead(static_cast<wchar_t>(wparam));
        return 0;
      }
      break;
    case WM_LBUTTONDBLCLK: {
      chooser->double_click_ = true;
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      chooser->double_click_ = false;
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

void PathChooser::ShowListing() {
  filling_ = true;
  const HWND list = Item(kDirectoryListId);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const FolderEntry& entry : model_.entries()) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(entry.text).c_str()));
  }
  const HWND drives = Item(kDriveBoxId);
  SendMessageW(drives, CB_RESETCONTENT, 0, 0);
  for (const DriveRoot& drive : model_.drives()) {
    SendMessageW(drives, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(WideFromUtf8(drive.entry).c_str()));
  }
  SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(model_.drive()), 0);
  SetWindowTextW(Item(kPathEditId), WideFromUtf8(model_.edit_text()).c_str());
  filling_ = false;
  ShowFound();
}

void PathChooser::ShowFound() {
  SetWindowTextW(Item(kFoundTextId), WideFromWindows1252(model_.found_text()).c_str());
}

void PathChooser::Show(PathChooserModel::Outcome outcome) {
  if (outcome == PathChooserModel::Outcome::kWalked) ShowListing();
  if (outcome == PathChooserModel::Outcome::kRefused) {
    MessageBeep(MB_OK);
    filling_ = true;
    SendMessageW(Item(kDirectoryListId), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    filling_ = false;
  }
}

void PathChooser::Act(Gesture gesture) {
  const LRESULT row = SendMessageW(Item(kDirectoryListId), LB_GETCURSEL, 0, 0);
  if (row == LB_ERR) return;
  Show(model_.ActOnEntry(gesture, static_cast<std::size_t>(row)));
}

void PathChooser::TypeAhead(wchar_t key) {
  const std::optional<std::size_t> found = model_.TypeAhead(
      Utf8FromWide(std::wstring_view(&key, 1)), static_cast<long long>(GetTickCount64()));
  if (!found) return;
  SendMessageW(Item(kDirectoryListId), LB_SETCURSEL, static_cast<WPARAM>(*found), 0);
}

void PathChooser::ChooseDrive() {
  const LRESULT index = SendMessageW(Item(kDriveBoxId), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR || index == model_.drive()) return;
  Show(model_.ChooseDrive(static_cast<std::size_t>(index)));
}

std::optional<std::string> ChooseFolderWithDialog(HWND owner, const ChooserTexts& texts,
                                                  const std::string& start) {
  PathChooser chooser(texts, start, DriveRoots(SystemDriveSources()));
  if (chooser.RunModal(owner) != IDOK) return std::nullopt;
  return chooser.chosen();
}

}  // namespace velmora
