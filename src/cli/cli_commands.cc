#include "cli/cli_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/batch_command.h"
#include "cli/terminal_sinks.h"
#include "trackview/folder_check.h"
#include "trackview/track_folder.h"
#include "trackview/track_picture.h"
#include "pipeline/source_games.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/text_encoding.h"
#include "platform/version.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"
#include "track/track_archive.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Every option of every subcommand; each subcommand fills the ones it declares.
struct CommandLine {
  std::string game;
  std::string source;
  std::string gpl;
  std::string track;
  std::string settings;
  std::string resources;
  std::string dir;
  std::string track_folder;
  std::string out;
  bool keep_skid_marks = false;
  bool sixteen_bit_sky = false;
  bool convert_track_file = false;
  std::string geometry;  // "auto", "template" or "track-file"; empty: the settings decide
  bool all = false;  // convert --all
  int jobs = 0;      // with --all; 0: one per processor
};

#ifdef _WIN32
constexpr const char* kDialogProgramName = "velmora-gui.exe";
#else
constexpr const char* kDialogProgramName = "velmora-gui";
#endif

// A word a shell takes as it is: quoted when it holds anything but plain path characters.
std::string ShellQuoted(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_not_of(
                                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          "0123456789/._-+:\\") == std::string::npos;
  return plain ? word : QuoteForShell(word);
}

void Complain(const std::string& text) { std::fprintf(stderr, "velmora: %s\n", text.c_str()); }

std::vector<std::string> GameNames() {
  std::vector<std::string> names;
  for (const SourceGameInfo& game : AllGames()) names.emplace_back(game.cli_name);
  return names;
}

void AddGameAndSource(CLI::App& app, CommandLine& line) {
  app.add_option("--game", line.game, "source game")
      ->required()
      ->check(CLI::IsMember(GameNames(), CLI::ignore_case));
  app.add_option("--source", line.source, "the source game's installation folder")->required();
}

void AddListOptions(CLI::App& app, CommandLine& line) { AddGameAndSource(app, line); }

void AddConvertOptions(CLI::App& app, CommandLine& line) {
  AddGameAndSource(app, line);
  app.add_option("--gpl", line.gpl, "GPL's installation folder")->required();
  CLI::Option* track =
      app.add_option("--track", line.track, "the track's folder name or display name");
  CLI::Option* all = app.add_flag("--all", line.all, "convert every track that list shows");
  all->excludes(track);
  app.add_option("--jobs", line.jobs, "with --all: conversions run at a time (default: processors)")
      ->check(CLI::PositiveNumber)
      ->needs(all);
  app.add_flag("--keep-skid-marks", line.keep_skid_marks, "keep the source track's skid marks");
  app.add_flag("--sixteen-bit-sky", line.sixteen_bit_sky,
               "16-bit sky and horizon textures (N2, N3, NL)");
  CLI::Option* geometry =
      app.add_option("--geometry", line.geometry,
                     "where the GPL track file comes from, for this run: auto (a geometry "
                     "template when one is found, else the source game's own track file), "
                     "template (a template or stop), track-file (the source game's own track "
                     "file); default: the setting N2N4TrkConvert, automatic when unset. No "
                     "templates are carried: put them into the resources folder")
          ->check(CLI::IsMember({"auto", "template", "track-file"}, CLI::ignore_case));
  app.add_flag("--convert-track-file", line.convert_track_file,
               "short for --geometry track-file")
      ->excludes(geometry);
  app.add_option("--settings", line.settings, "settings file (default: the user's Velmora.INI)");
  app.add_option("--resources", line.resources,
                 "folder whose files override or add resources (geometry templates)");
}

void AddDemoOptions(CLI::App& app, CommandLine& line) {
  app.add_option("dir", line.dir, "folder for the sample installations (default: velmora-demo)");
  app.add_option("--resources", line.resources,
                 "folder whose files override or add resources (geometry templates)");
}

// How the command line asks for the source game's own track file; named in the hint after a
// run that stopped for want of a template.
constexpr std::string_view kTrackFileControl = "--geometry track-file";

