#ifndef VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_
#define VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_

// Helpers of the Windows dialog tests: driving a dialog through its controls with the
// messages the system sends when the user acts.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gui_win32/wide_text.h"
#include "platform/resource_store.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"

namespace velmora::testkit {

// A press of the button or check box `id`, as a mouse click makes it.
inline void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Control `id` tells the dialog of `code`, as it does when the user acts on it.
inline void Notify(HWND dialog, int id, int code) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Return pressed while `control` has the focus, through the dialog manager.
inline void PressReturn(HWND dialog, HWND control) {
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  MSG message{control, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  IsDialogMessageW(dialog, &message);
}

// The entries of list box `id` (UTF-8).
inline std::vector<std::string> ListEntries(HWND dialog, int id) {
  const HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> entries;
  for (LRESULT row = 0; row < SendMessageW(list, LB_GETCOUNT, 0, 0); ++row) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)), L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    entries.push_back(Utf8FromWide(text));
  }
  return entries;
}

// The text of control `id` (UTF-8).
inline std::string ItemText(HWND dialog, int id) {
  return Utf8FromWide(WindowText(GetDlgItem(dialog, id)));
}

inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

// A dialog test's services: a settings file of its own in a temporary folder, which starts
// absent, and the embedded resources.
class Win32DialogTest : public ::testing::Test {
 protected:
  Services ServicesWith(MessageSink& messages) { return {messages, settings_, resources_}; }

  std::optional<TempFolder> temp_ = TempFolder::Create("dir");
  std::filesystem::path root_ = temp_->path();
  Settings settings_{root_ / "Velmora.INI", "c:\\"};
  ResourceStore resources_{EmbeddedFiles()};
};

}  // namespace velmora::testkit

#endif  // VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_
