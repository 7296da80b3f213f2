#ifndef VELMORA_APP_MAIN_DIALOG_H_
#define VELMORA_APP_MAIN_DIALOG_H_

#include <QDialog>

#include "pipeline/source_games.h"
#include "platform/services.h"

class QAction;

namespace velmora {

// The program's main window: one button per source game, each running that game's
// ConversionDialog modally, "About", and "Exit" as the default button, so Enter ends the
// program. Closing the dialog ends the program.
//
// The window menu of the desktop cannot be extended from here, so "&About Velmora..." is
// offered in the dialog's own context menu (right click anywhere on the dialog), beside the
// About button. The services are not owned; they outlive the dialog.
class MainDialog : public QDialog {
 public:
  explicit MainDialog(const Services& services, QWidget* parent = nullptr);

  // The button ids: Exit 1, the four games 1007, 1008, 1010, 1014, About 1009.
  static int ConvertButtonId(SourceGame game);

 private:
  void RunConversionDialog(SourceGame game);
  void RunAboutDialog();

  Services services_;
};

}  // namespace velmora

#endif  // VELMORA_APP_MAIN_DIALOG_H_
