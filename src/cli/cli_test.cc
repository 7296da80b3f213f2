// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <array>
#include <cstdio>
#include <string>

#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
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
#ifdef _WIN32
    // cmd.exe drops the outermost quotes of a command that starts with one.
    std::string command = "\"";
    command.append(QuoteText(VELMORA_CLI_PATH)).append(" ").append(arguments);
    command.append(" >").append(Quote(out)).append(" 2>").append(Quote(err)).append(" <NUL\"");
    // The wide call, so that arguments beyond ASCII reach the program as written.
    const int exit_code = _wsystem(PathFromUtf8(command).c_str());
#else
    const std::string command = std::string(VELMORA_CLI_PATH) + " " + arguments + " >" +
                                out.string() + " 2>" + err.string() + " </dev/null";
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
                                 Quote(gpl_) + " --track " + QuoteText("Detroit HQ") + " --settings " +
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
  testkit::WriteSourceTrack(source, {"dethq", {}, {}, "Tracks"});
  CommandResult list = Velmora("list --game cart --source " + Quote(source));
  EXPECT_EQ(list.exit_code, 0) << list.err;
  EXPECT_EQ(list.out, "dethq\tDetroit HQ\n");

  CommandResult missing = Velmora("convert --game cart --source " + Quote(source) + " --gpl " +
                                  Quote(gpl_) + " --track " + QuoteText("\u00D6sterreichring"));
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("no track \"\u00D6sterreichring\" under " + PathToUtf8(source)),
            std::string::npos)
      << missing.err;
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