GeometryChoice GeometryOf(const CommandLine& line) {
  if (line.convert_track_file) return GeometryChoice::kTrackFile;
  const std::string choice = AsciiLower(line.geometry);
  if (choice == "auto") return GeometryChoice::kAutomatic;
  if (choice == "template") return GeometryChoice::kTemplate;
  if (choice == "track-file") return GeometryChoice::kTrackFile;
  return GeometryChoice::kFromSettings;
}

const SourceGameInfo& GameOf(const CommandLine& line) {
  return GameInfo(GameByCliName(line.game).value_or(SourceGame::kCart));
}

int RunList(const CommandLine& line) {
  const SourceGameInfo& game = GameOf(line);
  std::vector<InstalledTrack> tracks = FindInstalledTracks(game, PathFromUtf8(line.source));
  for (const InstalledTrack& track : tracks) {
    std::printf("%s\t%s%s\n", Windows1252ToUtf8(track.folder).c_str(),
                Windows1252ToUtf8(track.display_name).c_str(), track.add_on ? "\tadd-on" : "");
  }
  if (tracks.empty()) {
    Complain(std::string(game.hint_text) + " no track found under " + line.source);
    return kExitStopped;
  }
  return kExitFinished;
}

// Runs one conversion with messages and progress on the terminal; true when it finished.
bool Convert(const SourceGameInfo& game, const CommandLine& line, Settings& settings,
             const fs::path& resources_folder, const std::string& folder) {
  ResourceStore resources(EmbeddedFiles(), resources_folder);
  TerminalProgress progress(stderr);
  TerminalMessages messages(stderr, &progress);
  Services services{messages, settings, resources};
  bool finished = false;
  {
    TrackConverter converter(services);
    finished = converter.Convert(game.game, {.src_dir = PathFromUtf8(line.source),
                                             .gpl_dir = PathFromUtf8(line.gpl),
                                             .source_track = folder,
                                             .keep_skid_marks = line.keep_skid_marks,
                                             .sixteen_bit_sky = line.sixteen_bit_sky,
                                             .progress = &progress,
                                             .geometry = GeometryOf(line),
                                             .track_file_control = std::string(kTrackFileControl)});
  }
  progress.Finish();
  std::printf("Conversion Finished\n");
  std::fflush(stdout);
  return finished;
}

std::optional<fs::path> ResourcesFolder(const CommandLine& line, const Settings& settings) {
  if (line.resources.empty()) return PathFromStoredText(settings.ResourcesFolder());
  if (!FolderExists(PathFromUtf8(line.resources))) {
    Complain("the resources folder " + line.resources + " does not exist");
    return std::nullopt;
  }
  return PathFromUtf8(line.resources);
}

int RunConvert(const CommandLine& line) {
  const SourceGameInfo& game = GameOf(line);
  Settings settings(line.settings.empty() ? Settings::DefaultFile() : PathFromUtf8(line.settings),
                    Settings::HomeFolder());
  std::optional<fs::path> resources_folder = ResourcesFolder(line, settings);
  if (!resources_folder) return kExitUsage;
  if (line.all) {
    BatchRequest batch{&game,
                       PathFromUtf8(line.source),
                       PathFromUtf8(line.gpl),
                       line.jobs > 0 ? line.jobs : DefaultJobs(),
                       line.keep_skid_marks,
                       line.sixteen_bit_sky,
                       GeometryOf(line),
                       std::string(kTrackFileControl),
                       settings.file(),
                       *resources_folder};
    return RunBatchConversion(batch);
  }
  if (line.track.empty()) {
    Complain("convert needs --track NAME or --all");
    return kExitUsage;
  }

  const std::string folder = FolderOfDisplayName(Utf8ToWindows1252(line.track));
  const fs::path archive = PathFromUtf8(line.source) / "tracks" / PathFromWindows1252(folder) /
                          PathFromWindows1252(folder + ".dat");
  if (!FileExists(archive)) {
    Complain("no track \"" + line.track + "\" under " + line.source + " (looked for " +
             PathToUtf8(archive) + ")");
    return kExitUsage;
  }
  return Convert(game, line, settings, *resources_folder, folder) ? kExitFinished : kExitStopped;
}

