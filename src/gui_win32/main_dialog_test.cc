#include "gui_win32/main_dialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "dialogs/dialog_texts.h"
#include "gui_win32/win32_test_support.h"
#include "platform/message_sink.h"

namespace velmora::testkit {
namespace {

class Win32MainDialogTest : public Win32DialogTest {
 protected:
  MainDialog::DialogRunner Recorder() {
    return [this](HWND, const MainButton& button) { opened_.push_back(button.id); };
  }

  RecordingMessageSink messages_;
  std::vector<int> opened_;
};

TEST_F(Win32MainDialogTest, ButtonsOpenTheirDialogsAndReturnIsExitWhateverWasUsedBefore) {
  MainDialog dialog(ServicesWith(messages_), Recorder());
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageW(window, DM_GETDEFID, 0, 0), MAKELRESULT(kExitButtonId, DC_HASDEFID));
  for (const MainButton& button : MainButtons()) {
    if (button.action == MainAction::kExit) continue;
    Click(window, button.id);
  }
  EXPECT_EQ(opened_, (std::vector<int>{kCartButtonId, kN2ButtonId, kN3ButtonId, kNlButtonId,
                                       kAboutButtonId}));
  opened_.clear();
  // The button a dialog was opened with has the focus; Return still presses Exit.
  PressReturn(window, GetDlgItem(window, kN2ButtonId));
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(dialog.ended(), IDOK);
}

TEST_F(Win32MainDialogTest, TheWindowMenuOffersAbout) {
  MainDialog dialog(ServicesWith(messages_), Recorder());
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  const HMENU menu = GetSystemMenu(window, FALSE);
  wchar_t text[64] = {};
  ASSERT_GT(GetMenuStringW(menu, kAboutCommand, text, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(Utf8FromWide(text), "&About Velmora...");
  SendMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
  EXPECT_EQ(opened_, (std::vector<int>{kAboutButtonId}));
  EXPECT_EQ(dialog.ended(), std::nullopt);
}

}  // namespace
}  // namespace velmora::testkit
