#include "app/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/main_dialog.h"
#include "dialogs/dialog_texts.h"
#include "gui_qt/conversion_dialog.h"
#include "gui_qt/dialog_sinks.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/path_chooser.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

// CART/ICR2 tracks of the sample installation; their display names come from the track table,
// except the add-on track "kestrel", which is listed after them by its folder name.
constexpr const char* kSampleTracks[] = {"detroit", "dethq",    "Elkhart",
                                         "Laguna",  "vancouvr", "kestrel"};
constexpr const char* kConvertedTrack = "detroit";

struct SampleSetup {
  fs::path source;
  fs::path gpl;
  fs::path resources;
};

SampleSetup WriteSamples(const fs::path& root) {
  SampleSetup setup{root / "ICR2", root / "GPL", root / "resources"};
  for (const char* name : kSampleTracks) {
    const std::string description = samples::SourceTrackDescription(name, name);
    samples::SourceTrack track;
    track.folder = name;
    track.members = {{track.folder + ".txt", samples::Bytes(description)}};
    track.loose = {{track.folder + ".txt", samples::Bytes(description)}};
    samples::WriteSourceTrack(setup.source, track);
  }
  samples::WriteGplInstallation(setup.gpl);
  samples::WriteCarriedResourcesFolder(setup.resources, kConvertedTrack);
  return setup;
}

// Shows the window, lets it lay itself out and paint, and saves what it shows.
bool Save(QWidget& window, const QString& folder, const char* name) {
  window.show();
  window.raise();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QString file = QDir(folder).filePath(name);
  const bool saved = window.grab().save(file, "PNG");
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
  return saved;
}

// Pictures the message box of each message instead of waiting for a click; the last one of a
// conversion is "Conversion Finished".
class PicturingSink : public MessageSink {
 public:
  PicturingSink(QWidget* over, QString folder) : over_(over), folder_(std::move(folder)) {}
  void Show(std::string_view text) override {
    std::unique_ptr<QMessageBox> box = MakeMessageBox(over_, text);
    if (text == "Conversion Finished") saved_ = Save(*box, folder_, "finished.png");
    box->close();
  }
  bool saved() const { return saved_; }

 private:
  QWidget* over_;
  QString folder_;
  bool saved_ = false;
};

}  // namespace

int TakeScreenshots(const QString& folder) {
  std::optional<TempFolder> temp = TempFolder::Create("dir");
  if (!temp || !QDir().mkpath(folder)) return 1;
  const SampleSetup setup = WriteSamples(temp->path());
  Settings settings(temp->path() / "Velmora.INI", (temp->path() / "GPL").string());
  settings.SetFolder(kIcr2PathKey, setup.source.string());
  settings.SetFolder(kGplPathKey, setup.gpl.string());
  ResourceStore resources(EmbeddedFiles(), setup.resources);
  RecordingMessageSink quiet;
  int missing = 0;

  MainDialog main_dialog(Services{quiet, settings, resources});
  missing += Save(main_dialog, folder, "main-dialog.png") ? 0 : 1;
  AboutDialog about(&main_dialog);
  missing += Save(about, folder, "about-dialog.png") ? 0 : 1;
  about.close();

  PicturingSink pictures(nullptr, folder);
  ConversionDialog conversion(SourceGame::kCart, Services{pictures, settings, resources},
                              &main_dialog);
  auto* tracks = conversion.findChild<QListWidget*>("trackList");
  missing += Save(conversion, folder, "conversion-dialog.png") ? 0 : 1;

  PathChooser chooser(GplChooserTexts(), setup.gpl.string(), &conversion);
  missing += Save(chooser, folder, "path-chooser.png") ? 0 : 1;
  chooser.close();

  const QList<QListWidgetItem*> detroit = tracks->findItems("Detroit", Qt::MatchExactly);
  if (!detroit.isEmpty()) detroit.front()->setSelected(true);
  conversion.findChild<QPushButton*>("convertButton1002")->click();
  missing += pictures.saved() ? 0 : 1;
  return missing;
}

}  // namespace velmora
