// The texts the Qt views show, read against the same table as the dialog model's.

#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>

#include "app/about_dialog.h"
#include "app/main_dialog.h"
#include "dialogs/dialog_texts.h"
#include "gui_qt/conversion_dialog.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/gui_tests.h"
#include "gui_qt/path_chooser.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "resources/embedded_files.h"
#include "testing/dialog_text_table.h"

namespace velmora::testkit {

namespace {

// Opens each dialog once and reads its controls' texts as the user reads them.
class QtTextReader : public DialogTextReader {
 public:
  explicit QtTextReader(const Services& services) : services_(services) {}

  std::optional<std::string> Read(DialogId dialog, int id) override {
    QDialog& window = Window(dialog);
    if (id == kTitleId) return ToWindows1252(window.windowTitle());
    const QWidget* control = FindControl(window, id);
    if (control == nullptr) return std::nullopt;
    return WithoutMnemonic(ToWindows1252(control->property("text").toString()));
  }

 private:
  QDialog& Window(DialogId dialog) {
    std::unique_ptr<QDialog>& window = windows_[dialog];
    if (!window) window = Make(dialog);
    return *window;
  }
  std::unique_ptr<QDialog> Make(DialogId dialog) {
    switch (dialog) {
      case DialogId::kMain:
        return std::make_unique<MainDialog>(services_);
      case DialogId::kAbout:
        return std::make_unique<AboutDialog>();
      case DialogId::kChooser:
        return std::make_unique<PathChooser>(ChooserTexts{}, "", nullptr, std::vector<DriveRoot>{});
      case DialogId::kCart:
        return std::make_unique<ConversionDialog>(SourceGame::kCart, services_);
      case DialogId::kN2:
        return std::make_unique<ConversionDialog>(SourceGame::kN2, services_);
      case DialogId::kN3:
        return std::make_unique<ConversionDialog>(SourceGame::kN3, services_);
      case DialogId::kNl:
        return std::make_unique<ConversionDialog>(SourceGame::kNl, services_);
    }
    return nullptr;
  }

  Services services_;
  std::map<DialogId, std::unique_ptr<QDialog>> windows_;
};

}  // namespace

class DialogTextsViewTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTextOfTheDialogsReadsWordForWord() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::filesystem::path root = dir.path().toStdString();
    Settings settings(root / "Velmora.INI", root.string());
    ResourceStore resources(EmbeddedFiles());
    RecordingMessageSink messages;
    QtTextReader qt(Services{messages, settings, resources});
    QStringList mismatches;
    for (const std::string& mismatch : DialogTextMismatches(qt)) {
      mismatches.push_back(QString::fromStdString(mismatch));
    }
    QCOMPARE(mismatches, QStringList());
  }
};

int RunDialogTextsViewTests(int argc, char** argv) {
  DialogTextsViewTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace velmora::testkit

#include "dialog_texts_view_test.moc"
