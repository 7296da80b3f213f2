// The texts the Win32 dialogs show, read against the same table as the dialog model's and the
// Qt views', and the resources the program carries beside its dialogs.

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <span>
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
#include "testing/dialog_text_table.h"

namespace velmora::testkit {
namespace {

constexpr DialogId kAllDialogs[] = {DialogId::kMain,   DialogId::kAbout, DialogId::kCart,
                                    DialogId::kN2,     DialogId::kN3,    DialogId::kNl,
                                    DialogId::kChooser};

// Opens each dialog once, modeless, from the program's own templates.
class Win32TextReader : public DialogTextReader {
 public:
  explicit Win32TextReader(const Services& services) : services_(services) {}

  std::optional<std::string> Read(DialogId dialog, int id) override {
    const std::optional<std::string> text = ReadWithMnemonic(dialog, id);
    if (!text) return std::nullopt;
    return WithoutMnemonic(*text);
  }
  // The text as the template holds it, mnemonic marks included (Windows-1252).
  std::optional<std::string> ReadWithMnemonic(DialogId dialog, int id) {
    const HWND window = Window(dialog);
    const HWND control = id == kTitleId ? window : GetDlgItem(window, id);
    if (control == nullptr) return std::nullopt;
    return Windows1252FromWide(WindowText(control));
  }

 private:
  HWND Window(DialogId dialog) {
    std::unique_ptr<DialogWindow>& window = windows_[dialog];
    if (!window) {
      window = Make(dialog);
      window->Open(nullptr);
    }
    return window->hwnd();
  }
  std::unique_ptr<DialogWindow> Make(DialogId dialog) {
    if (dialog == DialogId::kMain) return std::make_unique<MainDialog>(services_);
    if (dialog == DialogId::kAbout) return std::make_unique<AboutDialog>();
    for (SourceGame game : {SourceGame::kCart, SourceGame::kN2, SourceGame::kN3, SourceGame::kNl}) {
      if (DialogOf(game) != dialog) continue;
      return std::make_unique<ConversionDialog>(game, services_,
                                                [](HWND, const ChooserTexts&, const std::string&) {
                                                  return std::optional<std::string>();
                                                });
    }
    return std::make_unique<PathChooser>(ChooserTexts{}, "", std::vector<DriveRoot>{});
  }

  Services services_;
  std::map<DialogId, std::unique_ptr<DialogWindow>> windows_;
};

class Win32DialogTextsTest : public Win32DialogTest {
 protected:
  void SetUp() override {
    Win32DialogTest::SetUp();
    reader_.emplace(ServicesWith(messages_));
  }

  RecordingMessageSink messages_;
  std::optional<Win32TextReader> reader_;
};

TEST_F(Win32DialogTextsTest, EveryTextOfTheDialogsReadsWordForWord) {
  for (const std::string& mismatch : DialogTextMismatches(*reader_)) ADD_FAILURE() << mismatch;
}

// Every control the model names a text for shows it in the templates, mnemonic included, so
// the two front ends offer the same keys.
TEST_F(Win32DialogTextsTest, TheTemplatesHoldTheModelsTextsAndMnemonics) {
  for (DialogId dialog : kAllDialogs) {
    for (int id = 0; id < 1200; ++id) {
      const std::string text = TextOf(dialog, id);
      if (text.empty()) continue;
      SCOPED_TRACE(text);
      EXPECT_EQ(reader_->ReadWithMnemonic(dialog, id), text)
          << "dialog " << static_cast<int>(dialog) << ", control " << id;
    }
  }
}

// The program's icon carries every size from 16 to 256 pixels, the manifest asks for the
// visual styles and per-monitor scaling, and the version resource holds the project's version.
TEST(Win32ResourcesTest, IconManifestAndVersion) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(VELMORA_IDI_PROGRAM), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
  const DWORD size = SizeofResource(module, group);
  ASSERT_GE(size, 6u);
  const unsigned count = bytes[4] | bytes[5] << 8;
  ASSERT_EQ(size, 6u + 14u * count);  // GRPICONDIR and its 14-byte entries
  std::set<int> sizes;
  for (unsigned i = 0; i < count; ++i) {
    const int side = bytes[6 + 14 * i];
    sizes.insert(side == 0 ? 256 : side);
  }
  const std::span<const int> drawn = ProgramIconSizes();
  EXPECT_EQ(sizes, std::set<int>(drawn.begin(), drawn.end()));
  EXPECT_EQ(*sizes.begin(), 16);
  EXPECT_EQ(*sizes.rbegin(), 256);

  const HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                         SizeofResource(module, manifest));
  for (const char* part : {"Microsoft.Windows.Common-Controls", "PerMonitorV2", "asInvoker"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(text.find("activeCodePage"), std::string::npos);

  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
  const DWORD info_size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(info_size, 0u);
  std::vector<unsigned char> info(info_size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, info_size, info.data()));
  wchar_t* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                             reinterpret_cast<void**>(&version), &length));
  EXPECT_EQ(Utf8FromWide(version), kVersion);
}

}  // namespace
}  // namespace velmora::testkit
