// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "platform/version.h"
#include "testing/installation_builder.h"
#include "track/track_archive.h"
#include "platform/message_sink.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testkit::Bytes;

struct CommandResult {
  int exit_code = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

std::string Slurp(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

class CliTest : public ::testing::Test {
 protected:
  CommandResult Velmora(const std::string& arguments) {
    const fs::path out = folder_->path() / "stdout.txt";
    const fs::path err = folder_->path() / "stderr.txt";
    const std::string command = std::string(VELMORA_CLI_PATH) + " " + arguments + " >" +
                                out.string() + " 2>" + err.string() + " </dev/null";
    const int status = std::system(command.c_str());
    CommandResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Slurp(out);
    result.err = Slurp(err);
    return result;
  }
  // Appends in place: GCC 12's -Wrestrict misfires on `"'" + string + "'"` in optimised builds.
  std::string Quote(const fs::path& path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += '\'';
    return quoted;
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path src_ = folder_->path() / "cart";
  fs::path gpl_ = folder_->path() / "gpl";
};

TEST_F(CliTest, ListPrintsFolderAndDisplayNameInTheGamesOrder) {
  testkit::WriteSourceTrack(src_, {"dethq", {}, {}, "tracks"});
  testkit::WriteSourceTrack(src_, {"Elkhart", {}, {}, "tracks"});
  CommandResult cart = Velmora("list --game cart --source " + Quote(src_));
  EXPECT_EQ(cart.exit_code, 0);
  EXPECT_EQ(cart.out, "Elkhart\tRoad America\ndethq\tDetroit HQ\n");

  CommandResult n2 = Velmora("list --game N2 --source " + Quote(src_));
  EXPECT_EQ(n2.exit_code, 1);
  EXPECT_EQ(n2.out, "");
  EXPECT_NE(n2.err.find("If the list box is empty the N2 directory is not correctly set,"),
            std::string::npos);
}

TEST_F(CliTest, ConvertTakesADisplayNameAndWritesIntoTheBaseTrack) {
  testkit::WriteSourceTrack(src_, {"dethq", {{"dethq.txt", Bytes("SNAME Detroit\r\n")}}, {},
                                   "tracks"});
  testkit::WriteGplInstallation(gpl_);
  const fs::path settings = folder_->path() / "Velmora.INI";
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track 'Detroit HQ' --settings " +
                                 Quote(settings));
  // No template is carried for detroit, so the run stops after saying so.
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out, "Conversion Finished\n");
  EXPECT_EQ(result.err,
            "velmora: Failed to find resource detroit_N4T\n"
            "velmora: GPL directory not correctly set?\n");
  EXPECT_TRUE(fs::is_directory(gpl_ / "tracks" / "detroit"));
  EXPECT_FALSE(fs::exists(gpl_ / "tracks" / "dethq"));
  // The command line's option never reaches the settings file.
  EXPECT_FALSE(fs::exists(settings));
}

TEST_F(CliTest, ConvertWithResourcesRunsToTheEnd) {
  testkit::WriteSourceTrack(src_, {"elkhart", {}, {}, "tracks"});
  testkit::WriteGplInstallation(gpl_);
  const fs::path resources = folder_->path() / "resources";
  testkit::WriteCarriedResourcesFolder(resources, "elkhart");
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track 'road america' --settings " +
                                 Quote(folder_->path() / "Velmora.INI") + " --resources " +
                                 Quote(resources));
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "Conversion Finished\n");
  EXPECT_TRUE(fs::exists(gpl_ / "tracks" / "elkhart" / "elkhart.dat"));
}

TEST_F(CliTest, BadUsageExitsWithTwo) {
  testkit::WriteSourceTrack(src_, {"dethq", {}, {}, "tracks"});
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

TEST_F(CliTest, DemoWritesItsSampleAndConverts) {
  const fs::path dir = folder_->path() / "demo";
  CommandResult first = Velmora("demo " + Quote(dir));
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_NE(first.out.find("Conversion Finished"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "source" / "Tracks" / "kestrel" / "kestrel.dat"));
  EXPECT_TRUE(fs::exists(dir / "gpl" / "tracks" / "mexico" / "mexico.dat"));
  EXPECT_TRUE(fs::is_directory(dir / "gpl" / "tracks" / "kestrel"));
  // Running it again replaces its own sample; a folder it did not write is left alone.
  EXPECT_EQ(Velmora("demo " + Quote(dir)).exit_code, 0);
  const fs::path foreign = folder_->path() / "foreign";
  fs::create_directories(foreign / "gpl");
  CommandResult refused = Velmora("demo " + Quote(foreign));
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_TRUE(fs::is_directory(foreign / "gpl"));
}

}  // namespace
}  // namespace velmora
