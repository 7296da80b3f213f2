#include "dialogs/path_chooser_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/folder_listing.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Gesture = PathChooserModel::Gesture;
using Outcome = PathChooserModel::Outcome;

// Paths below the test's folder, with the system's separator.
std::string Join(std::string path, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) path = ChildPath(path, name);
  return path;
}

std::vector<std::string> Texts(const PathChooserModel& chooser) {
  std::vector<std::string> texts;
  for (const FolderEntry& entry : chooser.entries()) texts.push_back(entry.text);
  return texts;
}

std::size_t IndexOf(const PathChooserModel& chooser, std::string_view text) {
  for (std::size_t i = 0; i < chooser.entries().size(); ++i) {
    if (chooser.entries()[i].text == text) return i;
  }
  ADD_FAILURE() << "no entry " << text;
  return 0;
}

class PathChooserModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = TempFolder::Create("dir");
    ASSERT_TRUE(temp_);
    root_ = PathToUtf8(temp_->path());
    for (const char* folder : {"games/gpl", "games/other", "Zeta", "alpha", "home/GPL"}) {
      fs::create_directories(temp_->path() / fs::path(folder));
    }
#ifndef _WIN32
    fs::create_directories(temp_->path() / ".hidden");  // left out of the list on Linux
#endif
    ASSERT_TRUE(WriteFileText(temp_->path() / "games" / "gpl" / "GPL.EXE", "x"));
    ASSERT_TRUE(WriteFileText(temp_->path() / "home" / "GPL" / "gpl.exe", "x"));
  }
  PathChooserModel Open(const std::string& start) {
    return PathChooserModel(GplChooserTexts(), start, {}, Join(root_, {"home"}));
  }

  std::optional<TempFolder> temp_;
  std::string root_;
};

TEST_F(PathChooserModelTest, ClickEnterAndDoubleClickWalkTheKeyboardOnlySelects) {
  PathChooserModel chooser = Open(root_ + kPathSeparator);
  EXPECT_EQ(chooser.path(), root_);  // without its trailing separator
  EXPECT_EQ(Texts(chooser),
            (std::vector<std::string>{"[..]", "[alpha]", "[games]", "[home]", "[Zeta]"}));

  // Down, Down: the selection moves, the chooser stays.
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kKeyboardSelect, 1), Outcome::kNothing);
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kKeyboardSelect, 2), Outcome::kNothing);
  EXPECT_EQ(chooser.path(), root_);
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kEnter, 2), Outcome::kWalked);
  EXPECT_EQ(chooser.path(), Join(root_, {"games"}));
  EXPECT_EQ(chooser.edit_text(), Join(root_, {"games"}));

  // A double-click: its first click walks, its second lands on the new listing and does not.
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kClick, IndexOf(chooser, "[gpl]")), Outcome::kWalked);
  EXPECT_EQ(chooser.found_text(), "GPL Directory found");  // GPL.EXE: found in any case
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kDoubleClick, 0), Outcome::kNothing);
  EXPECT_EQ(chooser.path(), Join(root_, {"games", "gpl"}));

  // A double-click on an entry the keyboard selected walks.
  chooser.ActOnEntry(Gesture::kKeyboardSelect, 0);
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kDoubleClick, 0), Outcome::kWalked);
  EXPECT_EQ(chooser.result(), Join(root_, {"games"}));
}

TEST_F(PathChooserModelTest, TypeAheadMatchesTheNamesInsideTheBrackets) {
  fs::create_directories(temp_->path() / "gamma");
  PathChooserModel chooser = Open(root_);
  EXPECT_EQ(chooser.TypeAhead("g", 1000), IndexOf(chooser, "[games]"));
  // A longer prefix stays on the selected entry while it still matches.
  EXPECT_EQ(chooser.TypeAhead("a", 1100), IndexOf(chooser, "[games]"));  // "ga"
  EXPECT_EQ(chooser.TypeAhead("x", 1200), std::nullopt);                 // "gax": nothing
  EXPECT_EQ(chooser.selection(), IndexOf(chooser, "[games]"));
  EXPECT_EQ(chooser.TypeAhead("Z", 5000), IndexOf(chooser, "[Zeta]"));   // after a pause
  EXPECT_EQ(chooser.TypeAhead("a", 9000), IndexOf(chooser, "[alpha]"));  // around the end
  EXPECT_EQ(chooser.TypeAhead(".", 20000), 0u);                          // "[..]"
  EXPECT_EQ(chooser.path(), root_);                                      // type-ahead only selects
}

