#include "gui_qt/conversion_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui_qt/dialog_sinks.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/elided_label.h"
#include "gui_qt/gui_test_support.h"
#include "gui_qt/gui_tests.h"
#include "gui_qt/path_chooser.h"
#include "pipeline/track_name_table.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"
#include "track/track_archive.h"

namespace velmora::testkit {

namespace {

namespace fs = std::filesystem;

// Records each message and runs the test's action, if any, as it is shown.
class WatchingSink : public MessageSink {
 public:
  void Show(std::string_view text) override {
    messages_.emplace_back(text);
    if (on_show_) on_show_();
  }
  void OnShow(std::function<void()> action) { on_show_ = std::move(action); }
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  std::vector<std::string> messages_;
  std::function<void()> on_show_;
};

// Records the text of the next `count` message boxes and closes each with OK.
void CollectMessageBoxes(std::shared_ptr<QStringList> texts, int count) {
  if (count == 0) return;
  OnNextModal<QMessageBox>([texts, count](QMessageBox& box) {
    texts->push_back(box.text());
    CollectMessageBoxes(texts, count - 1);
    box.accept();
  });
}

QString FileText(const fs::path& path) {
  QFile file(FromUtf8(path.string()));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

}  // namespace

class ConversionDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  fs::path root_;
  fs::path settings_file_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<ResourceStore> resources_;
  WatchingSink messages_;

  std::unique_ptr<ConversionDialog> Open(SourceGame game) {
    auto dialog =
        std::make_unique<ConversionDialog>(game, Services{messages_, *settings_, *resources_});
    ShowAndWait(*dialog);
    return dialog;
  }
  static QListWidget& Tracks(ConversionDialog& dialog) {
    return *dialog.findChild<QListWidget*>("trackList");
  }
  static QPushButton& Button(ConversionDialog& dialog, const QString& name) {
    return *dialog.findChild<QPushButton*>(name);
  }
  static QString Label(ConversionDialog& dialog, const char* name) {
    return dialog.findChild<ElidedLabel*>(name)->full_text();
  }
  QString Path(const fs::path& path) const { return FromUtf8(path.string()); }
  QString SettingsText() const { return FileText(settings_file_); }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    root_ = dir_->path().toStdString();
    settings_file_ = root_ / "Velmora.INI";
    fs::create_directories(root_ / "home");
    settings_ = std::make_unique<Settings>(settings_file_, (root_ / "home").string());
    resources_ = std::make_unique<ResourceStore>(EmbeddedFiles(), root_ / "resources");
    messages_ = WatchingSink();
  }

