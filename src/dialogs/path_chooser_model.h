#ifndef VELMORA_DIALOGS_PATH_CHOOSER_MODEL_H_
#define VELMORA_DIALOGS_PATH_CHOOSER_MODEL_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_texts.h"
#include "dialogs/folder_listing.h"

namespace velmora {

// The directory chooser, `PathChooser`, without its windows: the sub-folders of the current
// path ("[name]", "[..]" to go up), the places to start from in a drive box, the path in an
// edit box the user may type into, and the caller's found message while the caller's probe
// file exists below the folder the edit box names.
//
// A view builds its controls from this state and passes the user's actions on; after an action
// that walked it shows entries(), drive() and edit_text() again, and found_text() after every
// action. The caller reads result() when the user pressed OK; on Cancel or Escape it keeps its
// own folder.
class PathChooserModel {
 public:
  // How the user acted on an entry of the folder list. A click, Return and a double-click walk
  // into the entry; moving the selection with the keyboard (arrows, type-ahead) only selects,
  // so the keyboard can reach any entry without walking away.
  enum class Gesture { kClick, kDoubleClick, kEnter, kKeyboardSelect };
  enum class Outcome {
    kNothing,  // no walk: a selection, or a gesture that completed an earlier walk
    kWalked,   // the path, the listing and the edit box changed
    kRefused,  // the walk would make the path too long; the view beeps
  };

  static constexpr long long kTypeAheadPause = 1000;  // milliseconds

  // Opens on `start` (the caller's folder) when it exists and fits, else on the process's
  // current folder, without one trailing separator. `home` is what a typed "~" stands for.
  PathChooserModel(const ChooserTexts& texts, std::string_view start, std::vector<DriveRoot> drives,
                   std::string home);

  // Windows-1252: the caller's title, or "Choose Path" when the caller gave none.
  const std::string& title() const { return title_; }
  const std::vector<FolderEntry>& entries() const { return entries_; }
  // The selected entry of the folder list, if any.
  std::optional<std::size_t> selection() const { return selection_; }
  const std::vector<DriveRoot>& drives() const { return drives_; }
  int drive() const { return drive_; }  // -1: no entry holds the path
  // UTF-8: the edit box's text.
  const std::string& edit_text() const { return edit_text_; }
  // Windows-1252: the found message, or empty.
  const std::string& found_text() const { return found_text_; }
  // The folder walked to, as the file system spells it.
  const std::string& path() const { return path_; }

  Outcome ActOnEntry(Gesture gesture, std::size_t index);
  // Walks to the drive entry's folder.
  Outcome ChooseDrive(std::size_t index);
  // The user changed the edit box's text; the found message follows it.
  void EditPath(std::string_view text);
  // Type-ahead in the folder list: `key` (UTF-8) typed at `time_ms` joins the letters typed
  // less than kTypeAheadPause before it, and the first entry whose name (inside the brackets)
  // starts with them, letter case ignored, is selected, searching forward from the selection
  // and around. A first letter moves on from the selection; one letter typed again and again
  // steps through the entries that start with it.
  std::optional<std::size_t> TypeAhead(std::string_view key, long long time_ms);
  // The folder OK hands back: the edit box's text as typed ("~" expanded), or, while the edit
  // box still shows the folder walked to, that folder exactly as the file system spells it.
  std::string result() const;

 private:
  Outcome WalkTo(std::string path);
  // The folder the edit box names.
  std::string EditedPath() const;
  void Probe();
  std::optional<std::size_t> FindEntry(std::string_view prefix, bool move_on) const;

  std::string title_;
  std::string probe_file_;
  std::string found_message_;
  std::string home_;
  std::string path_;
  std::string edit_text_;
  std::string found_text_;
  std::vector<FolderEntry> entries_;
  std::optional<std::size_t> selection_;
  std::vector<DriveRoot> drives_;
  int drive_ = -1;
  // A double-click ends with the second click of the same gesture: when the first click
  // walked, the entry under the pointer now is another folder, which the user never chose.
  bool click_walked_ = false;
  std::string typed_;
  long long typed_at_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_DIALOGS_PATH_CHOOSER_MODEL_H_
