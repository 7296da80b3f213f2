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

  void firstRunShowsTheHomeFolderAndStoresNothing() {
    auto dialog = Open(SourceGame::kCart);
    QCOMPARE(Label(*dialog, "sourceDirText"), Path(root_ / "home"));
    QCOMPARE(Label(*dialog, "gplDirText"), Path(root_ / "home"));
    QCOMPARE(Tracks(*dialog).count(), 0);
    QVERIFY(!Button(*dialog, "convertButton1002").isEnabled());
    auto* bar = dialog->findChild<QProgressBar*>("progressBar");
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->value(), 0);
    QVERIFY(!fs::exists(settings_file_));  // no track found: the folder is not saved
  }

  // Only the N series has the sixteen-bit box, and it starts from "HQsky".
  void theSixteenBitBoxStartsFromTheSetting() {
    settings_->SetHqSky(1);
    for (SourceGame game : {SourceGame::kCart, SourceGame::kN2, SourceGame::kN3, SourceGame::kNl}) {
      auto dialog = Open(game);
      auto* sixteen = dialog->findChild<QCheckBox*>("sixteenBit1012");
      QCOMPARE(sixteen != nullptr, game != SourceGame::kCart);
      QVERIFY(sixteen == nullptr || sixteen->isChecked());
    }
  }

  void listsTheInstalledTracksSortedAndStoresTheSourceFolder() {
    const fs::path cart = root_ / "ICR2";
    // A copied install's spelling of the tracks folder; the dialog asks for "tracks".
    WriteTrack(cart, "dethq", "TRACKS");
    WriteTrack(cart, "Elkhart", "TRACKS");
    WriteTrack(cart, "vancouvr", "TRACKS");
    fs::create_directories(cart / "TRACKS" / "laguna");  // no archive: not a track
    // Handed to the dialog for this run only, so what reaches the file is what it stores.
    settings_->Override(kDirectoriesSection, kIcr2PathKey, cart.string());

    auto dialog = Open(SourceGame::kCart);
    QCOMPARE(Entries(Tracks(*dialog)), QStringList({"Detroit HQ", "Road America", "Vancouver"}));
    QVERIFY(Tracks(*dialog).selectedItems().isEmpty());
    QVERIFY(!Button(*dialog, "convertButton1002").isEnabled());
    QVERIFY(SettingsText().contains("ICR2 Path=" + Path(cart)));
    QVERIFY(!SettingsText().contains("GPL Path"));

    // Convert follows the selection, both ways.
    QVERIFY(ClickEntry(Tracks(*dialog), "Road America"));
    QVERIFY(Button(*dialog, "convertButton1002").isEnabled());
    const QListWidgetItem* selected = Tracks(*dialog).selectedItems().front();
    QTest::mouseClick(Tracks(*dialog).viewport(), Qt::LeftButton, Qt::ControlModifier,
                      Tracks(*dialog).visualItemRect(selected).center());
    QVERIFY(Tracks(*dialog).selectedItems().isEmpty());
    QVERIFY(!Button(*dialog, "convertButton1002").isEnabled());
  }

  void enterOpensTheGplChooserAndCancelChangesNothing() {
    samples::WriteGplInstallation(root_ / "GPL");
    settings_->SetFolder(kGplPathKey, (root_ / "GPL").string());
    auto dialog = Open(SourceGame::kN2);
    const QString settings_before = SettingsText();

    auto seen = std::make_shared<bool>(false);
    QString title, start, found;
    OnNextModal<PathChooser>(
        [&](PathChooser& chooser) {
          title = chooser.windowTitle();
          start = chooser.findChild<QLineEdit*>("pathEdit")->text();
          found = chooser.findChild<QLabel*>("foundText")->text();
          ClickEntry(*chooser.findChild<QListWidget*>("directoryList"), "[seasons]");
          QTest::mouseClick(chooser.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        },
        seen);
    Tracks(*dialog).setFocus();
    QTest::keyClick(&Tracks(*dialog), Qt::Key_Return);
    QVERIFY(*seen);
    QCOMPARE(title, QString("Set GPL Application Directory"));
    QCOMPARE(start, Path(root_ / "GPL"));
    QCOMPARE(found, QString("GPL Directory found"));
    QVERIFY(dialog->isVisible());  // Enter did not close the dialog
    QCOMPARE(dialog->gpl_dir(), Path(root_ / "GPL"));
    QCOMPARE(SettingsText(), settings_before);
  }

  void choosingASourceFolderRefreshesAndCancellingLeavesItAlone() {
    const fs::path n3 = root_ / "N3";
    WriteTrack(n3, "mesa");
    WriteTrack(n3, "Searspt");
    fs::create_directories(n3 / "tracks" / "bristol");
    QFile(Path(n3 / "tracks" / "bristol" / "bristol.txt")).open(QIODevice::WriteOnly);
    auto dialog = Open(SourceGame::kN3);
    QCOMPARE(Tracks(*dialog).count(), 0);

    // Cancel after walking: folder, list and settings stay.
    OnNextModal<PathChooser>([&](PathChooser& chooser) {
      chooser.findChild<QLineEdit*>("pathEdit")->setText(Path(n3));
      QTest::keyClick(&chooser, Qt::Key_Escape);
    });
    QTest::mouseClick(&Button(*dialog, "sourceButton1001"), Qt::LeftButton);
    QCOMPARE(dialog->source_dir(), Path(root_ / "home"));
    QCOMPARE(Tracks(*dialog).count(), 0);
    QVERIFY(!fs::exists(settings_file_));

    // OK: the typed folder is taken, the probe file is recognised, the list is refreshed and
    // the folder stored because a track was found in it.
    QString title, found;
    OnNextModal<PathChooser>([&](PathChooser& chooser) {
      title = chooser.windowTitle();
      auto* edit = chooser.findChild<QLineEdit*>("pathEdit");
      edit->clear();
      QTest::keyClicks(edit, Path(n3));
      ClickEntry(*chooser.findChild<QListWidget*>("directoryList"), "[..]");
      ClickEntry(*chooser.findChild<QListWidget*>("directoryList"), "[N3]");
      found = chooser.findChild<QLabel*>("foundText")->text();
      QTest::mouseClick(chooser.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(&Button(*dialog, "sourceButton1001"), Qt::LeftButton);
    QCOMPARE(title, QString("Set N3 Application Directory"));
    QCOMPARE(found, QString("N3 Directory found"));
    QCOMPARE(dialog->source_dir(), Path(n3));
    QCOMPARE(Label(*dialog, "sourceDirText"), Path(n3));
    QCOMPARE(Entries(Tracks(*dialog)), QStringList({"Mesa Marin", "Sears Point"}));
    QVERIFY(SettingsText().contains("N3 Path=" + Path(n3)));

    // A new GPL folder is shown but stored only by a conversion.
    OnNextModal<PathChooser>([&](PathChooser& chooser) {
      chooser.findChild<QLineEdit*>("pathEdit")->setText(Path(root_));
      QTest::mouseClick(chooser.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(&Button(*dialog, "gplButton1"), Qt::LeftButton);
    QCOMPARE(Label(*dialog, "gplDirText"), Path(root_));
    QVERIFY(!SettingsText().contains("GPL Path"));
  }

  void backAndEscapeCloseWithoutStoring() {
    for (int key : {int(Qt::Key_Escape), 0}) {
      auto dialog = Open(SourceGame::kNl);
      QTest::mouseClick(dialog->findChild<QCheckBox*>("sixteenBit1012"), Qt::LeftButton);
      QVERIFY(dialog->findChild<QCheckBox*>("sixteenBit1012")->isChecked());
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

  void convertsATrackThroughTheDialog() {
    const fs::path cart = root_ / "ICR2";
    const fs::path gpl = root_ / "GPL";
    WriteTrack(cart, "dethq");
    WriteTrack(cart, "detroit");
    samples::WriteGplInstallation(gpl);
    samples::WriteCarriedResourcesFolder(root_ / "resources", "detroit");
    WriteFileText(root_ / "resources" / "PAGE2_PBF", "resource:PAGE2_PBF");
    resources_ = std::make_unique<ResourceStore>(EmbeddedFiles(), root_ / "resources");
    settings_->SetFolder(kIcr2PathKey, cart.string());
    settings_->SetFolder(kGplPathKey, gpl.string());

    auto dialog = Open(SourceGame::kCart);
    auto* bar = dialog->findChild<QProgressBar*>("progressBar");
    QVERIFY(ClickEntry(Tracks(*dialog), "Detroit HQ"));
    // A close request from the window manager while the run shows its messages is refused.
    messages_.OnShow([&dialog] { dialog->close(); });
    QTest::mouseClick(&Button(*dialog, "convertButton1002"), Qt::LeftButton);
    messages_.OnShow(nullptr);

    // The HQ variant is converted into its base track's folder.
    const std::vector<std::string> expected = {"No Patch Files Found for detroit",
                                               "Check your installation of the converter",
                                               "Conversion Finished"};
    QCOMPARE(messages_.messages(), expected);
    QCOMPARE(messages_.bar_enabled(), std::vector<bool>({true, true, true}));
    QVERIFY(messages_.bar_values().front() > 0);  // the run moved the bar
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->value(), 0);
    QVERIFY(FileExists(gpl / "tracks" / "detroit" / "detroit.dat"));
    QVERIFY(!FileExists(gpl / "tracks" / "detroit" / "detroit.trk"));  // loose files removed
    QVERIFY(SettingsText().contains("GPL Path=" + Path(gpl)));
    QVERIFY(dialog->isVisible());
  }

  // While a run goes on the dialog looks busy and takes no input; afterwards the focus is on the
  // track list and Return opens the GPL chooser, whichever button had the focus: it never
  // starts another run.
  void aRunLooksBusyAndReturnAfterItStartsNoOtherRun() {
    const fs::path n2 = root_ / "N2";
    WriteTrack(n2, "mesa");
    settings_->SetFolder(kN2PathKey, n2.string());
    auto dialog = Open(SourceGame::kN2);
    QVERIFY(ClickEntry(Tracks(*dialog), "Mesa Marin"));
    std::vector<bool> convert_enabled, list_enabled, busy;
    messages_.OnShow([&] {
      convert_enabled.push_back(Button(*dialog, "convertButton1002").isEnabled());
      list_enabled.push_back(Tracks(*dialog).isEnabled());
      busy.push_back(QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    });
    QTest::mouseClick(&Button(*dialog, "convertButton1002"), Qt::LeftButton);
    messages_.OnShow(nullptr);
    QVERIFY(!convert_enabled.empty());
    QCOMPARE(convert_enabled, std::vector<bool>(convert_enabled.size(), false));
    QCOMPARE(list_enabled, std::vector<bool>(list_enabled.size(), false));
    QCOMPARE(busy, std::vector<bool>(busy.size(), true));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(Tracks(*dialog).isEnabled());
    QVERIFY(Tracks(*dialog).hasFocus());

    const std::size_t shown = messages_.messages().size();
    for (QWidget* focus : {static_cast<QWidget*>(&Tracks(*dialog)),
                           static_cast<QWidget*>(&Button(*dialog, "convertButton1002"))}) {
      auto seen = std::make_shared<bool>(false);
      OnNextModal<PathChooser>([](PathChooser& chooser) { chooser.reject(); }, seen);
      focus->setFocus();
      QTest::keyClick(focus, Qt::Key_Return);
      QVERIFY(*seen);
      QCOMPARE(messages_.messages().size(), shown);
    }
  }

  // Folders are labelled, shown as plain text and cut in the middle when too long; messages are
  // plain text in boxes titled "Velmora"; Tab follows the layout.
  void foldersAndMessagesShowTheirTextAsItStands() {
    const fs::path tagged = root_ / "<b>x</b>" / std::string(120, 'd') / "GPL";
    fs::create_directories(tagged);
    settings_->SetFolder(kGplPathKey, tagged.string());
    auto dialog = Open(SourceGame::kCart);
    QCOMPARE(FindControl(*dialog, kSourceFolderLabelId)->property("text").toString(),
             QString("CART folder:"));
    QCOMPARE(FindControl(*dialog, kGplFolderLabelId)->property("text").toString(),
             QString("GPL folder:"));
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

  // The choice shows what the settings file holds, a value typed into it included, and is
  // stored only when the user changes it.
  void theGeometryChoiceShowsTheSettingAndStoresOnlyChanges() {
    auto dialog = Open(SourceGame::kN2);
    auto* choice = dialog->findChild<QComboBox*>("geometryChoice");
    QCOMPARE(choice->count(), 2);
    QCOMPARE(choice->currentText(),
             QString("Automatic: a template if one is found, else the track's own file"));
    QVERIFY(!fs::exists(settings_file_));
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);  // a real change by the user
    QCOMPARE(choice->currentText(), QString("Always the track's own file"));
    QCOMPARE(settings_->TrackFileConversion(), std::optional<int>(1));
    QTest::keyClick(choice, Qt::Key_Up);
    QCOMPARE(settings_->TrackFileConversion(), std::nullopt);
    QVERIFY(!SettingsText().contains("N2N4TrkConvert"));

    for (int typed : {0, 7}) {
      settings_->SetTrackFileConversion(typed);
      const QString before = SettingsText();
      auto again = Open(SourceGame::kCart);
      auto* shown = again->findChild<QComboBox*>("geometryChoice");
      QCOMPARE(shown->count(), 3);
      QCOMPARE(shown->currentIndex(), 2);
      QVERIFY(shown->currentText().contains(QString("N2N4TrkConvert=%1").arg(typed)));
      QCOMPARE(SettingsText(), before);
    }
  }

  // A new user's first conversion: fresh settings, the demo's folders chosen in the chooser,
  // its track picked among the add-ons, Convert, and a complete pack without templates.
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
    QCOMPARE(Entries(Tracks(dialog)), QStringList({"kestrel (add-on)"}));
    QVERIFY(ClickEntry(Tracks(dialog), "kestrel (add-on)"));
    auto texts = std::make_shared<QStringList>();
    CollectMessageBoxes(texts, 3);
    QTest::mouseClick(&Button(dialog, "convertButton1002"), Qt::LeftButton);
    QCOMPARE(*texts,
             QStringList({"No Patch Files Found for kestrel",
                          "Check your installation of the converter", "Conversion Finished"}));
    const fs::path pack = demo.gpl / "tracks" / "kestrel" / "kestrel.dat";
    QVERIFY(FileExists(pack));
    TrackArchive archive;
    QVERIFY(archive.Open(*ResolveExisting(pack)).ok());
    QVERIFY(archive.entries().size() > 30);
    QCOMPARE(archive.entries().front().name, std::string("kestrel.trk"));  // its own, converted
    QVERIFY(!SettingsText().contains("N2N4TrkConvert"));
  }

  void aSixteenBitGameStoresItsBoxOnConvert() {
    const fs::path n2 = root_ / "N2";
    WriteTrack(n2, "mesa");
    settings_->SetFolder(kN2PathKey, n2.string());
    auto dialog = Open(SourceGame::kN2);
    QVERIFY(!dialog->findChild<QCheckBox*>("sixteenBit1012")->isChecked());
    QTest::mouseClick(dialog->findChild<QCheckBox*>("sixteenBit1012"), Qt::LeftButton);
    QVERIFY(ClickEntry(Tracks(*dialog), "Mesa Marin"));
    QTest::mouseClick(&Button(*dialog, "convertButton1002"), Qt::LeftButton);
    QCOMPARE(messages_.messages().back(), std::string("Conversion Finished"));
    QVERIFY(SettingsText().contains("HQsky=1"));
    QVERIFY(SettingsText().contains("GPL Path=" + Path(root_ / "home")));
  }

  void windows1252NamesShowAndMapBack() {
    const QString shown = FromWindows1252(TrackTitles("osring", false).display_name);
    QCOMPARE(shown, QString::fromUtf8("\xC3\x96sterreichring"));
    QCOMPARE(FolderOfDisplayName(ToWindows1252(shown)), std::string("osring"));
  }
};

int RunConversionDialogTests(int argc, char** argv) {
  ConversionDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "conversion_dialog_test.moc"