  // Return opens the GPL chooser, whichever button has the focus, and Cancel there changes
  // nothing; Enter does not close the dialog.
  void returnOpensTheGplChooserAndCancelChangesNothing() {
    samples::WriteGplInstallation(root_ / "GPL");
    settings_->SetFolder(kGplPathKey, (root_ / "GPL").string());
    auto dialog = Open(SourceGame::kN2);
    const QString settings_before = SettingsText();
    for (QWidget* focus : {static_cast<QWidget*>(&Tracks(*dialog)),
                           static_cast<QWidget*>(&Button(*dialog, "convertButton1002"))}) {
      auto seen = std::make_shared<bool>(false);
      QString title, start;
      OnNextModal<PathChooser>(
          [&](PathChooser& chooser) {
            title = chooser.windowTitle();
            start = chooser.findChild<QLineEdit*>("pathEdit")->text();
            ClickEntry(*chooser.findChild<QListWidget*>("directoryList"), "[seasons]");
            QTest::mouseClick(chooser.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
          },
          seen);
      focus->setFocus();
      QTest::keyClick(focus, Qt::Key_Return);
      QVERIFY(*seen);
      QCOMPARE(title, QString("Set GPL Application Directory"));
      QCOMPARE(start, Path(root_ / "GPL"));
      QVERIFY(dialog->isVisible());
      QCOMPARE(dialog->gpl_dir(), Path(root_ / "GPL"));
      QCOMPARE(SettingsText(), settings_before);
    }
  }

  void backAndEscapeCloseWithoutStoring() {
    for (int key : {int(Qt::Key_Escape), 0}) {
      auto dialog = Open(SourceGame::kNl);
      QTest::mouseClick(dialog->findChild<QCheckBox*>("sixteenBit1012"), Qt::LeftButton);
      if (key != 0) {
        QTest::keyClick(dialog.get(), Qt::Key(key));
      } else {
        QTest::mouseClick(&Button(*dialog, "backButton2"), Qt::LeftButton);
      }
      QVERIFY(!dialog->isVisible());
      QCOMPARE(dialog->result(), int(QDialog::Rejected));
      QVERIFY(!fs::exists(settings_file_));
    }
  }

  // Folders are shown as plain text and cut in the middle when too long; messages are plain
  // text in boxes titled "Velmora", a hint in the box of its message; Tab follows the layout;
  // names are Windows-1252; a key press on the geometry choice reaches the setting.
  void foldersAndMessagesShowTheirTextAsItStands() {
    const fs::path tagged = root_ / "<b>x</b>" / std::string(120, 'd') / "GPL";
    fs::create_directories(tagged);
    settings_->SetFolder(kGplPathKey, tagged.string());
    auto dialog = Open(SourceGame::kCart);
    auto* gpl = dialog->findChild<ElidedLabel*>("gplDirText");
    QCOMPARE(gpl->textFormat(), Qt::PlainText);
    QCOMPARE(gpl->full_text(), Path(tagged));
    QVERIFY(gpl->text().startsWith(Path(root_ / "<b>x</b>").left(10)));
    QVERIFY(gpl->text().endsWith("/GPL"));
    QVERIFY(gpl->text().contains(QChar(0x2026)));  // the middle left out

    std::unique_ptr<QMessageBox> box = MakeMessageBox(nullptr, "<b>x</b>");
    QCOMPARE(box->windowTitle(), QString("Velmora"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    auto texts = std::make_shared<QStringList>();
    CollectMessageBoxes(texts, 1);
    MessageBoxSink().ShowWithHint("Failed to find resource x", "Put x into the resources folder.");
    QCOMPARE(*texts,
             QStringList({"Failed to find resource x\n\nPut x into the resources folder."}));

    QStringList order;
    QWidget* at = &Tracks(*dialog);
    for (int i = 0; i < 6; ++i, at = at->nextInFocusChain()) {
      while (at->focusPolicy() == Qt::NoFocus) at = at->nextInFocusChain();
      order.push_back(at->objectName());
    }
    QCOMPARE(order, QStringList({"trackList", "sourceButton1006", "gplButton1", "convertButton1002",
                                 "backButton2", "keepSkidMarks1012"}));

    const QString shown = FromWindows1252(TrackTitles("osring", false).display_name);
    QCOMPARE(shown, QString::fromUtf8("\xC3\x96sterreichring"));
    QCOMPARE(FolderOfDisplayName(ToWindows1252(shown)), std::string("osring"));

    auto* choice = dialog->findChild<QComboBox*>("geometryChoice");
    QCOMPARE(choice->currentText(),
             QString("Automatic: a template if one is found, else the track's own file"));
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    QCOMPARE(choice->currentText(), QString("Always the track's own file"));
    QCOMPARE(settings_->TrackFileConversion(), std::optional<int>(1));
  }

  // A new user's first conversion: fresh settings, the demo's folders chosen in the chooser by
  // typing and OK, its track picked among the add-ons, Convert, and a complete pack without
  // templates. While the run goes on the dialog looks busy, takes no input and refuses a close
  // request; afterwards the bar is back at rest, the focus on the track list, the GPL folder
  // stored, and Return opens the GPL chooser instead of starting another run.
  void convertsTheDemosAddOnTrackFromFreshSettings() {
    const samples::DemoInstallations demo = samples::WriteDemoInstallations(root_ / "demo");
    auto dialog = Open(SourceGame::kCart);
    for (const auto& [button, folder] :
         {std::pair{"sourceButton1006", demo.source}, std::pair{"gplButton1", demo.gpl}}) {
      OnNextModal<PathChooser>([folder = folder](PathChooser& chooser) {
        auto* edit = chooser.findChild<QLineEdit*>("pathEdit");
        edit->clear();
        QTest::keyClicks(edit, FromUtf8(folder.string()));
        QTest::mouseClick(chooser.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      });
      QTest::mouseClick(&Button(*dialog, button), Qt::LeftButton);
    }
    QCOMPARE(Label(*dialog, "sourceDirText"), Path(demo.source));
    QCOMPARE(Entries(Tracks(*dialog)), QStringList({"kestrel (add-on)"}));
    QVERIFY(ClickEntry(Tracks(*dialog), "kestrel (add-on)"));
    // Per message: the bar enabled, Convert and the list disabled, the wait cursor shown.
    auto* bar = dialog->findChild<QProgressBar*>("progressBar");
    std::vector<std::vector<bool>> states;
    int top = 0;
    messages_.OnShow([&] {
      dialog->close();
      top = std::max(top, bar->value());
      states.push_back({bar->isEnabled(), Button(*dialog, "convertButton1002").isEnabled(),
                        Tracks(*dialog).isEnabled(),
                        QApplication::overrideCursor() != nullptr &&
                            QApplication::overrideCursor()->shape() == Qt::WaitCursor});
    });
    QTest::mouseClick(&Button(*dialog, "convertButton1002"), Qt::LeftButton);
    messages_.OnShow(nullptr);
    QCOMPARE(messages_.messages(),
             std::vector<std::string>({"No Patch Files Found for kestrel",
                                       "Check your installation of the converter",
                                       "Conversion Finished"}));
    QVERIFY(dialog->isVisible());
    QCOMPARE(states, std::vector<std::vector<bool>>(3, {true, false, false, true}));
    QVERIFY(top > 0);  // the run moved the bar
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->value(), 0);
    QVERIFY(Tracks(*dialog).isEnabled());
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(&Tracks(*dialog)));
    QVERIFY(SettingsText().contains("GPL Path=" + Path(demo.gpl)));
    const fs::path pack = demo.gpl / "tracks" / "kestrel" / "kestrel.dat";
    TrackArchive archive;
    QVERIFY(archive.Open(*ResolveExisting(pack)).ok());
    QVERIFY(archive.entries().size() > 30);
    QCOMPARE(archive.entries().front().name, std::string("kestrel.trk"));  // its own, converted

    auto seen = std::make_shared<bool>(false);
    OnNextModal<PathChooser>([](PathChooser& chooser) { chooser.reject(); }, seen);
    QTest::keyClick(&Button(*dialog, "convertButton1002"), Qt::Key_Return);
    QVERIFY(*seen);
    QCOMPARE(messages_.messages().size(), 3u);
  }
};

int RunConversionDialogTests(int argc, char** argv) {
  ConversionDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "conversion_dialog_test.moc"
