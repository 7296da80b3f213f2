#include "gui_qt/path_chooser.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "gui_qt/dialog_text.h"
#include "gui_qt/gui_test_support.h"
#include "gui_qt/gui_tests.h"

namespace velmora::testkit {

namespace {

constexpr qsizetype kMax = static_cast<qsizetype>(kMaxPathLength);

void MakeFolder(const QString& path) { QDir().mkpath(path); }

void MakeFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write("x");
}

}  // namespace

class PathChooserTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString root_;

  static QListWidget& List(PathChooser& chooser) {
    return *chooser.findChild<QListWidget*>("directoryList");
  }
  static QLineEdit& Edit(PathChooser& chooser) {
    return *chooser.findChild<QLineEdit*>("pathEdit");
  }
  static QString Found(PathChooser& chooser) {
    return chooser.findChild<QLabel*>("foundText")->text();
  }
  // A chooser on `start` looking for gpl.exe, shown and ready for clicks.
  std::unique_ptr<PathChooser> Open(const QString& start) {
    auto chooser = std::make_unique<PathChooser>(GplChooserTexts(), ToUtf8(start), nullptr,
                                                 std::vector<DriveRoot>{});
    ShowAndWait(*chooser);
    return chooser;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    root_ = dir_.path();
    MakeFolder(root_ + "/games/gpl");
    MakeFile(root_ + "/games/gpl/GPL.EXE");
    MakeFolder(root_ + "/alpha");
  }

  // A click walks into a folder and shows the found text where the probe is; a double-click
  // walks one step, its second click landing on the new listing; the keyboard selects without
  // walking and Return walks into the selected folder without pressing OK.
  void clicksWalkAndTheKeyboardOnlySelects() {
    auto chooser = Open(root_);
    QVERIFY(ClickEntry(List(*chooser), "[games]"));
    QCOMPARE(Edit(*chooser).text(), root_ + "/games");
    QVERIFY(ClickEntry(List(*chooser), "[gpl]"));
    QCOMPARE(Found(*chooser), QString("GPL Directory found"));
    QCOMPARE(chooser->findChild<QLabel*>("foundText")->textFormat(), Qt::PlainText);

    auto twice = Open(root_);
    const QList<QListWidgetItem*> games = List(*twice).findItems("[games]", Qt::MatchExactly);
    QVERIFY(!games.isEmpty());
    QTest::mouseDClick(List(*twice).viewport(), Qt::LeftButton, {},
                       List(*twice).visualItemRect(games.front()).center());
    QCOMPARE(twice->path(), root_ + "/games");

    auto keys = Open(root_);
    List(*keys).setFocus();
    List(*keys).setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(&List(*keys), Qt::Key_Down);
    QTest::keyClick(&List(*keys), Qt::Key_Down);
    QCOMPARE(List(*keys).currentItem()->text(), QString("[games]"));
    QCOMPARE(keys->path(), root_);
    QTest::keyClick(&List(*keys), Qt::Key_Return);
    QCOMPARE(keys->path(), root_ + "/games");
    QVERIFY(keys->isVisible());
  }

  // OK, by the button or by Return in the edit box, returns the typed text exactly (Cancel is
  // the conversion dialog's test's). The edit box takes no more than the longest path.
  void okReturnsTheTypedTextExactly() {
    auto chooser = Open(root_);
    QVERIFY(ClickEntry(List(*chooser), "[games]"));
    Edit(*chooser).clear();
    QTest::keyClicks(&Edit(*chooser), QString(300, 'a'));
    QCOMPARE(Edit(*chooser).text().size(), kMax);
    Edit(*chooser).clear();
    QTest::keyClicks(&Edit(*chooser), "/not/there/");
    QTest::mouseClick(chooser->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(chooser->result(), int(QDialog::Accepted));
    QCOMPARE(chooser->path(), QString("/not/there/"));

    auto by_enter = Open(root_);
    QVERIFY(Edit(*by_enter).hasFocus());  // the edit box starts with the focus
    QTest::keyClick(&Edit(*by_enter), Qt::Key_End);
    QTest::keyClicks(&Edit(*by_enter), "x");
    QTest::keyClick(&Edit(*by_enter), Qt::Key_Return);  // OK is the default button
    QCOMPARE(by_enter->result(), int(QDialog::Accepted));
    QCOMPARE(by_enter->path(), root_ + "x");
  }
};

int RunPathChooserTests(int argc, char** argv) {
  PathChooserTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "path_chooser_test.moc"
