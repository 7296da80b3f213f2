#include "gui_win32/conversion_dialog.h"

#include <windows.h>
//
#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui_win32/win32_test_support.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/path_text.h"
#include "samples/installation_builder.h"
#include "testing/run_command.h"

namespace velmora::testkit {
namespace {

namespace fs = std::filesystem;

// Records each message, marked "busy" when it came on the dialog's thread while the dialog
// showed a run (the track list off, the bar on).
struct WatchingSink : MessageSink {
  void Show(std::string_view text) override {
    const bool busy = GetCurrentThreadId() == thread && !Enabled(dialog, kTrackListId) &&
                      Enabled(dialog, kProgressBarId);
    shown.push_back(std::string(text) + (busy ? " (busy)" : " (idle or off its thread)"));
  }

  const DWORD thread = GetCurrentThreadId();
  HWND dialog = nullptr;
  std::vector<std::string> shown;
};

// What the track list's tool tip says while the pointer is over its first entry.
std::string FirstTrackTip(HWND dialog) {
  const HWND list = GetDlgItem(dialog, kTrackListId);
  SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(4, 2));
  HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
  while (tip != nullptr && GetWindow(tip, GW_OWNER) != dialog) {
    tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr);
  }
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return Utf8FromWide(text);
}

class Win32ConversionDialogTest : public Win32DialogTest {
 protected:
  WatchingSink messages_;
  std::optional<std::string> source_, gpl_;
  std::vector<std::string> chooser_titles_;
  // The chooser stands in for the user: it hands back the folder set for its title, if any.
  ConversionDialog::FolderChooser chooser_ = [this](HWND, const ChooserTexts& texts,
                                                    const std::string&) {
    chooser_titles_.emplace_back(texts.title);
    return texts.title == GplChooserTexts().title ? gpl_ : source_;
  };
};

// The whole run, once: both folder buttons, the list and its tip, Convert on a thread of its
// own while the dialog is busy and refuses to close, and the pack the command line writes.
TEST_F(Win32ConversionDialogTest, ConvertsTheDemosTrackLikeTheCommandLine) {
  const samples::DemoInstallations demo = samples::WriteDemoInstallations(root_ / "demo");
  source_ = PathToUtf8(demo.source);
  gpl_ = PathToUtf8(demo.gpl);
  ConversionDialog dialog(SourceGame::kCart, ServicesWith(messages_), chooser_);
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  messages_.dialog = window;
  EXPECT_FALSE(Enabled(window, kConvertButtonId));
  Click(window, SourceButtonId(SourceGame::kCart));
  Click(window, kGplButtonId);  // it does not close the dialog
  EXPECT_EQ(chooser_titles_, (std::vector<std::string>{"Set CART/ICR2 Application Directory",
                                                       "Set GPL Application Directory"}));
  EXPECT_EQ(ItemText(window, kSourceFolderTextId), source_);
  EXPECT_EQ(ItemText(window, kGplFolderTextId), gpl_);
  ASSERT_EQ(ListEntries(window, kTrackListId), (std::vector<std::string>{"kestrel (add-on)"}));
  EXPECT_EQ(FirstTrackTip(window), "An add-on track in the folder " + demo.track);

  SendMessageW(GetDlgItem(window, kTrackListId), LB_SETCURSEL, 0, 0);
  Notify(window, kTrackListId, LBN_SELCHANGE);  // picked with the mouse
  Click(window, kConvertButtonId);
  SendMessageW(window, WM_CLOSE, 0, 0);
  Notify(window, kConvertButtonId, BN_CLICKED);  // a second press is no second run
  // The dialog's thread takes the run's messages until the run has ended.
  for (const ULONGLONG end = GetTickCount64() + 120000; dialog.run_going();) {
    ASSERT_LT(GetTickCount64(), end);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  EXPECT_EQ(dialog.ended(), std::nullopt);
  EXPECT_EQ(messages_.shown,
            (std::vector<std::string>{"No Patch Files Found for kestrel (busy)",
                                      "Check your installation of the converter (busy)",
                                      "Conversion Finished (busy)"}));
  EXPECT_TRUE(Enabled(window, kTrackListId));
  EXPECT_FALSE(Enabled(window, kProgressBarId));
  EXPECT_EQ(SendMessageW(GetDlgItem(window, kProgressBarId), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(window, kTrackListId));

  // The command line's demo converts the same sample into the same pack.
  ASSERT_EQ(RunCommand(VELMORA_CLI_PATH, {"demo", PathToUtf8(root_ / "cli")}, root_ / "cli.out",
                       root_ / "cli.err"),
            0);
  const fs::path pack = fs::path("tracks") / demo.track / (demo.track + ".dat");
  const std::optional<std::vector<std::uint8_t>> ours = ReadFileBytes(demo.gpl / pack);
  ASSERT_TRUE(ours && ours->size() > 1000);
  EXPECT_TRUE(ours == ReadFileBytes(root_ / "cli" / "gpl" / pack));
}

// Return presses the GPL folder button from a button used before; the sixteen-bit box and the
// geometry choice reach the settings as the model stores them; Back closes.
TEST_F(Win32ConversionDialogTest, ReturnOptionsAndBack) {
  settings_.SetHqSky(1);
  ConversionDialog dialog(SourceGame::kN3, ServicesWith(messages_), chooser_);
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  PressReturn(window, GetDlgItem(window, SourceButtonId(SourceGame::kN3)));
  EXPECT_EQ(chooser_titles_, (std::vector<std::string>{"Set GPL Application Directory"}));
  EXPECT_EQ(ItemText(window, kGplFolderTextId), "c:\\");  // the chooser was cancelled
  Click(window, SixteenBitId(SourceGame::kN3));           // checked from the settings, now off
  Notify(window, kConvertButtonId, BN_CLICKED);  // no track selected: the box is stored anyway
  EXPECT_EQ(settings_.HqSky(), 0);
  SendMessageW(GetDlgItem(window, kGeometryChoiceId), CB_SETCURSEL, 1, 0);
  Notify(window, kGeometryChoiceId, CBN_SELCHANGE);
  EXPECT_EQ(settings_.TrackFileConversion(), 1);
  Click(window, kBackButtonId);
  EXPECT_EQ(dialog.ended(), IDCANCEL);
}

}  // namespace
}  // namespace velmora::testkit
