// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/mip_file.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "platform/version.h"
#include "samples/installation_builder.h"
#include "samples/sample_tracks.h"
#include "track/track_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;

struct CommandResult {
  int exit_code = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

std::string Slurp(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// A member of the pack <folder name>.dat in a GPL track folder; nothing when it is not there.
std::optional<std::vector<std::uint8_t>> PackedMember(const fs::path& folder,
                                                      std::string_view name) {
  TrackArchive archive;
  if (!archive.Open(folder / (folder.filename().string() + ".dat")).ok() || !archive.Unpack().ok()) {
    return std::nullopt;
  }
  std::optional<std::span<const std::uint8_t>> member = archive.HeldMember(name);
  if (!member) return std::nullopt;
  return std::vector<std::uint8_t>(member->begin(), member->end());
}

class CliTest : public ::testing::Test {
 protected:
  // `environment` is put before the command, e.g. "TMPDIR=/x".
  CommandResult Velmora(const std::string& arguments, const std::string& environment = "") {
    // Files of their own for each command: under Wine the desktop process that the first
    // drawing of titles starts takes the command's output files along and holds them open for a
    // while after the command ends, so a second command could not open the same files.
    const std::string n = std::to_string(++commands_);
    const fs::path out = folder_->path() / ("stdout-" + n + ".txt");
    const fs::path err = folder_->path() / ("stderr-" + n + ".txt");
#ifdef _WIN32
    // cmd.exe drops the outermost quotes of a command that starts with one.
    std::string command = "\"";
    if (!environment.empty()) command.append(environment).append(" ");
    command.append(QuoteText(VELMORA_CLI_PATH)).append(" ").append(arguments);
    command.append(" >").append(Quote(out)).append(" 2>").append(Quote(err)).append(" <NUL\"");
    // The wide call, so that arguments beyond ASCII reach the program as written.
    const int exit_code = _wsystem(PathFromUtf8(command).c_str());
#else
    const std::string command = environment + " " + std::string(VELMORA_CLI_PATH) + " " +
                                arguments + " >" + out.string() + " 2>" + err.string() +
                                " </dev/null";
    const int status = std::system(command.c_str());
    const int exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    CommandResult result;
    result.exit_code = exit_code;
    result.out = Slurp(out);
    result.err = Slurp(err);
    return result;
  }
  // One argument for the shell that runs the command: '...' for sh, "..." for cmd.exe.
  static std::string QuoteText(std::string_view text) {
#ifdef _WIN32
    const char mark = '"';
#else
    const char mark = '\'';
#endif
    std::string quoted(1, mark);
    quoted.append(text);
    quoted.push_back(mark);
    return quoted;
  }
  static std::string Quote(const fs::path& path) { return QuoteText(PathToUtf8(path)); }
  // What puts the system's temporary folder at `folder` for one command.
  static std::string TempFolderVariable(const fs::path& folder) {
#ifdef _WIN32
    return "set \"TMP=" + PathToUtf8(folder) + "\" &&";
#else
    return "TMPDIR=" + Quote(folder);
#endif
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  int commands_ = 0;
  fs::path src_ = folder_->path() / "cart";
  fs::path gpl_ = folder_->path() / "gpl";
};

TEST_F(CliTest, ListPrintsKnownTracksInTheGamesOrderThenAddOns) {
  samples::WriteSourceTrack(src_, {"dethq", {}, {}, "tracks"});
  samples::WriteSourceTrack(src_, {"Elkhart", {}, {}, "tracks"});
  samples::WriteSourceTrack(src_, {"kestrel", {}, {}, "tracks"});
  samples::WriteSourceTrack(src_, {"Zandvoort", {}, {}, "tracks"});
  WriteFileText(src_ / "tracks" / "kestrel" / "notes.txt", "no track of its own");
  fs::create_directories(src_ / "tracks" / "spare");  // no archive: not listed
  WriteFileText(src_ / "tracks" / "spare" / "spare.txt", "x");
  CommandResult cart = Velmora("list --game cart --source " + Quote(src_));
  EXPECT_EQ(cart.exit_code, 0);
  EXPECT_EQ(cart.out,
            "Elkhart\tRoad America\ndethq\tDetroit HQ\nkestrel\tkestrel\tadd-on\n"
            "Zandvoort\tZandvoort\tadd-on\n");

  const fs::path empty = folder_->path() / "empty";
  fs::create_directories(empty / "tracks");
  CommandResult n2 = Velmora("list --game N2 --source " + Quote(empty));
  EXPECT_EQ(n2.exit_code, 1);
  EXPECT_EQ(n2.out, "");
  EXPECT_NE(n2.err.find("If the list box is empty the N2 directory is not correctly set,"),
            std::string::npos);
}

// Without a settings file the track file comes from a template when one is found and from the
// source game's own file otherwise; a 0 typed into the settings file still stops as it always
// has, and --geometry decides for one run without storing.
TEST_F(CliTest, GeometryComesFromATemplateOrTheTracksOwnFile) {
  samples::WriteSmallSampleTrack(src_, "dethq");
  samples::WriteGplInstallation(gpl_);
  const fs::path home = folder_->path() / "home";
  fs::create_directories(home);
#ifdef _WIN32
  const std::string fresh_home = "set \"APPDATA=" + PathToUtf8(home) + "\" &&";
#else
  const std::string fresh_home = "HOME=" + Quote(home) + " XDG_CONFIG_HOME=";
#endif
  const std::string convert = "convert --game cart --source " + Quote(src_) + " --gpl " +
                              Quote(gpl_) + " --track " + QuoteText("Detroit HQ");
  const fs::path folder = gpl_ / "tracks" / "detroit";
  const std::string patches =
      "velmora: No Patch Files Found for detroit\n"
      "velmora: Check your installation of the converter\n";

  CommandResult own = Velmora(convert, fresh_home);
  EXPECT_EQ(own.exit_code, 0) << own.err;
  EXPECT_EQ(own.out, "Conversion Finished\n");
  EXPECT_EQ(own.err,
            "velmora: note: no geometry template detroit_N4T was found, so the track's own "
            "geometry file dethq.trk was converted\n" + patches);
  const std::optional<std::vector<std::uint8_t>> converted = PackedMember(folder, "detroit.trk");
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(std::string(converted->begin(), converted->begin() + 4), "KART");
  // Nothing was stored: a fresh home has no settings file afterwards either.
  EXPECT_TRUE(fs::is_empty(home));

  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "detroit");
  CommandResult templated = Velmora(convert + " --resources " + Quote(resources), fresh_home);
  EXPECT_EQ(templated.exit_code, 0) << templated.err;
  EXPECT_EQ(templated.err, patches);
  EXPECT_EQ(PackedMember(folder, "detroit.trk"), ReadFileBytes(resources / "DETROIT_N4T.trk"));
  // The track's own file on request, for this run only.
  CommandResult forced =
      Velmora(convert + " --geometry track-file --resources " + Quote(resources), fresh_home);
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_EQ(PackedMember(folder, "detroit.trk"), converted);

  const fs::path settings = folder_->path() / "Velmora.INI";
  WriteFileText(settings, "[Options]\r\nN2N4TrkConvert=0\r\n");
  fs::remove_all(folder);
  CommandResult stopped = Velmora(convert + " --settings " + Quote(settings));
  EXPECT_EQ(stopped.exit_code, 1);
  EXPECT_EQ(stopped.out, "Conversion Finished\n");
  EXPECT_EQ(stopped.err,
            "velmora: Failed to find resource detroit_N4T\n"
            "velmora: GPL directory not correctly set?\n"
            "velmora: The geometry template detroit_N4T is missing: put a file of that name into "
            "the resources folder (setting Resources, option --resources), or convert the "
            "source game's own track file (--geometry track-file).\n");
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_EQ(Slurp(settings), "[Options]\r\nN2N4TrkConvert=0\r\n");
  // --geometry auto overrides the stored 0 for one run; --convert-track-file is short for
  // track-file, and the two together are bad usage.
  EXPECT_EQ(Velmora(convert + " --geometry auto --settings " + Quote(settings)).exit_code, 0);
  EXPECT_EQ(Velmora(convert + " --convert-track-file --settings " + Quote(settings)).exit_code, 0);
  EXPECT_EQ(Velmora(convert + " --geometry track-file --convert-track-file").exit_code, 2);
  EXPECT_EQ(Velmora(convert + " --geometry newest").exit_code, 2);
  EXPECT_EQ(Slurp(settings), "[Options]\r\nN2N4TrkConvert=0\r\n");
}

TEST_F(CliTest, ConvertWithResourcesRunsToTheEnd) {
  samples::WriteSourceTrack(src_, {"elkhart", {}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "elkhart");
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track " + QuoteText("road america") +
                                 " --settings " +
                                 Quote(folder_->path() / "Velmora.INI") + " --resources " +
                                 Quote(resources));
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "Conversion Finished\n");
  EXPECT_TRUE(fs::exists(gpl_ / "tracks" / "elkhart" / "elkhart.dat"));
}

TEST_F(CliTest, NamesBeyondAsciiPassThroughUnchanged) {
  // A folder and a track name with letters outside ASCII, in the arguments and in the output.
  const fs::path source = PathFromUtf8(PathToUtf8(folder_->path()) + "/Spiele \u00D6sterreich");
  samples::WriteSourceTrack(source, {"dethq", {}, {}, "Tracks"});
  CommandResult list = Velmora("list --game cart --source " + Quote(source));
  EXPECT_EQ(list.exit_code, 0) << list.err;
  EXPECT_EQ(list.out, "dethq\tDetroit HQ\n");

  CommandResult missing = Velmora("convert --game cart --source " + Quote(source) + " --gpl " +
                                  Quote(gpl_) + " --track " + QuoteText("Kestrel \u00D6st"));
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("no track \"Kestrel \u00D6st\" under " + PathToUtf8(source)),
            std::string::npos)
      << missing.err;
}

