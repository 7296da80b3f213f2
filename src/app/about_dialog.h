#ifndef VELMORA_APP_ABOUT_DIALOG_H_
#define VELMORA_APP_ABOUT_DIALOG_H_

#include <QDialog>

namespace velmora {

// "About Velmora": the program's icon, its name and version on two lines, the credits and OK.
class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace velmora

#endif  // VELMORA_APP_ABOUT_DIALOG_H_
