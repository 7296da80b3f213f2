#ifndef VELMORA_GUI_QT_PATH_CHOOSER_H_
#define VELMORA_GUI_QT_PATH_CHOOSER_H_

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "dialogs/path_chooser_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace velmora {

class FolderList;

// The Qt view of the directory chooser: the folder list, the drive box, the path's edit box and
// the found message of a PathChooserModel, with OK and Cancel. The rules are the model's; this
// class shows its state and hands it the user's actions.
//
// The caller runs exec() and on Accepted takes chosen(), the folder as the file system spells
// it. On Cancel or Escape the caller keeps its own folder.
class PathChooser : public QDialog {
 public:
  PathChooser(const ChooserTexts& texts, const std::string& start, QWidget* parent = nullptr,
              std::vector<DriveRoot> drives = DriveRoots(SystemDriveSources()));

  const PathChooserModel& model() const { return model_; }
  // The folder handed back by OK, as the file system spells it.
  const std::string& chosen() const { return chosen_; }
  // As shown: the folder handed back after OK, else the folder walked to.
  QString path() const;

  void done(int result) override;

 private:
  void BuildControls();
  void ShowListing();
  void ShowFound();
  void Act(PathChooserModel::Gesture gesture, int row);
  void TypeAhead(const QString& key);
  void ChooseDrive(int index);
  void Show(PathChooserModel::Outcome outcome);

  PathChooserModel model_;
  std::string chosen_;
  bool accepted_ = false;

  FolderList* folders_ = nullptr;
  QComboBox* drive_box_ = nullptr;
  QLineEdit* path_edit_ = nullptr;
  QLabel* found_text_ = nullptr;
};

}  // namespace velmora

#endif  // VELMORA_GUI_QT_PATH_CHOOSER_H_
