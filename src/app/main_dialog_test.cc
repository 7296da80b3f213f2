#include "app/main_dialog.h"

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>

#include "app/about_dialog.h"
#include "gui_qt/conversion_dialog.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/gui_test_support.h"
#include "gui_qt/gui_tests.h"
#include "gui_qt/path_chooser.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/version.h"
#include "resources/embedded_files.h"
#include "testing/dialog_text_table.h"

namespace velmora::testkit {

namespace {

constexpr SourceGame kGames[] = {SourceGame::kCart, SourceGame::kN2, SourceGame::kN3,
                                 SourceGame::kNl};

// Opens each dialog once and reads its controls' texts as the user reads them.
class QtTextReader : public DialogTextReader {
 public:
  explicit QtTextReader(const Services& services) : services_(services) {}

  std::optional<std::string> Read(DialogId dialog, int id) override {
    std::unique_ptr<QDialog>& window = windows_[dialog];
    if (!window) window = Make(dialog);
    if (id == kTitleId) return ToWindows1252(window->windowTitle());
    const QWidget* control = FindControl(*window, id);
    if (control == nullptr) return std::nullopt;
    return WithoutMnemonic(ToWindows1252(control->property("text").toString()));
  }

 private:
  std::unique_ptr<QDialog> Make(DialogId dialog) {
    if (dialog == DialogId::kMain) return std::make_unique<MainDialog>(services_);
    if (dialog == DialogId::kAbout) return std::make_unique<AboutDialog>();
    if (dialog == DialogId::kChooser) {
      return std::make_unique<PathChooser>(ChooserTexts{}, "", nullptr, std::vector<DriveRoot>{});
    }
    for (SourceGame game : kGames) {
      if (DialogOf(game) == dialog) return std::make_unique<ConversionDialog>(game, services_);
    }
    return nullptr;
  }

  Services services_;
  std::map<DialogId, std::unique_ptr<QDialog>> windows_;
};

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  Settings settings_{std::filesystem::path(dir_.path().toStdString()) / "Velmora.INI",
                     dir_.path().toStdString()};
  ResourceStore resources_{EmbeddedFiles()};
  RecordingMessageSink messages_;

  Services services() { return Services{messages_, settings_, resources_}; }
  static QPushButton& Button(MainDialog& dialog, int id) {
    return *dialog.findChild<QPushButton*>(QString("button%1").arg(id));
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  // Each game button runs its own conversion dialog and comes back to the main dialog; About
  // runs from its button and from the right-click menu, which shows the dialog's actions, and
  // leaves the dialog open. A button that ran its dialog does not take Return over from Exit,
  // which closes the dialog. The title bar fits.
  void buttonsAboutAndReturn() {
    auto dialog = std::make_unique<MainDialog>(services());
    ShowAndWait(*dialog);
    for (SourceGame game : kGames) {
      QString seen_title;
      OnNextModal<ConversionDialog>([&](ConversionDialog& conversion) {
        seen_title = conversion.windowTitle();
        QTest::mouseClick(conversion.findChild<QPushButton*>("backButton2"), Qt::LeftButton);
      });
      QTest::mouseClick(&Button(*dialog, ConvertButtonId(game)), Qt::LeftButton);
      QCOMPARE(seen_title, FromWindows1252(TextOf(DialogOf(game), kTitleId)));
      QVERIFY(dialog->isVisible());
    }
    auto* action = dialog->findChild<QAction*>("aboutAction");
    QVERIFY(action != nullptr && dialog->actions().contains(action));
    QCOMPARE(dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    for (bool from_menu : {false, true}) {
      QString text;  // its title is the text table's
      OnNextModal<AboutDialog>([&](AboutDialog& about) {
        text = about.findChild<QLabel*>("aboutText")->text();
        QTest::keyClick(&about, Qt::Key_Return);  // OK
      });
      from_menu ? action->trigger() : QTest::mouseClick(&Button(*dialog, 1009), Qt::LeftButton);
      QCOMPARE(text, QString("CART/ICR2/N2/N3/NL To GPL Converter\nVersion ") + kVersion);
      QVERIFY(dialog->isVisible());
    }
    Button(*dialog, 1008).setFocus();  // where a keyboard user who pressed it stands
    auto again = std::make_shared<bool>(false);
    // Looks for a dialog only briefly, so that it is gone before the next test opens one.
    OnNextModal<ConversionDialog>([](ConversionDialog& conversion) { conversion.reject(); }, again,
                                  5);
    QTest::keyClick(&Button(*dialog, 1008), Qt::Key_Return);
    QTest::qWait(150);
    QVERIFY(!*again);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(dialog->minimumWidth() >
            QFontMetrics(dialog->font()).horizontalAdvance(dialog->windowTitle()));
  }

  // Every text of every dialog, read against the same table as the dialog model's.
  void everyTextOfTheDialogsReadsWordForWord() {
    QtTextReader qt(services());
    QStringList mismatches;
    for (const std::string& mismatch : DialogTextMismatches(qt)) {
      mismatches.push_back(QString::fromStdString(mismatch));
    }
    QCOMPARE(mismatches, QStringList());
  }
};

int RunMainDialogTests(int argc, char** argv) {
  MainDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "main_dialog_test.moc"