// The name is given in UTF-8 and in small letters; the table holds it in Windows-1252 with a
// capital.
TEST_F(CliTest, ConvertFindsADisplayNameWithoutRegardToWindows1252Case) {
  samples::WriteSourceTrack(src_, {"osring", {}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track " + QuoteText("\xC3\xB6sterreichring") +
                                 " --geometry template --settings " +
                                 Quote(folder_->path() / "Velmora.INI"));
  // Found: the run starts and stops only for want of a geometry template.
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_EQ(result.err.find("no track"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.rfind("velmora: Failed to find resource osring_N4T\n", 0), 0u) << result.err;
  EXPECT_TRUE(fs::is_directory(gpl_ / "tracks" / "osring"));
}

// Everything a run writes into the GPL track folder, by file name.
std::map<std::string, std::vector<std::uint8_t>> TrackFolderFiles(const fs::path& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = ReadFileBytes(entry.path()).value_or(Bytes("?"));
  }
  return files;
}

// The MIP flags of every texture in a track archive, read back with the program's own reader.
std::map<std::string, int> PackedTextureFlags(const fs::path& archive_path) {
  std::map<std::string, int> flags;
  TrackArchive archive;
  if (!archive.Open(archive_path).ok() || !archive.Extract(".mip").ok()) return flags;
  for (const ArchiveEntry& entry : archive.entries()) {
    if (!entry.name.ends_with(".mip")) continue;
    std::optional<std::vector<std::uint8_t>> bytes =
        ReadFileBytes(archive.ExtractedPath(entry.name));
    if (!bytes) {
      flags[entry.name] = -1;
      continue;
    }
    Result<TextureImage> texture = ReadMip(std::move(*bytes));
    flags[entry.name] = texture ? texture->mip_flags : -1;
  }
  return flags;
}

// Words the per-track and texture rules look for ("sky", "grass", "indy", "suz", "glen") in
// the folders above the GPL folder, capitals in the GPL folder and a temporary folder whose
// name holds track names change nothing that a run writes.
TEST_F(CliTest, FoldersOutsideTheTrackChangeNothingWritten) {
  auto convert = [&](const fs::path& dir, const std::string& environment) {
    const samples::DemoInstallations demo = samples::WriteDemoInstallations(dir);
    fs::path gpl = demo.gpl;
    if (environment.empty()) return std::make_pair(gpl, demo.track);
    fs::rename(gpl, dir / "GPL");
    gpl = dir / "GPL";
    fs::rename(gpl / "tracks", gpl / "TRACKS");
    return std::make_pair(gpl, demo.track);
  };
  const auto neutral_install = convert(folder_->path() / "neutral", "");
  const fs::path neutral_gpl = neutral_install.first;
  const std::string track = neutral_install.second;
  const fs::path odd_dir =
      folder_->path() / "MySkyGames" / "Grass Valley" / "sky and grass" / "Indy";
  const fs::path tmp = folder_->path() / "dirsuzglenindy";
  fs::create_directories(tmp);
  const std::string environment = TempFolderVariable(tmp);
  const fs::path odd_gpl = convert(odd_dir, environment).first;
  auto run = [&](const fs::path& dir, const fs::path& gpl, const std::string& env) {
    return Velmora("convert --game cart --source " + Quote(dir / "source") + " --gpl " +
                       Quote(gpl) + " --track " + track + " --convert-track-file --settings " +
                       Quote(dir / "Velmora.INI"),
                   env);
  };
  const CommandResult neutral = run(folder_->path() / "neutral", neutral_gpl, "");
  ASSERT_EQ(neutral.exit_code, 0) << neutral.err;
  const CommandResult odd = run(odd_dir, odd_gpl, environment);
  ASSERT_EQ(odd.exit_code, 0) << odd.err;

  const fs::path neutral_folder = neutral_gpl / "tracks" / track;
  const fs::path odd_folder = odd_gpl / "TRACKS" / track;
  const auto neutral_files = TrackFolderFiles(neutral_folder);
  ASSERT_TRUE(neutral_files.contains(track + ".dat"));
  EXPECT_EQ(TrackFolderFiles(odd_folder), neutral_files);
  const std::map<std::string, int> flags = PackedTextureFlags(neutral_folder / (track + ".dat"));
  ASSERT_FALSE(flags.empty());
  EXPECT_EQ(PackedTextureFlags(odd_folder / (track + ".dat")), flags);
  EXPECT_TRUE(fs::is_empty(tmp));  // the run's own temporary folders were made there, and removed
}

// A GPL track whose name makes a member name longer than a pack holds ("longtrackname.trk"):
// the run says why, keeps the converted files loose in the track folder and exits with 1.
TEST_F(CliTest, APackThatCannotBeWrittenKeepsTheFilesAndFails) {
  samples::WriteSourceTrack(src_, {"longtrackname", {}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "longtrackname");
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track longtrackname --settings " +
                                 Quote(folder_->path() / "Velmora.INI") + " --resources " +
                                 Quote(resources));
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const fs::path track = gpl_ / "tracks" / "longtrackname";
  // Named as the run builds it ("Tracks"), in the spelling the disk's lookup gives.
  const fs::path named = ResolveForWrite(gpl_ / "Tracks") / "longtrackname" / "longtrackname.dat";
  EXPECT_NE(result.err.find("velmora: Cannot write the track archive " + named.string() +
                            ": the member name \"longtrackname.trk\" does not fit the 12 "
                            "characters of an archive name\n"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(track / "longtrackname.dat"));
  EXPECT_TRUE(fs::exists(track / "longtrackname.trk"));
  EXPECT_TRUE(fs::exists(track / "page2.pbf"));
}

TEST_F(CliTest, BadUsageExitsWithTwo) {
  samples::WriteSourceTrack(src_, {"dethq", {}, {}, "tracks"});
  const std::string common = " --source " + Quote(src_) + " --gpl " + Quote(gpl_);
  struct Row {
    std::string arguments;
    std::string says;
  };
  const std::vector<Row> rows = {
      {"", "A subcommand is required"},
      {"list --source " + Quote(src_), "--game is required"},
      {"convert --game psx" + common + " --track dethq", "--game"},
      {"convert --game cart" + common + " --track indy", "no track \"indy\" under"},
      {"convert --game cart" + common + " --track dethq --resources /nonexistent",
       "the resources folder /nonexistent does not exist"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    CommandResult result = Velmora(row.arguments);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find(row.says), std::string::npos) << result.err;
  }
  EXPECT_EQ(Velmora("--help").exit_code, 0);
}

// The options a help text names, as the manual page spells them ("\\-\\-game").
std::set<std::string> OptionsIn(const std::string& text, const std::regex& pattern) {
  std::set<std::string> options;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    options.insert((*it)[1].str());
  }
  return options;
}

std::vector<std::string> SubcommandsIn(const std::string& help) {
  std::vector<std::string> names;
  const std::size_t start = help.find("Subcommands:");
  std::istringstream lines(help.substr(start == std::string::npos ? help.size() : start));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::smatch match;
    if (std::regex_search(line, match, std::regex("^  ([a-z]+)\\s"))) names.push_back(match[1]);
  }
  return names;
}

