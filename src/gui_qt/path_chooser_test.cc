#include "gui_qt/path_chooser.h"

#include <QComboBox>
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
    MakeFolder(root_ + "/games/other");
    MakeFolder(root_ + "/Zeta");
    MakeFolder(root_ + "/alpha");
    MakeFolder(root_ + "/.hidden");
    MakeFile(root_ + "/readme.txt");
  }

  void opensOnTheFolderWithoutItsTrailingSlash() {
    auto chooser = Open(root_ + "/");
    QCOMPARE(Edit(*chooser).text(), root_);
    // Folders only, sorted without regard to case, hidden ones left out, parent first.
    QCOMPARE(Entries(List(*chooser)), QStringList({"[..]", "[alpha]", "[games]", "[Zeta]"}));
    QCOMPARE(Found(*chooser), QString());
  }

  void walksDownAndUpShowingTheFoundMessageOnlyWhereTheProbeIs() {
    auto chooser = Open(root_);
    QVERIFY(ClickEntry(List(*chooser), "[games]"));
    QCOMPARE(Edit(*chooser).text(), root_ + "/games");
    QCOMPARE(Entries(List(*chooser)), QStringList({"[..]", "[gpl]", "[other]"}));
    QCOMPARE(Found(*chooser), QString());

    QVERIFY(ClickEntry(List(*chooser), "[gpl]"));  // holds GPL.EXE: found in any letter case
    QCOMPARE(Edit(*chooser).text(), root_ + "/games/gpl");
    QCOMPARE(Found(*chooser), QString("GPL Directory found"));
    QCOMPARE(Entries(List(*chooser)), QStringList({"[..]"}));

    QVERIFY(ClickEntry(List(*chooser), "[..]"));
    QCOMPARE(chooser->path(), root_ + "/games");
    QCOMPARE(Found(*chooser), QString());
    QVERIFY(ClickEntry(List(*chooser), "[..]"));
    QCOMPARE(chooser->path(), root_);

    // The keyboard selects without walking; Return walks into the selected folder.
    List(*chooser).setFocus();
    List(*chooser).setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(&List(*chooser), Qt::Key_Down);
    QCOMPARE(chooser->path(), root_);
    QTest::keyClick(&List(*chooser), Qt::Key_Down);
    QCOMPARE(List(*chooser).currentItem()->text(), QString("[games]"));
    QCOMPARE(chooser->path(), root_);
    QTest::keyClick(&List(*chooser), Qt::Key_Return);
    QCOMPARE(chooser->path(), root_ + "/games");
    QVERIFY(chooser->isVisible());  // Return in the list does not press OK
  }

  // A double-click walks one step: its second click lands on the new listing and is not taken
  // for another walk. Type-ahead finds the names inside the brackets and only selects.
  void aDoubleClickWalksOneStepAndTypeAheadOnlySelects() {
    auto chooser = Open(root_);
    const QList<QListWidgetItem*> games = List(*chooser).findItems("[games]", Qt::MatchExactly);
    QVERIFY(!games.isEmpty());
    QTest::mouseDClick(List(*chooser).viewport(), Qt::LeftButton, {},
                       List(*chooser).visualItemRect(games.front()).center());
    QCOMPARE(chooser->path(), root_ + "/games");

    auto typed = Open(root_);
    List(*typed).setFocus();
    QTest::keyClicks(&List(*typed), "ga");
    QVERIFY(List(*typed).currentItem() != nullptr);
    QCOMPARE(List(*typed).currentItem()->text(), QString("[games]"));
    QCOMPARE(typed->path(), root_);
    QTest::keyClick(&List(*typed), Qt::Key_Enter);
    QCOMPARE(typed->path(), root_ + "/games");
  }

  // The found text follows what is typed, and a folder name is shown as it stands.
  void theFoundTextFollowsTheTypedPath() {
    auto chooser = Open(root_);
    QCOMPARE(Found(*chooser), QString());
    Edit(*chooser).setFocus();
    QTest::keyClick(&Edit(*chooser), Qt::Key_End);
    QTest::keyClicks(&Edit(*chooser), "/games/gpl");
    QCOMPARE(Edit(*chooser).text(), root_ + "/games/gpl");
    QCOMPARE(Found(*chooser), QString("GPL Directory found"));
    QTest::keyClick(&Edit(*chooser), Qt::Key_Backspace);
    QCOMPARE(Found(*chooser), QString());
    QCOMPARE(chooser->findChild<QLabel*>("foundText")->textFormat(), Qt::PlainText);
  }

  void theRootAndRelativePathsHaveNoWayUp() {
    auto chooser = Open("/");
    QCOMPARE(Edit(*chooser).text(), QString("/"));
    QVERIFY(!Entries(List(*chooser)).contains("[..]"));
    QVERIFY(ClickEntry(List(*chooser), "[tmp]"));
    QCOMPARE(chooser->path(), QString("/tmp"));
    QVERIFY(ClickEntry(List(*chooser), "[..]"));
    QCOMPARE(chooser->path(), QString("/"));
  }

  void aStartingFolderThatDoesNotExistBecomesTheCurrentFolder() {
    for (const QString& start : {QString(), root_ + "/nowhere", QString(300, 'x')}) {
      auto chooser = Open(start);
      QCOMPARE(chooser->path(), QDir::currentPath());
      QCOMPARE(Edit(*chooser).text(), QDir::currentPath());
    }
  }

  void okReturnsTheTypedTextExactlyAndCancelReturnsNothing() {
    auto chooser = Open(root_);
    QVERIFY(ClickEntry(List(*chooser), "[games]"));
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

    auto cancelled = Open(root_);
    QVERIFY(ClickEntry(List(*cancelled), "[games]"));
    QTest::mouseClick(cancelled->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    QCOMPARE(cancelled->result(), int(QDialog::Rejected));
    QVERIFY(!cancelled->isVisible());

    auto escaped = Open(root_);
    QTest::keyClick(escaped.get(), Qt::Key_Escape);
    QCOMPARE(escaped->result(), int(QDialog::Rejected));
    QVERIFY(!escaped->isVisible());
  }

  void aWalkBeyond259CharactersIsRefused() {
    // A chain of folders whose path reaches exactly 259 characters with "x" as the last step.
    QString deep = root_ + "/deep";
    while (deep.size() < kMax - 40) deep += "/" + QString(30, 'd');
    deep += "/" + QString(kMax - 2 - deep.size() - 1, 'e');
    QCOMPARE(deep.size(), kMax - 2);
    MakeFolder(deep + "/x");   // 259 characters: allowed
    MakeFolder(deep + "/yy");  // 260 characters: refused
    MakeFolder(deep + "/x/z");

    auto chooser = Open(deep);
    QCOMPARE(Entries(List(*chooser)), QStringList({"[..]", "[x]", "[yy]"}));
    QVERIFY(ClickEntry(List(*chooser), "[yy]"));
    QCOMPARE(chooser->path(), deep);
    QCOMPARE(Edit(*chooser).text(), deep);
    QCOMPARE(Entries(List(*chooser)), QStringList({"[..]", "[x]", "[yy]"}));
    QVERIFY(List(*chooser).selectedItems().isEmpty());

    QVERIFY(ClickEntry(List(*chooser), "[x]"));
    QCOMPARE(chooser->path().size(), kMax);
    QVERIFY(ClickEntry(List(*chooser), "[z]"));  // one more step would not fit
    QCOMPARE(chooser->path(), deep + "/x");

    // The edit box takes no more than the limit either.
    Edit(*chooser).clear();
    QTest::keyClicks(&Edit(*chooser), QString(300, 'a'));
    QCOMPARE(Edit(*chooser).text().size(), kMax);
  }

  void theDriveBoxOffersTheRootsAUserStartsFrom() {
    const QString home = root_ + "/home/pat";
    MakeFolder(home + "/games");
    MakeFolder(root_ + "/media/pat/USB STICK");
    MakeFolder(root_ + "/media/cdrom");
    MakeFolder(root_ + "/mnt/data");
    MakeFolder(root_ + "/wine/drive_c/GPL");
    MakeFile(root_ + "/wine/drive_c/GPL/gpl.exe");
    DriveSources sources{ToUtf8(home), ToUtf8(root_ + "/wine"), ToUtf8(root_ + "/media"),
                         ToUtf8(root_ + "/mnt")};
    const std::vector<DriveRoot> drives = DriveRoots(sources);
    QStringList entries;
    for (const DriveRoot& drive : drives) entries.push_back(FromUtf8(drive.entry));
    QCOMPARE(entries, QStringList({"[-/-]", "[-" + home + "-]", "[-" + root_ + "/media/cdrom-]",
                                   "[-" + root_ + "/media/pat/USB STICK-]",
                                   "[-" + root_ + "/mnt/data-]", "[-c-]"}));

    PathChooser chooser({"", "GPL/gpl.exe", "found"}, ToUtf8(home + "/games"), nullptr, drives);
    ShowAndWait(chooser);
    auto* box = chooser.findChild<QComboBox*>("driveBox");
    QCOMPARE(box->currentText(), "[-" + home + "-]");  // the closest root holding the path
    QCOMPARE(chooser.path(), home + "/games");         // choosing it on opening walks nowhere

    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);  // the last entry, the Wine prefix's c: drive
    QCOMPARE(chooser.path(), root_ + "/wine/drive_c");
    QCOMPARE(Entries(List(chooser)), QStringList({"[..]", "[GPL]"}));
    QCOMPARE(Found(chooser), QString("found"));
  }
};

int RunPathChooserTests(int argc, char** argv) {
  PathChooserTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "path_chooser_test.moc"
