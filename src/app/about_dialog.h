#ifndef VELMORA_APP_ABOUT_DIALOG_H_
#define VELMORA_APP_ABOUT_DIALOG_H_

#include <QDialog>
#include <QString>

namespace velmora {

// "About Velmora": the program's icon, its name and version on two lines, the credits and OK.
class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

// The two lines naming the program and its version, the one `velmora --version` prints.
QString AboutText();

}  // namespace velmora

#endif  // VELMORA_APP_ABOUT_DIALOG_H_