TEST_F(CliTest, ManualPageMatchesTheHelp) {
  const std::string man = Slurp(VELMORA_MAN_PAGE);
  ASSERT_FALSE(man.empty()) << VELMORA_MAN_PAGE;
  EXPECT_NE(man.find(std::string("\"velmora ") + kVersion + "\""), std::string::npos);

  const std::regex help_option("(--[a-z][a-z-]*)");
  const std::regex man_option(R"(\\-\\-([a-z][a-z\\-]*[a-z]))");
  CommandResult top = Velmora("--help");
  std::set<std::string> in_help = OptionsIn(top.out, help_option);
  const std::vector<std::string> subcommands = SubcommandsIn(top.out);
  EXPECT_GE(subcommands.size(), 3u) << top.out;
  for (const std::string& name : subcommands) {
    SCOPED_TRACE(name);
    EXPECT_NE(man.find("\n.B " + name + "\n"), std::string::npos) << "no entry for " << name;
    CommandResult help = Velmora(name + " --help");
    EXPECT_EQ(help.exit_code, 0);
    in_help.merge(OptionsIn(help.out, help_option));
  }
  std::set<std::string> in_man;
  for (std::string option : OptionsIn(man, man_option)) {
    option.erase(std::remove(option.begin(), option.end(), '\\'), option.end());
    in_man.insert("--" + option);
  }
  EXPECT_EQ(in_man, in_help);
  for (const char* status : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n"}) {
    EXPECT_NE(man.find(status), std::string::npos) << "exit status " << status;
  }
}

