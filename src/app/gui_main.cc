// velmora-gui: the dialog program. Starts on the main dialog; the program ends when it closes.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>

#include "app/main_dialog.h"
#include "app/program_icon.h"
#include "app/screenshot_tour.h"
#include "gui_qt/dialog_sinks.h"
#include "platform/file_system.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/version.h"
#include "resources/embedded_files.h"

namespace {

constexpr int kExitUsage = 2;

struct Options {
  QString settings;
  QString resources;
  QString screenshots;
};

Options ParseOptions(const QApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "velmora-gui: converts a race track of CART/ICR2, N2, N3 or NL into a GPL track");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption settings("settings", "settings file (default: the user's Velmora.INI)",
                                    "FILE");
  const QCommandLineOption resources(
      "resources", "folder whose files override or add resources (geometry templates)", "DIR");
  const QCommandLineOption screenshots(
      "screenshots", "write pictures of the dialogs into DIR, on sample installations, and end",
      "DIR");
  parser.addOptions({settings, resources, screenshots});
  parser.process(app);
  return {parser.value(settings), parser.value(resources), parser.value(screenshots)};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(velmora::kVersion);
  app.setWindowIcon(velmora::ProgramIcon());
  const Options options = ParseOptions(app);
  if (!options.screenshots.isEmpty()) return velmora::TakeScreenshots(options.screenshots);

  velmora::Settings settings(options.settings.isEmpty()
                                 ? velmora::Settings::DefaultFile()
                                 : std::filesystem::path(options.settings.toStdString()),
                             velmora::Settings::HomeFolder());
  std::filesystem::path resources_folder = settings.ResourcesFolder();
  if (!options.resources.isEmpty()) {
    resources_folder = options.resources.toStdString();
    if (!velmora::FolderExists(resources_folder)) {
      std::fprintf(stderr, "velmora-gui: the resources folder %s does not exist\n",
                   resources_folder.c_str());
      return kExitUsage;
    }
  }
  velmora::ResourceStore resources(velmora::EmbeddedFiles(), resources_folder);
  velmora::MessageBoxSink messages;
  velmora::MainDialog dialog(velmora::Services{messages, settings, resources});
  dialog.exec();
  return 0;
}
