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

// Records each message with what the dialog showed while it was up, and the thread it came on.
class WatchingSink : public MessageSink {
 public:
  struct Seen {
    std::string text;
    bool on_dialog_thread;
    bool list_enabled;
    bool bar_enabled;
  };
  void Show(std::string_view text) override {
    const HWND dialog = dialog_;
    seen_.push_back({std::string(text), GetCurrentThreadId() == thread_,
                     dialog != nullptr && Enabled(dialog, kTrackListId),
                     dialog != nullptr && Enabled(dialog, kProgressBarId)});
  }
  void Watch(HWND dialog) { dialog_ = dialog; }
  std::vector<std::string> texts() const {
    std::vector<std::string> texts;
    for (const Seen& seen : seen_) texts.push_back(seen.text);
    return texts;
  }
  const std::vector<Seen>& seen() const { return seen_; }

 private:
  DWORD thread_ = GetCurrentThreadId();
  HWND dialog_ = nullptr;
  std::vector<Seen> seen_;
};

// What the track list's tool tip says while the pointer is over entry `row`.
std::string TrackTip(HWND dialog, int row) {
  const HWND list = GetDlgItem(dialog, kTrackListId);
  RECT entry{};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&entry));
  SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(entry.left + 4, entry.top + 2));
  struct Search {
    HWND owner;
    HWND tip = nullptr;
  } search{dialog};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<Search*>(data);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring_view(name) != TOOLTIPS_CLASSW ||
            GetWindow(window, GW_OWNER) != found->owner)
          return TRUE;
        found->tip = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.tip == nullptr) return "no tip";
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = text;
  SendMessageW(search.tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return Utf8FromWide(text);
}

class Win32ConversionDialogTest : public Win32DialogTest {
 protected:
  Services services() { return ServicesWith(messages_); }
  // The chooser stands in for the user: it hands back the folder asked for by its title.
  ConversionDialog::FolderChooser Chooser(std::optional<fs::path> source,
                                          std::optional<fs::path> gpl) {
    return [this, source, gpl](HWND, const ChooserTexts& texts,
                               const std::string&) -> std::optional<std::string> {
      chooser_titles_.emplace_back(texts.title);
      const bool for_gpl = texts.title == GplChooserTexts().title;
      const std::optional<fs::path>& folder = for_gpl ? gpl : source;
      if (!folder) return std::nullopt;
      return PathToUtf8(*folder);
    };
  }

  WatchingSink messages_;
  std::vector<std::string> chooser_titles_;
};