TEST_F(CliTest, VersionNeedsNoSubcommand) {
  CommandResult result = Velmora("--version");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, std::string("velmora ") + kVersion + "\n");
}

// Every file under `root`: relative path -> bytes.
std::map<std::string, std::string> FilesUnder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).string()] = Slurp(entry.path());
    }
  }
  return files;
}

// Five tracks, dethq and detroit both into Tracks/detroit: run three at a time, the GPL folder
// ends file for file as converting them one by one in list order leaves it.
TEST_F(CliTest, BatchConvertsEveryTrackAsOneByOneWould) {
  const std::vector<std::string> folders = {"Elkhart", "Laguna", "Portland", "detroit", "dethq"};
  for (const std::string& folder : folders) samples::WriteSmallSampleTrack(src_, folder);
  const fs::path one_by_one = folder_->path() / "one-by-one";
  samples::WriteGplInstallation(gpl_);
  samples::WriteGplInstallation(one_by_one);
  const std::string options = " --game cart --convert-track-file --source " + Quote(src_) +
                              " --settings " + Quote(folder_->path() / "Velmora.INI");

  CommandResult batch = Velmora("convert --all --jobs 3 --gpl " + Quote(gpl_) + options);
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  // One by one, each under its display name, as the dialogs pick a track.
  CommandResult list = Velmora("list --game cart --source " + Quote(src_));
  std::istringstream listed(list.out);
  std::string entry;
  int converted = 0;
  while (std::getline(listed, entry)) {
    const std::string display_name = entry.substr(entry.find('\t') + 1);
    EXPECT_EQ(Velmora("convert --track " + QuoteText(display_name) + " --gpl " + Quote(one_by_one) +
                      options).exit_code, 0);
    ++converted;
  }
  EXPECT_EQ(converted, 5);
  const std::map<std::string, std::string> batch_files = FilesUnder(gpl_);
  // The installation; per GPL track its archive, six racing lines and track.ini.
  EXPECT_EQ(batch_files.size(), 4 + 4 * 8u);
  EXPECT_TRUE(batch_files == FilesUnder(one_by_one));  // names and bytes
  for (const auto& [name, bytes] : FilesUnder(one_by_one)) {
    EXPECT_TRUE(batch_files.count(name) && batch_files.at(name) == bytes) << name;
  }

  // The table: the list's order, the HQ variant's GPL folder, every run finished.
  std::istringstream table(batch.out);
  std::string line;
  std::getline(table, line);
  EXPECT_EQ(line.rfind("track", 0), 0u) << batch.out;
  for (const std::string& folder : folders) {
    ASSERT_TRUE(std::getline(table, line)) << batch.out;
    SCOPED_TRACE(line);
    EXPECT_EQ(line.rfind(folder + " ", 0), 0u);
    EXPECT_NE(line.find(folder == "dethq" ? " detroit " : " " + AsciiLower(folder) + " "),
              std::string::npos);
    EXPECT_NE(line.find(" finished "), std::string::npos);
  }
  EXPECT_FALSE(std::getline(table, line));
  // Every message names its track.
  std::istringstream messages(batch.err);
  while (std::getline(messages, line)) {
    const bool named = std::any_of(folders.begin(), folders.end(), [&](const std::string& f) {
      return line.rfind("velmora: " + f + ": ", 0) == 0;
    });
    EXPECT_TRUE(named) << line;
  }
}

