#ifndef VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_
#define VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_

// Helpers of the Windows dialog tests: driving a dialog through its controls with the
// messages the system sends when the user acts, and letting the dialog's thread run.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui_win32/wide_text.h"
#include "platform/file_system.h"
#include "platform/resource_store.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"

namespace velmora::testkit {

// Dispatches this thread's messages until `done` holds; false after `timeout_ms`.
inline bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 120000) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  while (!done()) {
    if (GetTickCount64() > end) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// A press of the button or check box `id`, as a mouse click makes it.
inline void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// The user picks entry `row` of list box `id` with the mouse: the selection moves and the
// dialog hears of it.
inline void PickEntry(HWND dialog, int id, int row) {
  const HWND list = GetDlgItem(dialog, id);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

inline void Notify(HWND dialog, int id, int code) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Return pressed while `control` has the focus, through the dialog manager.
inline void PressReturn(HWND dialog, HWND control) {
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  MSG message{};
  message.hwnd = control;
  message.message = WM_KEYDOWN;
  message.wParam = VK_RETURN;
  IsDialogMessageW(dialog, &message);
}

// The entries of list box `id` (UTF-8).
inline std::vector<std::string> ListEntries(HWND dialog, int id) {
  const HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> entries;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT row = 0; row < count; ++row) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)), L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    entries.push_back(Utf8FromWide(text));
  }
  return entries;
}

inline int ListIndex(HWND dialog, int id, const std::string& entry) {
  const std::vector<std::string> entries = ListEntries(dialog, id);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == entry) return static_cast<int>(i);
  }
  return -1;
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
  void SetUp() override {
    temp_ = TempFolder::Create("dir");
    ASSERT_TRUE(temp_);
    root_ = temp_->path();
    settings_.emplace(root_ / "Velmora.INI", "c:\\");
    resources_.emplace(EmbeddedFiles());
  }
  Services ServicesWith(MessageSink& messages) {
    return Services{messages, *settings_, *resources_};
  }
  // The settings file as stored; empty while nothing was stored.
  std::string Stored() const {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(root_ / "Velmora.INI");
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  }

  std::optional<TempFolder> temp_;
  std::filesystem::path root_;
  std::optional<Settings> settings_;
  std::optional<ResourceStore> resources_;
};

}  // namespace velmora::testkit

#endif  // VELMORA_GUI_WIN32_WIN32_TEST_SUPPORT_H_
