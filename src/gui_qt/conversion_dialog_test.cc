#include "gui_qt/conversion_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QLabel>
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

// Records each message with the state of the dialog's progress bar at that moment.
class BarWatchingSink : public MessageSink {
 public:
  void Show(std::string_view text) override {
    messages_.emplace_back(text);
    if (on_show_) on_show_();
    if (bar_ == nullptr) return;
    enabled_.push_back(bar_->isEnabled());
    values_.push_back(bar_->value());
  }
  void Watch(QProgressBar* bar) { bar_ = bar; }
  void OnShow(std::function<void()> action) { on_show_ = std::move(action); }
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<bool>& bar_enabled() const { return enabled_; }
  const std::vector<int>& bar_values() const { return values_; }

 private:
  QProgressBar* bar_ = nullptr;
  std::vector<std::string> messages_;
  std::vector<bool> enabled_;
  std::vector<int> values_;
  std::function<void()> on_show_;
};

void WriteTrack(const fs::path& root, const std::string& folder,
                const std::string& tracks_spelling = "tracks") {
  samples::SourceTrack track;
  track.folder = folder;
  track.tracks_spelling = tracks_spelling;
  const std::string description = samples::SourceTrackDescription(folder, folder);
  track.members = {{folder + ".txt", samples::Bytes(description)}};
  track.loose = {{folder + ".txt", samples::Bytes(description)}};
  samples::WriteSourceTrack(root, track);
}

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
  BarWatchingSink messages_;

  std::unique_ptr<ConversionDialog> Open(SourceGame game) {
    auto dialog =
        std::make_unique<ConversionDialog>(game, Services{messages_, *settings_, *resources_});
    messages_.Watch(dialog->findChild<QProgressBar*>("progressBar"));
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
    messages_ = BarWatchingSink();
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

  // The only track of the list picked and converted: while the run goes on the dialog looks
  // busy, takes no input and refuses a close request; afterwards the bar is back at rest, the
  // focus on the track list, the sixteen-bit box and the GPL folder stored, and Return opens the
  // GPL chooser instead of starting another run.
  void convertsATrackThroughTheDialog() {
    const fs::path n2 = root_ / "N2";
    WriteTrack(n2, "mesa");
    samples::WriteGplInstallation(root_ / "GPL");
    settings_->SetFolder(kN2PathKey, n2.string());
    settings_->SetFolder(kGplPathKey, (root_ / "GPL").string());
    auto dialog = Open(SourceGame::kN2);
    auto* bar = dialog->findChild<QProgressBar*>("progressBar");
    QTest::mouseClick(dialog->findChild<QCheckBox*>("sixteenBit1012"), Qt::LeftButton);
    QVERIFY(ClickEntry(Tracks(*dialog), "Mesa Marin"));
    std::vector<bool> convert_enabled, list_enabled, busy;
    messages_.OnShow([&] {
      dialog->close();
      convert_enabled.push_back(Button(*dialog, "convertButton1002").isEnabled());
      list_enabled.push_back(Tracks(*dialog).isEnabled());
      busy.push_back(QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    });
    QTest::mouseClick(&Button(*dialog, "convertButton1002"), Qt::LeftButton);
    messages_.OnShow(nullptr);
    QVERIFY(!messages_.messages().empty());
    QCOMPARE(messages_.messages().back(), std::string("Conversion Finished"));
    const std::size_t shown = messages_.messages().size();
    QVERIFY(dialog->isVisible());
    QCOMPARE(messages_.bar_enabled(), std::vector<bool>(shown, true));
    QVERIFY(*std::max_element(messages_.bar_values().begin(), messages_.bar_values().end()) >
            0);  // the run moved the bar
    QCOMPARE(convert_enabled, std::vector<bool>(shown, false));
    QCOMPARE(list_enabled, std::vector<bool>(shown, false));
    QCOMPARE(busy, std::vector<bool>(shown, true));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->value(), 0);
    QVERIFY(Tracks(*dialog).isEnabled());
    QVERIFY(Tracks(*dialog).hasFocus());
    QVERIFY(SettingsText().contains("HQsky=1"));
    QVERIFY(SettingsText().contains("GPL Path=" + Path(root_ / "GPL")));

    auto seen = std::make_shared<bool>(false);
    OnNextModal<PathChooser>([](PathChooser& chooser) { chooser.reject(); }, seen);
    QTest::keyClick(&Button(*dialog, "convertButton1002"), Qt::Key_Return);
    QVERIFY(*seen);
    QCOMPARE(messages_.messages().size(), shown);
  }

  // Folders are shown as plain text and cut in the middle when too long; messages are plain
  // text in boxes titled "Velmora"; Tab follows the layout; names are Windows-1252.
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
  }

  // A run that stops for want of a geometry template shows what to do in the box of the
  // message it follows, not in a box of its own.
  void aStoppedRunShowsItsHintInTheSameMessageBox() {
    const fs::path cart = root_ / "ICR2";
    const fs::path gpl = root_ / "GPL";
    WriteTrack(cart, "dethq");
    samples::WriteGplInstallation(gpl);
    samples::WriteCarriedResourcesFolder(root_ / "resources", "");
    resources_ = std::make_unique<ResourceStore>(EmbeddedFiles(), root_ / "resources");
    settings_->SetFolder(kIcr2PathKey, cart.string());
    settings_->SetFolder(kGplPathKey, gpl.string());
    settings_->SetTrackFileConversion(0);  // typed into the file: a template or stop
    MessageBoxSink boxes;
    ConversionDialog dialog(SourceGame::kCart, Services{boxes, *settings_, *resources_});
    ShowAndWait(dialog);
    QVERIFY(ClickEntry(Tracks(dialog), "Detroit HQ"));
    auto texts = std::make_shared<QStringList>();
    CollectMessageBoxes(texts, 3);
    QTest::mouseClick(&Button(dialog, "convertButton1002"), Qt::LeftButton);
    const QStringList expected = {
        "Failed to find resource detroit_N4T",
        "GPL directory not correctly set?\n\nThe geometry template detroit_N4T is missing: put a "
        "file of that name into the resources folder (setting Resources, option --resources), or "
        "convert the source game's own track file (choose \"Always the track's own file\" under "
        "Track geometry).",
        "Conversion Finished"};
    QCOMPARE(*texts, expected);
  }

  // The choice shows its entries, a value typed into the settings file as a third; a key press
  // of the user reaches the setting.
  void theGeometryChoiceShowsTheSettingAndTakesTheKeys() {
    auto dialog = Open(SourceGame::kN2);
    auto* choice = dialog->findChild<QComboBox*>("geometryChoice");
    QCOMPARE(choice->count(), 2);
    QCOMPARE(choice->currentText(),
             QString("Automatic: a template if one is found, else the track's own file"));
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    QCOMPARE(choice->currentText(), QString("Always the track's own file"));
    QCOMPARE(settings_->TrackFileConversion(), std::optional<int>(1));

    settings_->SetTrackFileConversion(7);
    auto typed = Open(SourceGame::kCart);
    auto* shown = typed->findChild<QComboBox*>("geometryChoice");
    QCOMPARE(shown->count(), 3);
    QCOMPARE(shown->currentIndex(), 2);
    QVERIFY(shown->currentText().contains(QString("N2N4TrkConvert=7")));
  }

  // A new user's first conversion: fresh settings, the demo's folders chosen in the chooser by
  // typing and OK, its track picked among the add-ons, Convert, and a complete pack without
  // templates.
  void convertsTheDemosAddOnTrackFromFreshSettings() {
    const samples::DemoInstallations demo = samples::WriteDemoInstallations(root_ / "demo");
    MessageBoxSink boxes;
    ConversionDialog dialog(SourceGame::kCart, Services{boxes, *settings_, *resources_});
    ShowAndWait(dialog);
    for (const auto& [button, folder] :
         {std::pair{"sourceButton1006", demo.source}, std::pair{"gplButton1", demo.gpl}}) {
      OnNextModal<PathChooser>([folder = folder](PathChooser& chooser) {
        auto* edit = chooser.findChild<QLineEdit*>("pathEdit");
        edit->clear();
        QTest::keyClicks(edit, FromUtf8(folder.string()));
        QTest::mouseClick(chooser.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      });
      QTest::mouseClick(&Button(dialog, button), Qt::LeftButton);
    }
    QCOMPARE(Label(dialog, "sourceDirText"), Path(demo.source));
    QCOMPARE(Entries(Tracks(dialog)), QStringList({"kestrel (add-on)"}));
    QVERIFY(ClickEntry(Tracks(dialog), "kestrel (add-on)"));
    auto texts = std::make_shared<QStringList>();
    CollectMessageBoxes(texts, 3);
    QTest::mouseClick(&Button(dialog, "convertButton1002"), Qt::LeftButton);
    QCOMPARE(*texts,
             QStringList({"No Patch Files Found for kestrel",
                          "Check your installation of the converter", "Conversion Finished"}));
    const fs::path pack = demo.gpl / "tracks" / "kestrel" / "kestrel.dat";
    TrackArchive archive;
    QVERIFY(archive.Open(*ResolveExisting(pack)).ok());
    QVERIFY(archive.entries().size() > 30);
    QCOMPARE(archive.entries().front().name, std::string("kestrel.trk"));  // its own, converted
  }
};

int RunConversionDialogTests(int argc, char** argv) {
  ConversionDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "conversion_dialog_test.moc"
