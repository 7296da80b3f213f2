#ifndef VELMORA_GUI_WIN32_PATH_CHOOSER_H_
#define VELMORA_GUI_WIN32_PATH_CHOOSER_H_

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "dialogs/path_chooser_model.h"
#include "gui_win32/dialog_window.h"

namespace velmora {

// The directory chooser's window over its model: the folder list (a click, Return or a
// double-click walks, the arrow keys and typed letters only select), the drive box, the path
// box and the found text. After OK, chosen() is the folder the model hands back.
class PathChooser : public DialogWindow {
 public:
  PathChooser(const ChooserTexts& texts, const std::string& start, std::vector<DriveRoot> drives);

  const PathChooserModel& model() const { return model_; }
  const std::string& chosen() const { return chosen_; }

 private:
  using Gesture = PathChooserModel::Gesture;

  bool OnInit() override;
  void OnCommand(int id, int code) override;
  static LRESULT CALLBACK FolderListProcedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam, UINT_PTR id, DWORD_PTR data);

  void ShowListing();
  void ShowFound();
  void Show(PathChooserModel::Outcome outcome);
  void Act(Gesture gesture);
  void TypeAhead(wchar_t key);
  void ChooseDrive();

  PathChooserModel model_;
  std::string chosen_;
  // Set while the view fills its controls, whose notifications are then no user's action.
  bool filling_ = false;
  // Set while the folder list handles a key or a double-click, to tell the selection changes
  // these make from a click.
  bool keyboard_ = false;
  bool double_click_ = false;
};

// Runs the chooser modally over `owner` on this machine's drives; the chosen folder, or
// nothing when the user cancelled.
std::optional<std::string> ChooseFolderWithDialog(HWND owner, const ChooserTexts& texts,
                                                  const std::string& start);

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_PATH_CHOOSER_H_