TEST_F(CliTest, BatchExitsWithOneWhenARunStopsAndTwoOnBadUsage) {
  samples::WriteSmallSampleTrack(src_, "Elkhart");
  samples::WriteSmallSampleTrack(src_, "Laguna");
  samples::WriteGplInstallation(gpl_);
  // Asked for templates, which are not there, each run stops early.
  const std::string options = " --game cart --geometry template --source " + Quote(src_) +
                              " --gpl " + Quote(gpl_) + " --settings " +
                              Quote(folder_->path() / "Velmora.INI");
  CommandResult stopped = Velmora("convert --all" + options);
  EXPECT_EQ(stopped.exit_code, 1);
  EXPECT_NE(stopped.out.find("Elkhart  elkhart     stopped: Failed to find resource elkhart_N4T"),
            std::string::npos) << stopped.out;
  EXPECT_NE(stopped.err.find("velmora: Laguna: GPL directory not correctly set?\n"),
            std::string::npos) << stopped.err;
  // A template for one of the two: that one finishes, and one stopped run is enough for 1.
  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "elkhart");
  CommandResult mixed = Velmora("convert --all" + options + " --resources " + Quote(resources));
  EXPECT_EQ(mixed.exit_code, 1) << mixed.out;
  EXPECT_EQ(mixed.out.find("Elkhart  elkhart     stopped"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.out.find("Laguna"), std::string::npos) << mixed.out;

  EXPECT_EQ(Velmora("convert --all --track Elkhart" + options).exit_code, 2);
  EXPECT_EQ(Velmora("convert --jobs 2" + options).exit_code, 2);
  EXPECT_EQ(Velmora("convert --all --jobs 0" + options).exit_code, 2);
  CommandResult neither = Velmora("convert" + options);
  EXPECT_EQ(neither.exit_code, 2);
  EXPECT_NE(neither.err.find("convert needs --track NAME or --all"), std::string::npos);
  const fs::path empty = folder_->path() / "empty";
  fs::create_directories(empty);
  EXPECT_EQ(Velmora("convert --all --game cart --source " + Quote(empty) + " --gpl " +
                    Quote(gpl_)).exit_code, 1);
}

