#ifndef VELMORA_GUI_QT_GUI_TEST_SUPPORT_H_
#define VELMORA_GUI_QT_GUI_TEST_SUPPORT_H_

// Helpers of the Qt Test suite: driving nested modal dialogs and clicking list entries.

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace velmora::testkit {

// Runs `action` on the next modal dialog of type T as soon as it is shown, from inside its own
// event loop (its exec() does not return before). When the action leaves the dialog open, the
// dialog is rejected, so a failing test ends instead of hanging. `seen` tells the test whether
// the dialog appeared at all.
template <typename T>
void OnNextModal(std::function<void(T&)> action, std::shared_ptr<bool> seen = nullptr,
                 int tries = 300) {
  QTimer::singleShot(10, [action = std::move(action), seen, tries]() mutable {
    auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
      if (tries > 0) OnNextModal<T>(std::move(action), seen, tries - 1);
      return;
    }
    if (seen) *seen = true;
    action(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
}

// A real mouse click, or double-click, on the entry of `list` with this text; false when there
// is none.
inline bool ClickEntry(QListWidget& list, const QString& text, bool twice = false) {
  const QList<QListWidgetItem*> items = list.findItems(text, Qt::MatchExactly);
  if (items.isEmpty()) return false;
  list.scrollToItem(items.front());
  const QPoint at = list.visualItemRect(items.front()).center();
  if (twice) QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
  if (!twice) QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
  return true;
}

// Shows a top-level widget and waits until it is exposed, so clicks reach it.
inline bool ShowAndWait(QWidget& widget) {
  widget.show();
  return QTest::qWaitForWindowExposed(&widget);
}

}  // namespace velmora::testkit

#endif  // VELMORA_GUI_QT_GUI_TEST_SUPPORT_H_
