#include "gui_qt/conversion_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui_qt/dialog_sinks.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/elided_label.h"
#include "gui_qt/gui_test_support.h"
#include "gui_qt/gui_tests.h"
#include "gui_qt/path_chooser.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"

namespace velmora::testkit {

// Records each message and runs the test's action, if any, as it is shown.
struct WatchingSink : RecordingMessageSink {
  void Show(std::string_view text) override {
    RecordingMessageSink::Show(text);
    if (on_show) on_show();
  }
  std::function<void()> on_show;
};

class ConversionDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // A first conversion: the demo's folders chosen by typing and OK, its track picked, Convert;
  // during the run the dialog looks busy and refuses to close; then Return, whichever button
  // has the focus, opens the GPL chooser, whose Cancel changes nothing; Back closes. Folders and
  // messages show their text as it stands, Tab follows the layout, names are Windows-1252.
  void convertsTheDemosAddOnTrackFromFreshSettings() {
    QTemporaryDir dir;
    const std::filesystem::path root = dir.path().toStdString();
    Settings settings(root / "Velmora.INI", (root / "home").string());
    ResourceStore resources(EmbeddedFiles(), root / "resources");
    WatchingSink messages;
    const samples::DemoInstallations demo =
        samples::WriteDemoInstallations(root / "<b>x</b>" / std::string(120, 'd'));
    ConversionDialog dialog(SourceGame::kCart, Services{messages, settings, resources});
    ShowAndWait(dialog);
    for (const auto& [button, folder] :
         {std::pair{"sourceButton1006", demo.source}, std::pair{"gplButton1", demo.gpl}}) {
      OnNextModal<PathChooser>([folder = folder](PathChooser& chooser) {
        auto* edit = chooser.findChild<QLineEdit*>("pathEdit");
        edit->clear();
        QTest::keyClicks(edit, FromUtf8(folder.string()));
        QTest::mouseClick(chooser.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      });
      QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    auto& tracks = *dialog.findChild<QListWidget*>("trackList");
    QCOMPARE(dialog.findChild<ElidedLabel*>("sourceDirText")->full_text(),
             FromUtf8(demo.source.string()));
    auto* gpl = dialog.findChild<ElidedLabel*>("gplDirText");
    QCOMPARE(gpl->textFormat(), Qt::PlainText);
    QCOMPARE(gpl->full_text(), FromUtf8(demo.gpl.string()));
    QVERIFY(gpl->text().startsWith(FromUtf8(root.string()).left(10)));
    QVERIFY(gpl->text().endsWith("/" + FromUtf8(demo.gpl.filename().string())));
    QVERIFY(gpl->text().contains(QChar(0x2026)));  // the middle left out

    QStringList order;
    for (QWidget* at = &tracks; order.size() < 6; at = at->nextInFocusChain()) {
      if (at->focusPolicy() != Qt::NoFocus) order.push_back(at->objectName());
    }
    QCOMPARE(order, QStringList({"trackList", "sourceButton1006", "gplButton1", "convertButton1002",
                                 "backButton2", "keepSkidMarks1012"}));

    QVERIFY(ClickEntry(tracks, "kestrel (add-on)"));
    // The bar on and moved, Convert and the list on, the wait cursor shown.
    auto* bar = dialog.findChild<QProgressBar*>("progressBar");
    QPushButton& convert = *dialog.findChild<QPushButton*>("convertButton1002");
    const auto state = [&] {
      const QCursor* cursor = QApplication::overrideCursor();
      return std::vector<bool>{bar->isEnabled(), bar->value() > 0, convert.isEnabled(),
                               tracks.isEnabled(),
                               cursor != nullptr && cursor->shape() == Qt::WaitCursor};
    };
    std::vector<std::vector<bool>> states;
    messages.on_show = [&] {
      dialog.close();
      states.push_back(state());
    };
    QTest::mouseClick(&convert, Qt::LeftButton);
    QCOMPARE(messages.messages(),
             std::vector<std::string>({"No Patch Files Found for kestrel",
                                       "Check your installation of the converter",
                                       "Conversion Finished"}));
    QCOMPARE(states, std::vector<std::vector<bool>>(3, {true, true, false, false, true}));
    QCOMPARE(state(), std::vector<bool>({false, false, true, true, false}));
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(&tracks));
    auto* choice = dialog.findChild<QComboBox*>("geometryChoice");
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    QCOMPARE(choice->currentText(), QString("Always the track's own file"));
    QCOMPARE(settings.TrackFileConversion(), std::optional<int>(1));

    QString start;  // stays empty unless the chooser opens
    OnNextModal<PathChooser>([&](PathChooser& chooser) {
      start = chooser.findChild<QLineEdit*>("pathEdit")->text();
      ClickEntry(*chooser.findChild<QListWidget*>("directoryList"), "[tracks]");
      QTest::mouseClick(chooser.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    });
    convert.setFocus();
    QTest::keyClick(&convert, Qt::Key_Return);
    QCOMPARE(start, FromUtf8(demo.gpl.string()));
    QCOMPARE(dialog.gpl_dir(), FromUtf8(demo.gpl.string()));
    QTest::mouseClick(dialog.findChild<QPushButton*>("backButton2"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());

    std::unique_ptr<QMessageBox> box = MakeMessageBox(nullptr, "<b>x</b>");
    QCOMPARE(box->windowTitle(), QString("Velmora"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QString hinted;
    OnNextModal<QMessageBox>([&](QMessageBox& shown) { hinted = shown.text(); });
    MessageBoxSink().ShowWithHint("Failed to find resource x", "Put x into the resources folder.");
    QCOMPARE(hinted, QString("Failed to find resource x\n\nPut x into the resources folder."));
    QCOMPARE(FromWindows1252("\xD6sterreichring"), QString::fromUtf8("\xC3\x96sterreichring"));
    QCOMPARE(ToWindows1252(QString::fromUtf8("\xC3\x96")), std::string("\xD6"));
  }
};

int RunConversionDialogTests(int argc, char** argv) {
  ConversionDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "conversion_dialog_test.moc"
