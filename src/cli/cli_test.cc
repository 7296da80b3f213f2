// Runs the real `velmora` command on synthetic installations: what only the command line adds,
// its exit codes, the text it prints and its options. What a run writes is the pipeline's.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "platform/version.h"
#include "samples/installation_builder.h"
#include "samples/sample_tracks.h"
#include "testing/run_command.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

Args Join(Args args, const Args& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class CliTest : public ::testing::Test {
 protected:
  CommandResult Velmora(const Args& arguments) {
    // Files of their own for each command: under Wine the desktop process that the first drawing
    // of titles starts holds the command's output files open for a while after it ends.
    const std::string n = std::to_string(++commands_);
    const fs::path out = folder_->path() / ("stdout-" + n + ".txt");
    const fs::path err = folder_->path() / ("stderr-" + n + ".txt");
    const int exit_code = testkit::RunCommand(VELMORA_CLI_PATH, arguments, out, err);
    return {exit_code, Slurp(out), Slurp(err)};
  }
  static std::string Arg(const fs::path& path) { return PathToUtf8(path); }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  int commands_ = 0;
  // Letters beyond ASCII in the source folder reach the program and its output as written.
  fs::path src_ = PathFromUtf8(Arg(folder_->path()) + "/Spiele \u00D6sterreich");
  fs::path gpl_ = folder_->path() / "gpl";
  fs::path settings_ = folder_->path() / "Velmora.INI";
  Args cart_ = {"--game", "cart", "--source", Arg(src_), "--gpl", Arg(gpl_)};
};

// The name is given in UTF-8 and in small letters; the table holds it in Windows-1252 with a
// capital. A 0 typed into the settings file stops for want of a template, with what to do;
// the options decide for one run and store nothing.
TEST_F(CliTest, ConvertFindsTheTrackAndTheGeometryOptionsDecideForOneRun) {
  samples::WriteSmallSampleTrack(src_, "osring");
  samples::WriteGplInstallation(gpl_);
  const Args convert =
      Join({"convert", "--track", "\xC3\xB6sterreichring", "--settings", Arg(settings_)}, cart_);
  CommandResult own = Velmora(convert);
  EXPECT_EQ(own.exit_code, 0) << own.err;
  EXPECT_EQ(own.out, "Conversion Finished\n");
  EXPECT_EQ(own.err,
            "velmora: note: no geometry template osring_N4T was found, so the track's own "
            "geometry file osring.trk was converted\n"
            "velmora: No Patch Files Found for osring\n"
            "velmora: Check your installation of the converter\n");
  EXPECT_FALSE(fs::exists(settings_));

  WriteFileText(settings_, "[Options]\r\nN2N4TrkConvert=0\r\n");
  CommandResult stopped = Velmora(convert);
  EXPECT_EQ(stopped.exit_code, 1);
  EXPECT_EQ(stopped.out, "Conversion Finished\n");
  EXPECT_EQ(stopped.err,
            "velmora: Failed to find resource osring_N4T\n"
            "velmora: GPL directory not correctly set?\n"
            "velmora: The geometry template osring_N4T is missing: put a file of that name into "
            "the resources folder (setting Resources, option --resources), or convert the "
            "source game's own track file (--geometry track-file).\n");
  const std::pair<Args, int> options[] = {{{"--geometry", "auto"}, 0},
                                          {{"--geometry", "track-file"}, 0},
                                          {{"--convert-track-file"}, 0},
                                          {{"--geometry", "template"}, 1}};
  for (const auto& [option, exit_code] : options) {
    SCOPED_TRACE(option.back());
    EXPECT_EQ(Velmora(Join(convert, option)).exit_code, exit_code);
  }
  EXPECT_EQ(Slurp(settings_), "[Options]\r\nN2N4TrkConvert=0\r\n");
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    found.insert((*it)[1].str());
  }
  return found;
}

