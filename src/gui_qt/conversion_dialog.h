#ifndef VELMORA_GUI_QT_CONVERSION_DIALOG_H_
#define VELMORA_GUI_QT_CONVERSION_DIALOG_H_

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "dialogs/conversion_model.h"
#include "dialogs/dialog_texts.h"
#include "pipeline/source_games.h"
#include "platform/services.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace velmora {

class ElidedLabel;

// The Qt view of one game's conversion dialog: the controls of a ConversionModel, whose state
// it shows and to which it hands the user's actions. The folder buttons run the PathChooser.
// While a run goes on the window shows a busy cursor and takes no input; the run itself stays
// on this thread and keeps the window painted through the progress bar's sink.
//
// The services are not owned and must outlive the dialog.
class ConversionDialog : public QDialog {
 public:
  ConversionDialog(SourceGame game, const Services& services, QWidget* parent = nullptr);

  const ConversionModel& model() const { return model_; }
  QString source_dir() const;
  QString gpl_dir() const;

  // Ignored while a conversion runs: the run cannot be interrupted, and the dialog must stay
  // until its finished message has been shown.
  void reject() override;

 private:
  QString Text(int id) const;
  QPushButton* AddButton(int id, const char* name);
  QCheckBox* AddCheckBox(int id, const char* name);
  void BuildControls();
  void BuildGeometryChoice();
  void SetTabOrder(QPushButton* source_button, QPushButton* gpl_button, QPushButton* back);
  void ShowTracks();
  void ShowState();
  void ChooseSourceFolder();
  void ChooseGplFolder();
  // Runs the chooser from `start`; the chosen folder, or nothing when the user cancelled.
  std::optional<std::string> ChooseFolder(const ChooserTexts& texts, const std::string& start);
  void Convert();

  ConversionModel model_;
  bool busy_shown_ = false;

  QListWidget* tracks_ = nullptr;
  QPushButton* convert_ = nullptr;
  QProgressBar* progress_ = nullptr;
  ElidedLabel* source_dir_text_ = nullptr;
  ElidedLabel* gpl_dir_text_ = nullptr;
  QCheckBox* keep_skid_marks_ = nullptr;
  QCheckBox* sixteen_bit_ = nullptr;  // null for games without a sixteen-bit sky
  QComboBox* geometry_choice_ = nullptr;
};

}  // namespace velmora

#endif  // VELMORA_GUI_QT_CONVERSION_DIALOG_H_
