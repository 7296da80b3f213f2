// velmora-gui.exe: the dialog program on Windows. Starts on the main dialog; the program ends
// when it closes.
//
//   velmora-gui [--settings FILE] [--resources DIR] [--version] [--help]

#include <windows.h>
//
#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gui_win32/dialog_sinks.h"
#include "gui_win32/main_dialog.h"
#include "gui_win32/wide_text.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/version.h"
#include "resources/embedded_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "velmora-gui: converts a race track of CART/ICR2, N2, N3 or NL into a GPL track\n\n"
    "Options:\n"
    "  --settings FILE   settings file (default: the user's Velmora.INI)\n"
    "  --resources DIR   folder whose files override or add resources (geometry templates)\n"
    "  --version         the program's version\n"
    "  --help            this text";

struct Options {
  std::optional<fs::path> settings;
  std::optional<fs::path> resources;
  bool version = false;
  bool help = false;
  std::string error;
};

std::vector<std::wstring> Arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

Options ParseOptions(const std::vector<std::wstring>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& word = arguments[i];
    const bool takes_value = word == L"--settings" || word == L"--resources";
    if (takes_value && i + 1 == arguments.size()) {
      options.error = velmora::Utf8FromWide(word) + " needs a value";
      break;
    }
    if (word == L"--settings") {
      options.settings = fs::path(arguments[++i]);
    } else if (word == L"--resources") {
      options.resources = fs::path(arguments[++i]);
    } else if (word == L"--version") {
      options.version = true;
    } else if (word == L"--help" || word == L"-h") {
      options.help = true;
    } else {
      options.error = "unknown option " + velmora::Utf8FromWide(word);
      break;
    }
  }
  return options;
}

void Tell(const std::string& utf8, UINT icon) {
  MessageBoxW(nullptr, velmora::WideFromUtf8(utf8).c_str(), L"Velmora", MB_OK | icon);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  const Options options = ParseOptions(Arguments());
  if (!options.error.empty()) {
    Tell("velmora-gui: " + options.error + "\n\n" + kUsage, MB_ICONERROR);
    return kExitUsage;
  }
  if (options.help || options.version) {
    Tell(options.help ? kUsage : std::string("velmora-gui ") + velmora::kVersion,
         MB_ICONINFORMATION);
    return 0;
  }

  velmora::Settings settings(options.settings.value_or(velmora::Settings::DefaultFile()),
                             velmora::Settings::HomeFolder());
  const fs::path resources_folder =
      options.resources.value_or(velmora::PathFromStoredText(settings.ResourcesFolder()));
  if (options.resources && !velmora::FolderExists(resources_folder)) {
    Tell("velmora-gui: the resources folder " + velmora::PathToUtf8(resources_folder) +
             " does not exist",
         MB_ICONERROR);
    return kExitUsage;
  }
  velmora::ResourceStore resources(velmora::EmbeddedFiles(), resources_folder);
  velmora::MessageBoxSink messages;
  velmora::MainDialog dialog(velmora::Services{messages, settings, resources});
  dialog.RunModal(nullptr);
  return 0;
}