// Every subcommand and option of the help has its entry in the manual page and the other way
// round; the page spells options "\\-\\-game" and names the exit statuses.
TEST_F(CliTest, ManualPageMatchesTheHelp) {
  const std::string man = Slurp(VELMORA_MAN_PAGE);
  EXPECT_NE(man.find(std::string("\"velmora ") + kVersion + "\""), std::string::npos)
      << VELMORA_MAN_PAGE;
  const std::regex help_option("(--[a-z][a-z-]*)");
  const std::string top = Velmora({"--help"}).out;
  const std::set<std::string> names = Matches(
      top.substr(std::min(top.find("Subcommands:"), top.size())), std::regex("\n  ([a-z]+)\\s"));
  EXPECT_GE(names.size(), 3u) << top;
  std::set<std::string> in_help = Matches(top, help_option);
  for (const std::string& name : names) {
    EXPECT_NE(man.find("\n.B " + name + "\n"), std::string::npos) << name;
    in_help.merge(Matches(Velmora({name, "--help"}).out, help_option));
  }
  std::set<std::string> in_man;
  for (std::string option : Matches(man, std::regex(R"(\\-\\-([a-z][a-z\\-]*[a-z]))"))) {
    std::erase(option, '\\');
    in_man.insert("--" + option);
  }
  EXPECT_EQ(in_man, in_help);
  for (const char* status : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n"}) {
    EXPECT_NE(man.find(status), std::string::npos) << "exit status " << status;
  }
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

// Three tracks, dethq and detroit both into Tracks/detroit, run three at a time, all finish
// with 0 and leave what runs one at a time leave. Asked then for templates, there for one track
// only, the batch exits with 1 and its table says which stopped.
TEST_F(CliTest, BatchConvertsEveryTrackAndExitsWithOneWhenARunStops) {
  for (const char* folder : {"Elkhart", "detroit", "dethq"}) {
    samples::WriteSmallSampleTrack(src_, folder);
  }
  samples::WriteGplInstallation(gpl_);
  const Args all = Join({"convert", "--all", "--settings", Arg(settings_)}, cart_);
  CommandResult batch = Velmora(Join(all, {"--jobs", "3", "--convert-track-file"}));
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  // The same tracks converted one by one, in list order, into another installation.
  const fs::path one_by_one = folder_->path() / "one-by-one";
  samples::WriteGplInstallation(one_by_one);
  std::istringstream listed(Velmora({"list", "--game", "cart", "--source", Arg(src_)}).out);
  for (std::string entry; std::getline(listed, entry);) {
    const Args track = {"convert", "--track",       entry.substr(entry.find('\t') + 1),
                        "--gpl",   Arg(one_by_one), "--convert-track-file"};
    EXPECT_EQ(Velmora(Join(track,
                           {"--game", "cart", "--source", Arg(src_), "--settings", Arg(settings_)}))
                  .exit_code,
              0)
        << entry;
  }
  EXPECT_EQ(FilesUnder(gpl_).size(), 4 + 2 * 8u);  // the installation; archive, lines, track.ini
  EXPECT_TRUE(FilesUnder(gpl_) == FilesUnder(one_by_one));

  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "elkhart");
  CommandResult mixed =
      Velmora(Join(all, {"--geometry", "template", "--resources", Arg(resources)}));
  EXPECT_EQ(mixed.exit_code, 1) << mixed.out;
  EXPECT_NE(mixed.out.find("Elkhart  elkhart     finished"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.out.find("detroit  detroit     stopped: Failed to find resource detroit_N4T"),
            std::string::npos);
}

// The demo converts its own sample, checks it and draws it; then every command exits by what it
// found: 0 done, 1 stopped or found a problem, 2 bad usage.
TEST_F(CliTest, DemoConvertsItsSampleAndEveryCommandExitsByWhatItFound) {
  const fs::path dir = folder_->path() / "demo";
  CommandResult demo = Velmora({"demo", Arg(dir)});
  EXPECT_EQ(demo.exit_code, 0) << demo.err;
  for (const char* says : {"Conversion Finished", "kestrel: ", " files checked, no problems\n"}) {
    EXPECT_NE(demo.out.find(says), std::string::npos) << says << " in " << demo.out;
  }
  // GPL's standard files went in as real files, not stand-ins of a few bytes.
  EXPECT_EQ(demo.out.find(" 16 bytes\n"), std::string::npos) << demo.out;
  // The picture's path as the system spells it (separators differ between systems).
  std::smatch shown;
  ASSERT_TRUE(std::regex_search(demo.out, shown, std::regex("\\(velmora show\\): (.*)\n")));
  EXPECT_TRUE(fs::equivalent(fs::path(shown[1].str()), dir / "kestrel.png")) << shown[1];
  // Its settings name both sample installations for the dialog program, and the output ends
  // with the command that opens it on them.
  const std::string settings = Slurp(dir / "Velmora.INI");
  EXPECT_NE(settings.find("ICR2 Path=" + Arg(fs::absolute(dir / "source"))), std::string::npos)
      << settings;
  EXPECT_NE(settings.find("GPL Path=" + Arg(fs::absolute(dir / "gpl"))), std::string::npos);
  EXPECT_EQ(settings.find("N2N4TrkConvert"), std::string::npos) << settings;
#ifndef _WIN32  // the Windows build has no dialog program beside it yet
  const std::string ending = " --settings " + Arg(fs::absolute(dir / "Velmora.INI")) + "\n";
  EXPECT_TRUE(demo.out.ends_with(ending)) << demo.out;
#endif

  // Running the demo again replaces its own sample; then a fault planted for check to find.
  EXPECT_EQ(Velmora({"demo", Arg(dir)}).exit_code, 0);
  const fs::path track = dir / "gpl" / "tracks" / "kestrel";
  std::vector<std::uint8_t> race = ReadFileBytes(track / "Race.lp").value_or(samples::Bytes(""));
  ASSERT_GT(race.size(), 28u);
  race.resize(race.size() - 20);
  ASSERT_TRUE(WriteFileBytes(track / "Race.lp", race));
  fs::create_directories(folder_->path() / "foreign" / "gpl");
  fs::create_directories(gpl_ / "tracks");  // an N2 folder without a track
  for (const char* folder : {"kestrel", "dethq"})
    samples::WriteSourceTrack(src_, {folder, {}, {}, "tracks"});
  const Args dethq = Join({"convert", "--track", "dethq"}, cart_);
  const std::string src = Arg(src_);
  struct Row {
    Args arguments;
    int exit_code;
    std::string says;  // in what it prints, either stream
  };
  const Row rows[] = {
      {{"demo", Arg(folder_->path() / "foreign")}, 2, ""},  // a folder it did not write
      // show writes <folder name>.png into the current folder unless told otherwise.
      {{"show", Arg(track)}, 0, "kestrel.png\n"},
      {{"show", Arg(track), "--out", Arg(dir / "picture.png")}, 0, ""},
      {{"check", Arg(track)}, 1, "Race.lp: "},
      {{"check", Arg(dir)}, 1, "is not a GPL track folder"},
      // Known tracks first, in the game's order, then add-ons.
      {{"list", "--game", "cart", "--source", src},
       0,
       "dethq\tDetroit HQ\nkestrel\tkestrel\tadd-on\n"},
      {{"list", "--game", "N2", "--source", Arg(gpl_)},
       1,
       "the N2 directory is not correctly set,"},
      {{"--help"}, 0, ""},
      {{"--version"}, 0, std::string("velmora ") + kVersion + "\n"},
      {{}, 2, "A subcommand is required"},
      {{"list", "--source", src}, 2, "--game is required"},
      {{"convert", "--track", "dethq", "--game", "psx", "--source", src}, 2, "--game"},
      {Join({"convert", "--track", "Kestrel \u00D6st"}, cart_), 2,
       "no track \"Kestrel \u00D6st\" under " + src},
      {Join(dethq, {"--resources", "/nonexistent"}), 2,
       "the resources folder /nonexistent does not exist"},
      {Join(dethq, {"--geometry", "track-file", "--convert-track-file"}), 2, ""},
      {Join({"convert"}, cart_), 2, "convert needs --track NAME or --all"},
      {Join(dethq, {"--all"}), 2, ""},
      {Join({"convert", "--jobs", "2"}, cart_), 2, ""},
      {Join({"convert", "--all", "--jobs", "0"}, cart_), 2, ""},
      {{"show", Arg(folder_->path() / "nothing")}, 2, ""},
      // No track at all is no success either.
      {{"convert", "--all", "--game", "cart", "--gpl", Arg(gpl_), "--source", Arg(dir)}, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.arguments.size() << " arguments, " << row.says);
    CommandResult result = Velmora(row.arguments);
    EXPECT_EQ(result.exit_code, row.exit_code) << result.err;
    EXPECT_NE((result.out + result.err).find(row.says), std::string::npos) << result.err;
  }
  EXPECT_TRUE(fs::remove("kestrel.png"));
  EXPECT_TRUE(fs::exists(dir / "picture.png"));
  EXPECT_TRUE(fs::is_directory(folder_->path() / "foreign" / "gpl"));
}

}  // namespace
}  // namespace velmora
