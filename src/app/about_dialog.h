#ifndef VELMORA_APP_ABOUT_DIALOG_H_
#define VELMORA_APP_ABOUT_DIALOG_H_

#include <QDialog>

namespace velmora {

// "About Velmora": the program's icon, its name and version on two lines, the credits and OK.
class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

// The two lines naming the program and its version.
inline constexpr const char* kAboutText = "CART/ICR2/N2/N3/NL To GPL Converter\nVersion 1.1a";

}  // namespace velmora

#endif  // VELMORA_APP_ABOUT_DIALOG_H_