TEST_F(PathChooserModelTest, TheFoundTextFollowsTheTypedPath) {
  PathChooserModel chooser = Open(root_);
  chooser.EditPath(Join(root_, {"games", "gpl"}));
  EXPECT_EQ(chooser.found_text(), "GPL Directory found");
  chooser.EditPath(Join(root_, {"games", "gp"}));
  EXPECT_EQ(chooser.found_text(), "");
#ifndef _WIN32
  chooser.EditPath("~/GPL");  // "~" is home
  EXPECT_EQ(chooser.found_text(), "GPL Directory found");
  EXPECT_EQ(chooser.result(), root_ + "/home/GPL");
  EXPECT_EQ(ExpandHome("~pat/x", "/h"), "~pat/x");
  EXPECT_EQ(ExpandHome("a/~/b", "/h"), "a/~/b");
#endif
  // Handed back as typed, trailing separator included.
  const std::string typed = Join(root_, {"not", "there"}) + kPathSeparator;
  chooser.EditPath(typed);
  EXPECT_EQ(chooser.result(), typed);
  EXPECT_EQ(chooser.path(), root_);  // typing does not walk
}

// Names beyond ASCII are shown decoded, walked into and handed back as the file system spells
// them: UTF-8, and on Linux Windows-1252 bytes as copied from an old disk.
TEST_F(PathChooserModelTest, FolderNamesBeyondAsciiAreShownWalkedAndHandedBack) {
  std::vector<std::pair<std::string, std::string>> names = {{"games", "Caf\xC3\xA9"}};
#ifndef _WIN32
  names.emplace_back("alpha", "Caf\xE9");
#endif
  for (const auto& [parent, name] : names) {
    SCOPED_TRACE(parent);
    const std::string folder = Join(root_, {parent, name});
    fs::create_directories(PathFromUtf8(Join(folder, {"gpl"})));
    PathChooserModel chooser = Open(Join(root_, {parent}));
    EXPECT_EQ(chooser.ActOnEntry(Gesture::kClick, IndexOf(chooser, "[Caf\xC3\xA9]")),
              Outcome::kWalked);
    EXPECT_EQ(chooser.path(), folder);
    EXPECT_EQ(chooser.edit_text(), Join(root_, {parent, "Caf\xC3\xA9"}));
    EXPECT_EQ(chooser.result(), folder);  // the bytes, not the text shown
    EXPECT_EQ(chooser.ActOnEntry(Gesture::kClick, 0), Outcome::kWalked);
    EXPECT_EQ(chooser.path(), Join(root_, {parent}));
  }
}

#ifdef _WIN32

// A drive has no parent; "c:\games" goes up to the drive itself.
TEST(PathChooserModelWindowsTest, DrivesAreRoots) {
  EXPECT_EQ(ParentPath("c:\\games\\gpl"), "c:\\games");
  EXPECT_EQ(ParentPath("c:\\games"), "c:");
  EXPECT_EQ(ParentPath("c:"), "c:");
  EXPECT_EQ(ChildPath("c:", "games"), "c:\\games");
  EXPECT_EQ(ExpandHome("~\\x", "c:\\home"), "~\\x");
  EXPECT_EQ(WithoutTrailingSeparator("c:\\"), "c:");
  const std::vector<DriveRoot> drives = {{"[-c-]", "c:"}, {"[-z-]", "z:"}};
  EXPECT_EQ(DriveOf(drives, "C:\\users"), 0);  // the letter in either case
  EXPECT_EQ(DriveOf(drives, "Z:"), 1);
  EXPECT_EQ(DriveOf(drives, "d:\\x"), -1);
}

