// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/temp_folder.h"
#include "samples/installation_builder.h"
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
  std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path src_ = folder_->path() / "cart";
  fs::path gpl_ = folder_->path() / "gpl";
};

TEST_F(CliTest, ListPrintsFolderAndDisplayNameInTheGamesOrder) {
  samples::WriteSourceTrack(src_, {"dethq", {}, {}, "tracks"});
  samples::WriteSourceTrack(src_, {"Elkhart", {}, {}, "tracks"});
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
  samples::WriteSourceTrack(src_,
                            {"dethq", {{"dethq.txt", Bytes("SNAME Detroit\r\n")}}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
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
  samples::WriteSourceTrack(src_, {"elkhart", {}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
  const fs::path resources = folder_->path() / "resources";
  samples::WriteCarriedResourcesFolder(resources, "elkhart");
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track 'road america' --settings " +
                                 Quote(folder_->path() / "Velmora.INI") + " --resources " +
                                 Quote(resources));
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "Conversion Finished\n");
  EXPECT_TRUE(fs::exists(gpl_ / "tracks" / "elkhart" / "elkhart.dat"));
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
