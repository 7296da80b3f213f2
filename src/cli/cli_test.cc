// Runs the real `velmora` command on synthetic installations.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "image/mip_file.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/path_text.h"
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
                                 " --settings " +
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
  RecordingMessageSink quiet;
  TrackArchive archive(quiet);
  if (!archive.Open(archive_path) || !archive.Extract(".mip")) return flags;
  for (const ArchiveEntry& entry : archive.entries()) {
    if (!entry.name.ends_with(".mip")) continue;
    std::optional<std::vector<std::uint8_t>> bytes =
        ReadFileBytes(archive.ExtractedPath(entry.name));
    std::optional<TextureImage> texture = bytes ? ReadMip(std::move(*bytes)) : std::nullopt;
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

}  // namespace
}  // namespace velmora
