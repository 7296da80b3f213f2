#include "gui_win32/path_chooser.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/folder_listing.h"
#include "gui_win32/win32_test_support.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace velmora::testkit {
namespace {

namespace fs = std::filesystem;

using Win32PathChooserTest = Win32DialogTest;

// Which gesture each key and mouse message is: the keyboard selects, Return and a click walk,
// a double-click walks only on an entry the keyboard chose; a drive opens on its folder; typing
// shows what it finds; Cancel hands nothing back, OK what was typed.
TEST_F(Win32PathChooserTest, KeysClicksAndTypingReachTheChooser) {
  for (const char* folder : {"games/gpl", "games/other", "Zeta", "alpha"}) {
    fs::create_directories(root_ / fs::path(folder));
  }
  ASSERT_TRUE(WriteFileText(root_ / "games" / "gpl" / "GPL.EXE", "x"));
  const std::string root = PathToUtf8(root_);
  const std::string games = ChildPath(root, "games");
  const std::vector<DriveRoot> drives = DriveRoots(SystemDriveSources());
  ASSERT_GE(drives.size(), 2u);
  PathChooser chooser(GplChooserTexts(), root, drives);
  const HWND window = chooser.Open(nullptr, true);
  ASSERT_NE(window, nullptr);
  const HWND list = GetDlgItem(window, kDirectoryListId);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(list, WM_CHAR, L'g', 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);  // "[games]": inside the brackets
  EXPECT_EQ(ItemText(window, kPathEditId), root);

  PressReturn(window, list);  // walks; it presses no OK (nothing is chosen below)
  EXPECT_EQ(ListEntries(window, kDirectoryListId),
            (std::vector<std::string>{"[..]", "[gpl]", "[other]"}));
  SendMessageW(list, LB_SETCURSEL, 1, 0);  // a click
  Notify(window, kDirectoryListId, LBN_SELCHANGE);
  EXPECT_EQ(ItemText(window, kFoundTextId), "GPL Directory found");
  SendMessageW(list, LB_SETCURSEL, 0, 0);  // a double-click's second click on the new listing
  Notify(window, kDirectoryListId, LBN_DBLCLK);
  EXPECT_EQ(ItemText(window, kPathEditId), ChildPath(games, "gpl"));
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
  Notify(window, kDirectoryListId, LBN_DBLCLK);
  EXPECT_EQ(ItemText(window, kPathEditId), games);

  const int own = DriveOf(drives, root);
  EXPECT_EQ(SendMessageW(GetDlgItem(window, kDriveBoxId), CB_GETCURSEL, 0, 0), own);
  const int other = own == 0 ? 1 : 0;
  SendMessageW(GetDlgItem(window, kDriveBoxId), CB_SETCURSEL, static_cast<WPARAM>(other), 0);
  Notify(window, kDriveBoxId, CBN_SELCHANGE);
  const std::string folder = DriveStartFolder(drives[static_cast<std::size_t>(other)]);
  EXPECT_TRUE(EqualsIgnoreCase(ItemText(window, kPathEditId), WithoutTrailingSeparator(folder)))
      << folder;

  const std::string typed = ChildPath(games, "gpl") + "\\";
  SetDlgItemTextW(window, kPathEditId, WideFromUtf8(typed).c_str());  // as typing does
  EXPECT_EQ(ItemText(window, kFoundTextId), "GPL Directory found");
  Click(window, IDCANCEL);
  EXPECT_EQ(chooser.ended(), IDCANCEL);
  EXPECT_EQ(chooser.chosen(), "");
  Click(window, IDOK);  // the window stays until the object goes
  EXPECT_EQ(chooser.chosen(), typed);
}

}  // namespace
}  // namespace velmora::testkit