TEST_F(Win32ConversionDialogTest, ConvertsTheDemosTrackLikeTheCommandLine) {
  const samples::DemoInstallations demo = samples::WriteDemoInstallations(root_ / "demo");
  ConversionDialog dialog(SourceGame::kCart, services(), Chooser(demo.source, demo.gpl));
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  messages_.Watch(window);
  EXPECT_EQ(ItemText(window, kSourceFolderTextId), "c:\\");  // fresh settings
  EXPECT_FALSE(Enabled(window, kConvertButtonId));
  EXPECT_FALSE(Enabled(window, kProgressBarId));

  Click(window, SourceButtonId(SourceGame::kCart));
  Click(window, kGplButtonId);  // the GPL button does not close the dialog
  EXPECT_EQ(chooser_titles_, (std::vector<std::string>{"Set CART/ICR2 Application Directory",
                                                       "Set GPL Application Directory"}));
  EXPECT_EQ(dialog.ended(), std::nullopt);
  EXPECT_EQ(ItemText(window, kSourceFolderTextId), PathToUtf8(demo.source));
  EXPECT_EQ(ItemText(window, kGplFolderTextId), PathToUtf8(demo.gpl));
  ASSERT_EQ(ListEntries(window, kTrackListId), (std::vector<std::string>{"kestrel (add-on)"}));
  EXPECT_NE(Stored().find("ICR2 Path=" + PathToUtf8(demo.source)), std::string::npos);
  EXPECT_EQ(TrackTip(window, 0), "An add-on track in the folder " + demo.track);

  PickEntry(window, kTrackListId, 0);
  ASSERT_TRUE(Enabled(window, kConvertButtonId));
  Click(window, kConvertButtonId);
  // The run goes on its own thread: the dialog is busy, takes no input and cannot be closed.
  EXPECT_TRUE(dialog.model().running());
  EXPECT_FALSE(Enabled(window, kTrackListId));
  EXPECT_FALSE(Enabled(window, kConvertButtonId));
  EXPECT_FALSE(Enabled(window, kGplButtonId));
  EXPECT_TRUE(Enabled(window, kProgressBarId));
  SendMessageW(window, WM_CLOSE, 0, 0);
  Notify(window, kConvertButtonId, BN_CLICKED);  // a second press is no second run
  ASSERT_TRUE(PumpUntil([&] { return !dialog.run_going(); }));
  EXPECT_EQ(dialog.ended(), std::nullopt);

  EXPECT_EQ(messages_.texts(), (std::vector<std::string>{"No Patch Files Found for kestrel",
                                                         "Check your installation of the converter",
                                                         "Conversion Finished"}));
  for (const WatchingSink::Seen& seen : messages_.seen()) {
    SCOPED_TRACE(seen.text);
    EXPECT_TRUE(seen.on_dialog_thread);
    EXPECT_FALSE(seen.list_enabled);
    EXPECT_TRUE(seen.bar_enabled);
  }
  EXPECT_TRUE(Enabled(window, kTrackListId));
  EXPECT_FALSE(Enabled(window, kProgressBarId));
  EXPECT_EQ(SendMessageW(GetDlgItem(window, kProgressBarId), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(window, kTrackListId));
  EXPECT_NE(Stored().find("GPL Path=" + PathToUtf8(demo.gpl)), std::string::npos);
  EXPECT_EQ(Stored().find("N2N4TrkConvert"), std::string::npos);

  // Return after the run opens the GPL folder chooser; it converts nothing.
  PressReturn(window, GetDlgItem(window, kTrackListId));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(chooser_titles_.size(), 3u);
  EXPECT_EQ(chooser_titles_.back(), "Set GPL Application Directory");
  EXPECT_EQ(messages_.texts().size(), 3u);
  EXPECT_FALSE(dialog.run_going());

  // The command line converts the same track of a second copy into the same pack.
  const samples::DemoInstallations again = samples::WriteDemoInstallations(root_ / "again");
  EXPECT_EQ(RunCommand(VELMORA_CLI_PATH,
                       {"convert", "--game", "cart", "--source", PathToUtf8(again.source), "--gpl",
                        PathToUtf8(again.gpl), "--track", again.track, "--settings",
                        PathToUtf8(root_ / "cli.INI")},
                       root_ / "cli.out", root_ / "cli.err"),
            0);
  const fs::path pack = fs::path("tracks") / demo.track / (demo.track + ".dat");
  const std::optional<std::vector<std::uint8_t>> ours = ReadFileBytes(demo.gpl / pack);
  const std::optional<std::vector<std::uint8_t>> theirs = ReadFileBytes(again.gpl / pack);
  ASSERT_TRUE(ours && theirs);
  EXPECT_GT(ours->size(), 1000u);
  EXPECT_TRUE(*ours == *theirs) << ours->size() << " bytes against " << theirs->size();
}

TEST_F(Win32ConversionDialogTest, ReturnOpensTheGplChooserAndBackClosesWithoutStoring) {
  ConversionDialog dialog(SourceGame::kN2, services(), Chooser(std::nullopt, std::nullopt));
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), kGplButtonId);
  // Return on a button used before still presses the GPL folder button; cancelling changes
  // nothing.
  for (int id : {SourceButtonId(SourceGame::kN2), kBackButtonId, SixteenBitId(SourceGame::kN2)}) {
    SCOPED_TRACE(id);
    chooser_titles_.clear();
    PressReturn(window, GetDlgItem(window, id));
    EXPECT_EQ(chooser_titles_, (std::vector<std::string>{"Set GPL Application Directory"}));
    EXPECT_EQ(dialog.ended(), std::nullopt);
  }
  EXPECT_EQ(ItemText(window, kGplFolderTextId), "c:\\");
  Click(window, SixteenBitId(SourceGame::kN2));  // stored on Convert only
  Click(window, kBackButtonId);
  EXPECT_EQ(dialog.ended(), IDCANCEL);
  EXPECT_EQ(Stored(), "");
}

TEST_F(Win32ConversionDialogTest, TheSixteenBitBoxStoresOnConvertAndTheGeometryOnChange) {
  settings_->SetHqSky(1);
  ConversionDialog dialog(SourceGame::kN3, services(), Chooser(std::nullopt, std::nullopt));
  const HWND window = dialog.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(IsDlgButtonChecked(window, SixteenBitId(SourceGame::kN3)), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(window, KeepSkidMarksId(SourceGame::kN3)), BST_UNCHECKED);
  Click(window, SixteenBitId(SourceGame::kN3));
  Notify(window, kConvertButtonId, BN_CLICKED);  // no track selected: the box is stored anyway
  EXPECT_NE(Stored().find("HQsky=0"), std::string::npos);
  EXPECT_FALSE(dialog.run_going());

  const HWND choice = GetDlgItem(window, kGeometryChoiceId);
  EXPECT_EQ(SendMessageW(choice, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(choice, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Stored().find("N2N4TrkConvert"), std::string::npos);
  SendMessageW(choice, CB_SETCURSEL, 1, 0);
  Notify(window, kGeometryChoiceId, CBN_SELCHANGE);
  EXPECT_NE(Stored().find("N2N4TrkConvert=1"), std::string::npos);
}

}  // namespace
}  // namespace velmora::testkit
