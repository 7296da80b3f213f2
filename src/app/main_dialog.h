#ifndef VELMORA_APP_MAIN_DIALOG_H_
#define VELMORA_APP_MAIN_DIALOG_H_

#include <QDialog>

#include "dialogs/main_dialog_model.h"
#include "pipeline/source_games.h"
#include "platform/services.h"

namespace velmora {

// The program's main window, the Qt view of the main dialog: the buttons of MainButtons(), each
// running what its action says modally; Exit, the only button Return presses, ends the program,
// as does closing the dialog.
//
// The window menu of the desktop cannot be extended from here, so "&About Velmora..." is
// offered in the dialog's own context menu (right click anywhere on the dialog), beside the
// About button. The services are not owned; they outlive the dialog.
class MainDialog : public QDialog {
 public:
  explicit MainDialog(const Services& services, QWidget* parent = nullptr);

 private:
  void Press(const MainButton& button);
  void RunConversionDialog(SourceGame game);
  void RunAboutDialog();

  Services services_;
};

}  // namespace velmora

#endif  // VELMORA_APP_MAIN_DIALOG_H_