// Lists what a run left in the GPL track folder and what its track archive holds.
void DescribeResult(const fs::path& track_folder) {
  std::printf("\nThe GPL track folder %s holds:\n", track_folder.string().c_str());
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(track_folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::printf("  %s\n", file.filename().string().c_str());
    if (file.extension() != ".dat") continue;
    TrackArchive archive;
    // A directory cut short still lists its readable members.
    if (archive.Open(file).IsNotFound()) continue;
    for (const ArchiveEntry& entry : archive.entries()) {
      std::printf("    %-12s %8u bytes\n", entry.name.c_str(), entry.length);
    }
  }
}

// The demo's last steps: what `velmora check` says of the converted folder, and where the
// picture `velmora show` draws of it is. The folder is opened and its track file loaded once for
// both.
void CheckAndPicture(const fs::path& track_folder, const fs::path& picture) {
  std::printf("\nvelmora check %s:\n", track_folder.string().c_str());
  Result<TrackFolder> folder = TrackFolder::Open(track_folder);
  Status shown = folder.status();
  if (folder.ok()) {
    const FolderTrack track = folder->LoadTrack();
    std::fputs(CheckTrackFolder(*folder, track).Text().c_str(), stdout);
    shown = ShowTrack(*folder, track, picture);
  } else {
    std::printf("  %s\n", folder.status().message().c_str());
  }
  if (shown.ok()) {
    std::printf("\nA picture of the track from above (velmora show): %s\n",
                PathToUtf8(picture).c_str());
  } else {
    std::printf("\nNo picture of the track: %s\n", shown.message().c_str());
  }
  std::fflush(stdout);
}

// The dialog program next to this one: installed beside it, or in its own folder of a build
// tree; else by name, from the PATH (on Windows only one installed beside it counts).
std::optional<std::string> DialogProgram() {
  const fs::path here = ExecutableFolder();
  for (const fs::path& candidate :
       {here / kDialogProgramName, here.parent_path() / "app" / kDialogProgramName}) {
    if (FileExists(candidate)) return PathToUtf8(candidate);
  }
#ifdef _WIN32
  return std::nullopt;
#else
  return std::string(kDialogProgramName);
#endif
}

// The demo ends with the one command that opens the dialog program on its installations.
void PrintDialogCommand(const fs::path& settings_file, const std::string& track) {
  const std::optional<std::string> program = DialogProgram();
  if (!program) return;
  std::error_code ec;
  std::printf("\nThe dialog program on the sample installations (track \"%s\" is listed as an "
              "add-on in \"Convert CART/ICR2 to GPL\"):\n  %s --settings %s\n",
              track.c_str(), ShellQuoted(*program).c_str(),
              ShellQuoted(PathToUtf8(fs::absolute(settings_file, ec))).c_str());
  std::fflush(stdout);
}

