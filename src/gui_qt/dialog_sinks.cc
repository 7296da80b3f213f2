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
  state_.SetRange(low, high);
  bar_->setRange(state_.bar_low(), state_.bar_high());
  Show();
}

void ProgressBarSink::SetPosition(int position) {
  state_.SetPosition(position);
  Show();
}

void ProgressBarSink::Step() {
  state_.Step();
  Show();
}

void ProgressBarSink::Show() {
  bar_->setValue(state_.bar_value());
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace velmora
