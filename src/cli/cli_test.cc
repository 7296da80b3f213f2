// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "image/mip_file.h"
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
  // `environment` is put before the command, e.g. "TMPDIR=/x".
  CommandResult Velmora(const std::string& arguments, const std::string& environment = "") {
    const fs::path out = folder_->path() / "stdout.txt";
    const fs::path err = folder_->path() / "stderr.txt";
    const std::string command = environment + " " + std::string(VELMORA_CLI_PATH) + " " +
                                arguments + " >" + out.string() + " 2>" + err.string() +
                                " </dev/null";
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

// The name is given in UTF-8 and in small letters; the table holds it in Windows-1252 with a
// capital.
TEST_F(CliTest, ConvertFindsADisplayNameWithoutRegardToWindows1252Case) {
  samples::WriteSourceTrack(src_, {"osring", {}, {}, "tracks"});
  samples::WriteGplInstallation(gpl_);
  CommandResult result = Velmora("convert --game cart --source " + Quote(src_) + " --gpl " +
                                 Quote(gpl_) + " --track '\xC3\xB6sterreichring' --settings " +
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
  const std::string environment = "TMPDIR=" + Quote(tmp);
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
