#include "gui_qt/dialog_sinks.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <algorithm>

#include "dialogs/dialog_texts.h"
#include "gui_qt/dialog_text.h"

namespace velmora {

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, std::string_view text) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::Information, FromWindows1252(kMessageBoxTitle),
                                    QString(), QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);  // a folder named "<b>x</b>" shows its tags
  box->setText(FromWindows1252(text));
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

void MessageBoxSink::Show(std::string_view text) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(QApplication::activeWindow(), text);
  box->exec();
}

void MessageBoxSink::ShowWithHint(std::string_view text, std::string_view hint) {
  Show(std::string(text) + "\n\n" + std::string(hint));
}

void ProgressBarSink::SetRange(int low, int high) {
  low_ = low;
  high_ = std::max(high, low);
  position_ = low_;
  // A range without width would turn the bar into a busy indicator; an empty bar says more.
  bar_->setRange(low_, high_ > low_ ? high_ : low_ + 1);
  Show();
}

void ProgressBarSink::SetPosition(int position) {
  position_ = position;
  Show();
}

void ProgressBarSink::Step() {
  ++position_;
  Show();
}

void ProgressBarSink::Show() {
  // QProgressBar ignores values outside its range; a run that steps past the end stays full.
  bar_->setValue(std::clamp(position_, low_, high_));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace velmora