// Choosing a drive goes to the folder the system keeps current on it.
TEST_F(PathChooserModelTest, ADriveOpensOnItsCurrentFolder) {
  const std::vector<DriveRoot> drives = DriveRoots(SystemDriveSources());
  const int own = DriveOf(drives, root_);
  ASSERT_GE(own, 0) << root_;
  const fs::path before = fs::current_path();
  fs::current_path(PathFromUtf8(Join(root_, {"games"})));
  PathChooserModel chooser(GplChooserTexts(), root_, drives, "");
  EXPECT_EQ(chooser.drive(), own);
  EXPECT_EQ(chooser.ChooseDrive(static_cast<std::size_t>(own)), Outcome::kWalked);
  EXPECT_TRUE(EqualsIgnoreCase(chooser.path(), Join(root_, {"games"}))) << chooser.path();
  EXPECT_EQ(Texts(chooser), (std::vector<std::string>{"[..]", "[gpl]", "[other]"}));
  for (std::size_t other = 0; other < drives.size(); ++other) {
    if (static_cast<int>(other) == own) continue;
    SCOPED_TRACE(drives[other].entry);
    EXPECT_EQ(chooser.ChooseDrive(other), Outcome::kWalked);
    EXPECT_TRUE(EqualsIgnoreCase(chooser.path(), drives[other].folder)) << chooser.path();
    EXPECT_EQ(chooser.drive(), static_cast<int>(other));
    break;  // one drive that is not the current one is enough
  }
  fs::current_path(before);
}

#else  // the rest walks Linux folders: "/" as root, names as bytes, "~" as home

TEST_F(PathChooserModelTest, StartingFolderRootsAndTheLengthLimit) {
  for (const std::string& start : {std::string(), root_ + "/nowhere", std::string(300, 'x')}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(Open(start).path(), CurrentFolder());
  }
  PathChooserModel root = Open("/");
  EXPECT_EQ(root.path(), "/");
  EXPECT_NE(root.entries().front().text, "[..]");
  EXPECT_EQ(ParentPath("games"), "games");
  EXPECT_EQ(ParentPath("/games"), "/");
  EXPECT_EQ(ChildPath("/", "a"), "/a");

  // A folder whose path is exactly the limit can be reached; one step more is refused.
  std::string deep = root_ + "/deep";
  while (deep.size() < kMaxPathLength - 40) deep += "/" + std::string(30, 'd');
  deep += "/" + std::string(kMaxPathLength - 3 - deep.size(), 'e');
  ASSERT_EQ(deep.size(), kMaxPathLength - 2);
  fs::create_directories(deep + "/x/z");
  fs::create_directories(deep + "/yy");
  PathChooserModel chooser = Open(deep);
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kClick, IndexOf(chooser, "[yy]")), Outcome::kRefused);
  EXPECT_EQ(chooser.path(), deep);
  EXPECT_EQ(chooser.selection(), std::nullopt);
  EXPECT_EQ(chooser.ActOnEntry(Gesture::kClick, IndexOf(chooser, "[x]")), Outcome::kWalked);
  EXPECT_EQ(chooser.path().size(), kMaxPathLength);
}

TEST_F(PathChooserModelTest, TheDriveBoxOffersTheRootsAUserStartsFrom) {
  const std::string home = root_ + "/home/pat";
  for (const std::string& folder : {home + "/games", root_ + "/media/pat/USB STICK",
                                    root_ + "/mnt/data", root_ + "/wine/drive_c/GPL"}) {
    fs::create_directories(folder);
  }
  const std::vector<DriveRoot> drives =
      DriveRoots({home, root_ + "/wine", root_ + "/media", root_ + "/mnt"});
  std::vector<std::string> entries;
  for (const DriveRoot& drive : drives) entries.push_back(drive.entry);
  EXPECT_EQ(entries, (std::vector<std::string>{"[-/-]", "[-" + home + "-]",
                                               "[-" + root_ + "/media/pat/USB STICK-]",
                                               "[-" + root_ + "/mnt/data-]", "[-c-]"}));
  PathChooserModel chooser({"", "GPL/gpl.exe", "found"}, home + "/games", drives, home);
  EXPECT_EQ(chooser.drive(), 1);  // the closest root holding the path
  EXPECT_EQ(chooser.ChooseDrive(4), Outcome::kWalked);
  EXPECT_EQ(chooser.path(), root_ + "/wine/drive_c");
  EXPECT_EQ(chooser.drive(), 4);
  EXPECT_EQ(Texts(chooser), (std::vector<std::string>{"[..]", "[GPL]"}));
}

#endif  // _WIN32

}  // namespace
}  // namespace velmora
