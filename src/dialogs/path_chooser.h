#ifndef VELMORA_DIALOGS_PATH_CHOOSER_H_
#define VELMORA_DIALOGS_PATH_CHOOSER_H_

#include <QDialog>
#include <QString>
#include <vector>

#include "dialogs/folder_listing.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace velmora {

// The small modal dialog that picks a folder: the sub-folders of the current path in a list
// ("[name]", "[..]" to go up), the places to start from in a drive box, and the path in an edit
// box the user may type into. Selecting a folder walks into it at once. When the caller names a
// probe file, the dialog shows the caller's found message while that file exists below the
// current path, so the user sees when the right folder is reached.
//
// The caller sets title, probe file, found message and the starting path, runs exec(), and on
// Accepted reads path(): the edit box's text as it stood when OK was pressed. On Cancel or
// Escape path() is of no meaning to the caller, who keeps its own folder.
class PathChooser : public QDialog {
 public:
  explicit PathChooser(QWidget* parent = nullptr,
                       std::vector<DriveRoot> drives = DriveRoots(SystemDriveSources()));

  // An empty title keeps "Choose Path".
  void set_title(const QString& title) { title_ = title; }
  // Relative to the chosen folder, '/'-separated, looked up without regard to letter case.
  void set_probe_file(const QString& probe_file) { probe_file_ = probe_file; }
  void set_found_message(const QString& found_message) { found_message_ = found_message; }
  void set_path(const QString& path) { path_ = path; }
  const QString& path() const { return path_; }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void Open();
  void FillDrives();
  void ListFolders();
  void UpdateDisplay();
  void OnFolderSelected();
  void OnDriveSelected(int index);
  // Moves to `path` and shows it; refused (a beep, nothing changes) when it is too long.
  void WalkTo(const QString& path);

  QString title_;
  QString probe_file_;
  QString found_message_;
  QString path_;
  std::vector<DriveRoot> drives_;
  bool opened_ = false;

  QListWidget* folders_ = nullptr;
  QComboBox* drive_box_ = nullptr;
  QLineEdit* path_edit_ = nullptr;
  QLabel* found_text_ = nullptr;
};

}  // namespace velmora

#endif  // VELMORA_DIALOGS_PATH_CHOOSER_H_