TEST_F(CliTest, DemoWritesItsSampleAndConverts) {
  const fs::path dir = folder_->path() / "demo";
  CommandResult first = Velmora("demo " + Quote(dir));
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_NE(first.out.find("Conversion Finished"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "source" / "Tracks" / "kestrel" / "kestrel.dat"));
  EXPECT_TRUE(fs::exists(dir / "gpl" / "tracks" / "mexico" / "mexico.dat"));
  EXPECT_TRUE(fs::is_directory(dir / "gpl" / "tracks" / "kestrel"));
  // It ends with the check of its result, clean, and the picture of the track.
  EXPECT_NE(first.out.find("kestrel: "), std::string::npos) << first.out;
  EXPECT_NE(first.out.find(" files checked, no problems\n"), std::string::npos) << first.out;
  // The path as the system spells it (separators differ between systems).
  const std::string picture_label = "(velmora show): ";
  const std::size_t picture_at = first.out.find(picture_label);
  ASSERT_NE(picture_at, std::string::npos) << first.out;
  const std::size_t picture_from = picture_at + picture_label.size();
  const std::string shown =
      first.out.substr(picture_from, first.out.find('\n', picture_from) - picture_from);
  EXPECT_TRUE(fs::equivalent(fs::path(shown), dir / "kestrel.png")) << shown;
  EXPECT_EQ(Slurp(dir / "kestrel.png").substr(1, 3), "PNG");
  // GPL's standard files went in as real files, not stand-ins of a few bytes.
  EXPECT_EQ(first.out.find(" 16 bytes\n"), std::string::npos) << first.out;
  // No template is carried: the track's own file was converted, with a note saying so.
  EXPECT_NE(first.err.find("velmora: note: no geometry template kestrel_N4T was found"),
            std::string::npos) << first.err;
  // Its settings name both sample installations for the dialog program, and the output ends
  // with the command that opens it on them.
  const std::string settings = Slurp(dir / "Velmora.INI");
  EXPECT_NE(settings.find("ICR2 Path=" + PathToUtf8(fs::absolute(dir / "source"))),
            std::string::npos) << settings;
  EXPECT_NE(settings.find("GPL Path=" + PathToUtf8(fs::absolute(dir / "gpl"))), std::string::npos)
      << settings;
  EXPECT_EQ(settings.find("N2N4TrkConvert"), std::string::npos) << settings;
#ifndef _WIN32  // the Windows build has no dialog program beside it yet
  const std::string ending = " --settings " + PathToUtf8(fs::absolute(dir / "Velmora.INI")) + "\n";
  ASSERT_GE(first.out.size(), ending.size());
  EXPECT_EQ(first.out.substr(first.out.size() - ending.size()), ending) << first.out;
#endif
  // Running it again replaces its own sample; a folder it did not write is left alone.
  EXPECT_EQ(Velmora("demo " + Quote(dir)).exit_code, 0);
  const fs::path foreign = folder_->path() / "foreign";
  fs::create_directories(foreign / "gpl");
  CommandResult refused = Velmora("demo " + Quote(foreign));
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_TRUE(fs::is_directory(foreign / "gpl"));
}

