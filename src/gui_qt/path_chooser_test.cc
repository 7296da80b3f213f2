#include "gui_qt/path_chooser.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "gui_qt/dialog_text.h"
#include "gui_qt/gui_test_support.h"
#include "gui_qt/gui_tests.h"

namespace velmora::testkit {

class PathChooserTest : public QObject {
  Q_OBJECT

 private slots:
  // Keys select and Return walks; a click walks, a double-click one step only; the edit box takes
  // at most the longest path, and Return there is OK, handing back the typed text exactly.
  void keysAndClicksWalkAndOkReturnsTheTypedText() {
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(QDir().mkpath(root + "/games/gpl"));
    QFile exe(root + "/games/gpl/GPL.EXE");
    QVERIFY(exe.open(QIODevice::WriteOnly));
    PathChooser chooser(GplChooserTexts(), ToUtf8(root), nullptr, {});
    ShowAndWait(chooser);
    auto& list = *chooser.findChild<QListWidget*>("directoryList");
    auto& edit = *chooser.findChild<QLineEdit*>("pathEdit");
    QCOMPARE(chooser.windowTitle(), QString("Set GPL Application Directory"));
    QVERIFY(edit.hasFocus());

    list.setFocus();
    list.setCurrentRow(1);
    QCOMPARE(chooser.path(), root);  // [games] only selected
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(chooser.path(), root + "/games");
    QVERIFY(chooser.isVisible());
    QVERIFY(ClickEntry(list, "[gpl]"));
    QCOMPARE(edit.text(), root + "/games/gpl");
    auto* found = chooser.findChild<QLabel*>("foundText");
    QCOMPARE(found->text(), QString("GPL Directory found"));
    QCOMPARE(found->textFormat(), Qt::PlainText);
    QVERIFY(ClickEntry(list, "[..]", /*twice=*/true));
    QCOMPARE(chooser.path(), root + "/games");

    edit.clear();
    QTest::keyClicks(&edit, QString(300, 'a'));
    QCOMPARE(edit.text().size(), static_cast<qsizetype>(kMaxPathLength));
    edit.clear();
    QTest::keyClicks(&edit, "/not/there/");
    QTest::keyClick(&edit, Qt::Key_Return);            // OK is the default button
    QCOMPARE(chooser.path(), QString("/not/there/"));  // handed back as OK returns it
  }
};

int RunPathChooserTests(int argc, char** argv) {
  PathChooserTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "path_chooser_test.moc"
