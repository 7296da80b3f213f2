#ifndef VELMORA_DIALOGS_CONVERSION_DIALOG_H_
#define VELMORA_DIALOGS_CONVERSION_DIALOG_H_

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "dialogs/game_dialog_text.h"
#include "pipeline/source_games.h"
#include "platform/services.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace velmora {

// The modal dialog that converts one track of one source game: the source game's folder and
// GPL's folder (each changed with the PathChooser), the list of the game's tracks found in the
// source folder, the game's check boxes, Convert and a progress bar. Everything that differs
// between the games comes from the SourceGameInfo and the GameDialogText; the conversion itself is
// the core's TrackConverter, the same one the command line runs.
//
// Settings: both folders are read when the dialog is made. The source folder is stored each
// time the list finds a track in it; the GPL folder after each conversion; "HQsky" on each
// press of Convert (games with the sixteen-bit box); "N2N4TrkConvert" only when the user changes
// the track geometry choice. Back and Escape store nothing.
//
// The list shows the game's known tracks by display name, sorted, then the add-on tracks found
// in the source folder, marked as such; each entry keeps the folder a conversion is given.
//
// The services are not owned and must outlive the dialog. Messages of a run go to the services'
// MessageSink in the order they arise, ending with "Conversion Finished".
class ConversionDialog : public QDialog {
 public:
  ConversionDialog(const SourceGameInfo& game, const Services& services, QWidget* parent = nullptr);

  const QString& source_dir() const { return source_dir_; }
  const QString& gpl_dir() const { return gpl_dir_; }

  // Ignored while a conversion runs: the run cannot be interrupted, and the dialog must stay
  // until its finished message has been shown.
  void reject() override;

 private:
  void BuildControls();
  QPushButton* AddButton(int id, std::string_view text, const char* name);
  QCheckBox* AddCheckBox(int id, std::string_view text, const char* name);
  void RefreshTracks();
  void ChooseSourceFolder();
  void ChooseGplFolder();
  // Runs the chooser from `start`; the chosen folder, or nothing when the user cancelled.
  std::optional<QString> ChooseFolder(std::string_view title, std::string_view probe_file,
                                      std::string_view found_message, const QString& start);
  void BuildGeometryChoice();
  void ChooseGeometry(int index);
  void Convert();
  void RunPipeline(const std::string& folder);

  const SourceGameInfo& game_;
  const GameDialogText& text_;
  Services services_;
  QString source_dir_;
  QString gpl_dir_;
  bool running_ = false;
  // The track geometry choice: the option's value shown, nothing for automatic.
  std::optional<int> geometry_;

  QListWidget* tracks_ = nullptr;
  QPushButton* convert_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* source_dir_text_ = nullptr;
  QLabel* gpl_dir_text_ = nullptr;
  QCheckBox* keep_skid_marks_ = nullptr;
  QCheckBox* sixteen_bit_ = nullptr;  // null for games without a sixteen-bit sky
  QComboBox* geometry_choice_ = nullptr;
};

}  // namespace velmora

#endif  // VELMORA_DIALOGS_CONVERSION_DIALOG_H_