TEST_F(CliTest, ShowAndCheckReadATrackFolderAndExitByWhatTheyFound) {
  const fs::path dir = folder_->path() / "demo";
  ASSERT_EQ(Velmora("demo " + Quote(dir)).exit_code, 0);
  const fs::path track = dir / "gpl" / "tracks" / "kestrel";

  // show writes <folder name>.png into the current folder unless told otherwise.
  CommandResult shown = Velmora("show " + Quote(track));
  EXPECT_EQ(shown.exit_code, 0) << shown.err;
  EXPECT_EQ(shown.out, "kestrel.png\n");
  EXPECT_TRUE(fs::exists("kestrel.png"));
  fs::remove("kestrel.png");
  const fs::path png = folder_->path() / "picture.png";
  EXPECT_EQ(Velmora("show " + Quote(track) + " --out " + Quote(png)).exit_code, 0);
  EXPECT_TRUE(fs::exists(png));

  // A planted fault makes check exit with 1 and name the file.
  std::vector<std::uint8_t> race = ReadFileBytes(track / "Race.lp").value_or(Bytes(""));
  ASSERT_GT(race.size(), 28u);
  race.resize(race.size() - 20);
  ASSERT_TRUE(WriteFileBytes(track / "Race.lp", race));
  CommandResult checked = Velmora("check " + Quote(track));
  EXPECT_EQ(checked.exit_code, 1);
  EXPECT_NE(checked.out.find("Race.lp: "), std::string::npos) << checked.out;
  EXPECT_NE(checked.out.find("kestrel: "), std::string::npos);

  // Not a GPL track: 1 with a message; not a folder, or no folder at all: bad usage.
  for (const char* tool : {"show ", "check "}) {
    SCOPED_TRACE(tool);
    CommandResult not_track = Velmora(tool + Quote(dir));
    EXPECT_EQ(not_track.exit_code, 1);
    EXPECT_NE(not_track.err.find("is not a GPL track folder"), std::string::npos);
    EXPECT_EQ(Velmora(tool + Quote(dir / "nothing")).exit_code, 2);
    EXPECT_EQ(Velmora(tool).exit_code, 2);
  }
}

}  // namespace
}  // namespace velmora
