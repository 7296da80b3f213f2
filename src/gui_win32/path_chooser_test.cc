#include "gui_win32/path_chooser.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/folder_listing.h"
#include "gui_win32/win32_test_support.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"

namespace velmora::testkit {
namespace {

namespace fs = std::filesystem;

class Win32PathChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = TempFolder::Create("dir");
    ASSERT_TRUE(temp_);
    root_ = PathToUtf8(temp_->path());
    for (const char* folder : {"games/gpl", "games/other", "Zeta", "alpha"}) {
      fs::create_directories(temp_->path() / fs::path(folder));
    }
    ASSERT_TRUE(WriteFileText(temp_->path() / "games" / "gpl" / "GPL.EXE", "x"));
  }
  std::string Below(std::initializer_list<std::string_view> names) const {
    std::string path = root_;
    for (std::string_view name : names) path = ChildPath(path, name);
    return path;
  }

  std::optional<TempFolder> temp_;
  std::string root_;
};

TEST_F(Win32PathChooserTest, TheKeyboardSelectsAndReturnClicksAndDoubleClicksWalk) {
  PathChooser chooser(GplChooserTexts(), root_, DriveRoots(SystemDriveSources()));
  const HWND window = chooser.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  const HWND list = GetDlgItem(window, kDirectoryListId);
  EXPECT_EQ(Utf8FromWide(WindowText(window)), "Set GPL Application Directory");
  EXPECT_EQ(ItemText(window, kPathEditId), root_);
  EXPECT_EQ(ListEntries(window, kDirectoryListId),
            (std::vector<std::string>{"[..]", "[alpha]", "[games]", "[Zeta]"}));

  // Down, Down and a typed "g": the selection moves, the chooser stays.
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_GE(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(ItemText(window, kPathEditId), root_);
  SendMessageW(list, WM_CHAR, L'g', 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);  // "[games]": inside the brackets
  EXPECT_EQ(chooser.model().path(), root_);
  EXPECT_EQ(ItemText(window, kPathEditId), root_);

  // Return in the list walks into the selected folder; it does not press OK.
  PressReturn(window, list);
  EXPECT_EQ(chooser.ended(), std::nullopt);
  EXPECT_EQ(ItemText(window, kPathEditId), Below({"games"}));
  EXPECT_EQ(ListEntries(window, kDirectoryListId),
            (std::vector<std::string>{"[..]", "[gpl]", "[other]"}));
  EXPECT_EQ(ItemText(window, kFoundTextId), "");

  // A click walks; the second click of a double-click lands on the new listing and does not.
  PickEntry(window, kDirectoryListId, ListIndex(window, kDirectoryListId, "[gpl]"));
  EXPECT_EQ(ItemText(window, kPathEditId), Below({"games", "gpl"}));
  EXPECT_EQ(ItemText(window, kFoundTextId), "GPL Directory found");
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  Notify(window, kDirectoryListId, LBN_DBLCLK);
  EXPECT_EQ(chooser.model().path(), Below({"games", "gpl"}));
  // A double-click on an entry the keyboard moved to walks.
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
  Notify(window, kDirectoryListId, LBN_DBLCLK);
  EXPECT_EQ(ItemText(window, kPathEditId), Below({"games"}));
  EXPECT_EQ(ItemText(window, kFoundTextId), "");

  Click(window, IDOK);
  EXPECT_EQ(chooser.ended(), IDOK);
  EXPECT_EQ(chooser.chosen(), Below({"games"}));
}

TEST_F(Win32PathChooserTest, TheFoundTextFollowsTheTypedPathWhichOkHandsBack) {
  PathChooser chooser(GplChooserTexts(), root_, {});
  const HWND window = chooser.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  const HWND edit = GetDlgItem(window, kPathEditId);
  const auto type = [&](const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideFromUtf8(text).c_str()));
    Notify(window, kPathEditId, EN_CHANGE);
  };
  type(Below({"games", "gpl"}));
  EXPECT_EQ(ItemText(window, kFoundTextId), "GPL Directory found");
  type(Below({"games", "gp"}));
  EXPECT_EQ(ItemText(window, kFoundTextId), "");
  const std::string typed = Below({"not", "there"}) + "\\";
  type(typed);
  EXPECT_EQ(chooser.model().path(), root_);  // typing does not walk
  Click(window, IDOK);
  EXPECT_EQ(chooser.chosen(), typed);  // as typed, trailing separator included
}

TEST_F(Win32PathChooserTest, CancelHandsNothingBackAndADriveOpensOnItsFolder) {
  const std::vector<DriveRoot> drives = DriveRoots(SystemDriveSources());
  PathChooser chooser({"", "", ""}, root_, drives);
  const HWND window = chooser.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Utf8FromWide(WindowText(window)), "Choose Path");
  const HWND box = GetDlgItem(window, kDriveBoxId);
  ASSERT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(drives.size()));
  const LRESULT own = SendMessageW(box, CB_GETCURSEL, 0, 0);
  ASSERT_EQ(own, DriveOf(drives, root_));
  ASSERT_GE(own, 0);
  for (LRESULT other = 0; other < static_cast<LRESULT>(drives.size()); ++other) {
    if (other == own) continue;
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(other), 0);
    Notify(window, kDriveBoxId, CBN_SELCHANGE);
    const std::string folder = DriveStartFolder(drives[static_cast<std::size_t>(other)]);
    EXPECT_TRUE(EqualsIgnoreCase(ItemText(window, kPathEditId), WithoutTrailingSeparator(folder)))
        << ItemText(window, kPathEditId);
    break;
  }
  Click(window, IDCANCEL);
  EXPECT_EQ(chooser.ended(), IDCANCEL);
  EXPECT_EQ(chooser.chosen(), "");
}

}  // namespace
}  // namespace velmora::testkit
