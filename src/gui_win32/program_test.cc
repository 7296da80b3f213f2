// The dialog program as a whole: the texts its dialogs show, read against the dialog model's,
// the main dialog's buttons and window menu, and the resources it carries beside its dialogs.

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/dialog_texts.h"
#include "dialogs/program_icon.h"
#include "gui_win32/conversion_dialog.h"
#include "gui_win32/main_dialog.h"
#include "gui_win32/path_chooser.h"
#include "gui_win32/resource_ids.h"
#include "gui_win32/wide_text.h"
#include "gui_win32/win32_test_support.h"
#include "platform/message_sink.h"
#include "platform/version.h"

namespace velmora::testkit {
namespace {

// A dialog of the program made from its own template.
std::unique_ptr<DialogWindow> MakeDialog(DialogId dialog, const Services& services) {
  if (dialog == DialogId::kMain) return std::make_unique<MainDialog>(services);
  if (dialog == DialogId::kAbout) return std::make_unique<AboutDialog>();
  for (SourceGame game : {SourceGame::kCart, SourceGame::kN2, SourceGame::kN3, SourceGame::kNl}) {
    if (DialogOf(game) == dialog)
      return std::make_unique<ConversionDialog>(game, services, nullptr);
  }
  return std::make_unique<PathChooser>(ChooserTexts{}, "", std::vector<DriveRoot>{});
}

using Win32ProgramTest = Win32DialogTest;

// Every control the model names a text for shows it in the templates as it stands, mnemonic
// included, so the two front ends offer the same keys.
TEST_F(Win32ProgramTest, TheTemplatesHoldTheModelsTextsAndMnemonics) {
  RecordingMessageSink messages;
  for (DialogId dialog : {DialogId::kMain, DialogId::kAbout, DialogId::kCart, DialogId::kN2,
                          DialogId::kN3, DialogId::kNl, DialogId::kChooser}) {
    const std::unique_ptr<DialogWindow> window = MakeDialog(dialog, ServicesWith(messages));
    ASSERT_NE(window->Open(nullptr), nullptr);
    for (int id = 0; id < 1200; ++id) {
      const std::string text = TextOf(dialog, id);
      if (text.empty()) continue;
      SCOPED_TRACE(text);
      const HWND control = id == kTitleId ? window->hwnd() : window->Item(id);
      ASSERT_NE(control, nullptr) << "dialog " << static_cast<int>(dialog) << ", control " << id;
      EXPECT_EQ(Windows1252FromWide(WindowText(control)), text);
    }
  }
}

// Each button opens its dialog, the window menu's About too; Return presses Exit even from the
// button a dialog was opened with.
TEST_F(Win32ProgramTest, ButtonsAndTheWindowMenuOpenTheirDialogsAndReturnIsExit) {
  RecordingMessageSink messages;
  std::vector<int> opened;
  MainDialog dialog(ServicesWith(messages),
                    [&](HWND, const MainButton& button) { opened.push_back(button.id); });
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  for (const MainButton& button : MainButtons()) {
    if (button.action != MainAction::kExit) Click(window, button.id);
  }
  wchar_t text[64] = {};
  GetMenuStringW(GetSystemMenu(window, FALSE), kAboutCommand, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(Utf8FromWide(text), "&About Velmora...");
  SendMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
  EXPECT_EQ(opened, (std::vector<int>{kCartButtonId, kN2ButtonId, kN3ButtonId, kNlButtonId,
                                      kAboutButtonId, kAboutButtonId}));
  EXPECT_EQ(dialog.ended(), std::nullopt);
  PressReturn(window, GetDlgItem(window, kN2ButtonId));
  EXPECT_EQ(opened.size(), 6u);
  EXPECT_EQ(dialog.ended(), IDOK);
}

// The bytes of this program's resource `name` of `type`; empty when it has none.
std::string ResourceBytes(LPCWSTR name, LPCWSTR type) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return {};
  return std::string(static_cast<const char*>(LockResource(LoadResource(module, found))),
                     SizeofResource(module, found));
}

// The program's icon carries every size it is drawn at, the manifest asks for the visual styles
// and per-monitor scaling, and the version resource holds the project's version.
TEST(Win32ResourcesTest, IconManifestAndVersion) {
  const std::string group = ResourceBytes(MAKEINTRESOURCEW(VELMORA_IDI_PROGRAM), RT_GROUP_ICON);
  EXPECT_EQ(group.size(), 6 + 14 * ProgramIconSizes().size());  // a header, an entry a size

  const std::string manifest = ResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
  for (const char* part : {"Microsoft.Windows.Common-Controls", "PerMonitorV2", "asInvoker"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);

  std::string info = ResourceBytes(MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  wchar_t* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                             reinterpret_cast<void**>(&version), &length));
  EXPECT_EQ(Utf8FromWide(version), kVersion);
}

}  // namespace
}  // namespace velmora::testkit