int RunDemo(const CommandLine& line) {
  const fs::path dir = line.dir.empty() ? fs::path("velmora-demo") : PathFromUtf8(line.dir);
  const fs::path marker = dir / ".velmora-demo";
  std::error_code ec;
  const bool ours = fs::exists(marker, ec);
  for (const char* part : {"source", "gpl"}) {
    if (!fs::exists(dir / part, ec)) continue;
    if (!ours) {
      Complain((dir / part).string() + " exists and was not written by the demo; choose another "
               "folder");
      return kExitUsage;
    }
    fs::remove_all(dir / part, ec);
  }
  fs::create_directories(dir, ec);
  if (ec || !WriteFileText(marker, "Sample installations written by velmora demo.\n")) {
    Complain("cannot write into " + dir.string());
    return kExitUsage;
  }

  samples::DemoInstallations demo = samples::WriteDemoInstallations(dir);
  std::printf("Sample CART/ICR2 installation: %s (track \"%s\")\n", demo.source.string().c_str(),
              demo.track.c_str());
  std::printf("Sample GPL installation:       %s\n\n", demo.gpl.string().c_str());
  std::fflush(stdout);

  // The demo's own settings, which the dialog program opens on too: both folders point at the
  // sample installations, and the track file is chosen automatically (no template is carried).
  Settings settings(dir / "Velmora.INI", Settings::HomeFolder());
  settings.SetFolder(kIcr2PathKey, PathToUtf8(fs::absolute(demo.source, ec)));
  settings.SetFolder(kGplPathKey, PathToUtf8(fs::absolute(demo.gpl, ec)));
  settings.SetTrackFileConversion(std::nullopt);
  std::optional<fs::path> resources_folder = ResourcesFolder(line, settings);
  if (!resources_folder) return kExitUsage;
  CommandLine convert = line;
  convert.game = "cart";
  convert.source = PathToUtf8(demo.source);
  convert.gpl = PathToUtf8(demo.gpl);
  const bool finished = Convert(GameInfo(SourceGame::kCart), convert, settings,
                                *resources_folder, demo.track);
  const fs::path track_folder =
      ResolveExisting(demo.gpl / "Tracks" / demo.track).value_or(demo.gpl / "Tracks" / demo.track);
  DescribeResult(track_folder);
  if (!finished) {
    std::printf("\nThe sample conversion stopped early, at the step the messages above name.\n");
  }
  CheckAndPicture(track_folder, dir / (demo.track + ".png"));
  PrintDialogCommand(settings.file(), demo.track);
  return kExitFinished;
}

void AddCheckOptions(CLI::App& app, CommandLine& line) {
  app.add_option("folder", line.track_folder, "the GPL track folder")->required();
}

// Exit status of a read-only tool that could not open its track folder.
int OpenFailure(const Status& status) {
  Complain(status.message());
  return status.kind() == Status::Kind::kInvalidArgument ? kExitUsage : kExitStopped;
}

void AddShowOptions(CLI::App& app, CommandLine& line) {
  app.add_option("folder", line.track_folder, "the GPL track folder")->required();
  app.add_option("--out", line.out,
                 "the PNG file to write (default: <folder name>.png in the current folder)");
}

int RunShow(const CommandLine& line) {
  fs::path out = line.out;
  if (out.empty()) {
    fs::path name = fs::path(line.track_folder).filename();
    if (name.empty()) name = fs::path(line.track_folder).parent_path().filename();
    out = name.string() + ".png";
  }
  const Status shown = ShowTrack(line.track_folder, out);
  if (!shown.ok()) return OpenFailure(shown);
  std::printf("%s\n", out.string().c_str());
  return kExitFinished;
}

int RunCheck(const CommandLine& line) {
  Result<CheckReport> report = CheckTrackFolder(line.track_folder);
  if (!report.ok()) return OpenFailure(report.status());
  std::fputs(report->Text().c_str(), stdout);
  return report->problems() == 0 ? kExitFinished : kExitStopped;
}

struct Command {
  const char* name;
  const char* help;
  void (*add_options)(CLI::App&, CommandLine&);
  int (*run)(const CommandLine&);
};

constexpr Command kCommands[] = {
    {"list", "list the tracks installed in a source game's folder", AddListOptions, RunList},
    {"convert", "convert one track into GPL's installation", AddConvertOptions, RunConvert},
    {"demo", "write sample installations and convert their track", AddDemoOptions, RunDemo},
    {"show", "draw a GPL track folder from above into a PNG picture", AddShowOptions, RunShow},
    {"check", "validate a GPL track folder: exit 0 clean, 1 problems, 2 bad usage", AddCheckOptions,
     RunCheck},
};

}  // namespace

int RunCommandLine(int argc, char** argv) {
  CLI::App app{"velmora: converts a race track of CART/ICR2, N2, N3 or NL into a GPL track"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("velmora ") + kVersion);
  CommandLine line;
  std::vector<std::pair<CLI::App*, const Command*>> subcommands;
  for (const Command& command : kCommands) {
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    command.add_options(*sub, line);
    subcommands.emplace_back(sub, &command);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kExitFinished : kExitUsage;
  }
  for (const auto& [sub, command] : subcommands) {
    if (sub->parsed()) return command->run(line);
  }
  return kExitUsage;
}

}  // namespace velmora
