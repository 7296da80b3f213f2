// The file stages on a context of their own, without a whole run around them, and what they tell
// the user about a damaged or unpackable archive, word for word.
#include "pipeline/file_stages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/archive_messages.h"
#include "pipeline/conversion_workspace.h"
#include "pipeline/image_stages.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/archive_builder.h"
#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "testing/raw_archive.h"
#include "testing/scoped_env.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;

// Each bad member is named on its own, a directory cut short is told with its count, a missing
// archive is not; the readable members are unpacked all the same, and the work folder made.
TEST(ArchiveMessagesTest, HostileCutAndMissingArchives) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path path = folder->path() / "track.dat";
  const std::uint32_t start = 2 + 27 * 4;
  struct Row {
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: no archive
    std::vector<std::string> messages;
    const char* held;
  };
  const std::string outside =
      "\" of " + path.string() + ": its name would place it outside the extraction folder";
  const Row rows[] = {
      {testkit::BuildRawArchive(4,
                                {{"../escape.trk", 4, start},
                                 {"", 4, start},
                                 {"past.end", 8, start + 5},
                                 {"good.lp", 10, start}},
                                Bytes("0123456789")),
       {"Skipped member \"../escape.trk" + outside, "Skipped member \"" + outside,
        "Skipped member past.end of " + path.string() +
            ": its data lies beyond the end of the archive"},
       "good.lp"},
      {testkit::BuildRawArchive(3, {{"a.trk", 1, 2 + 27}}, Bytes("a")),
       {"Track archive " + path.string() +
        " is cut short: its directory lists 3 members, of which 1 are readable"},
       "a.trk"},
      {std::nullopt, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.held ? row.held : "missing");
    fs::remove(path);
    if (row.bytes) WriteFileBytes(path, *row.bytes);
    RecordingMessageSink messages;
    TrackArchive archive;
    UnpackArchiveReported(archive, path, messages);
    EXPECT_EQ(messages.messages(), row.messages);
    EXPECT_TRUE(!row.held || archive.HeldMember(row.held));
    EXPECT_TRUE(FolderExists(archive.folder_path()));
  }
}

// Without an unpacked source (no temporary folder) the stages never fall back on the working
// folder: no groove copied there, its "sunny.pcx" not the palette, its files not GPL's.
TEST(FileStagesTest, WithoutAnUnpackedSourceTheWorkingFolderIsLeftAlone) {
  std::optional<TempFolder> root = TempFolder::Create("stages");
  samples::WriteGplInstallation(root->path() / "gpl");
  samples::WriteCarriedResourcesFolder(root->path() / "resources", "");
  RecordingMessageSink messages;
  Settings settings(root->path() / "Velmora.INI", root->path().string());
  ResourceStore resources(EmbeddedFiles(), root->path() / "resources");
  ConversionWorkspace workspace(messages, resources);
  RunContext run(Services{messages, settings, resources}, workspace,
                 RunRequest{.src_dir = root->path() / "source",
                            .gpl_dir = root->path() / "gpl",
                            .source_track = "kestrel"});
  StartOutput(run, "kestrel");
  const fs::path work = root->path() / "work";
  fs::create_directories(work);
  WriteFileBytes(work / "sunny.pcx",
                 samples::BuildPalettePcx(std::vector<samples::Rgb24>(256, {255, 255, 255})));
  WriteFileText(work / "bwpic.pbf", "not GPL's");
  const fs::path here = fs::current_path();
  fs::current_path(work);
  {
    testkit::ScopedEnv no_temp(testkit::kTempVariable, (root->path() / "missing").string().c_str());
    UnpackSource(run);
    CopyStandardFiles(run, CartMexicoOrder());
  }
  EXPECT_TRUE(run.tmp_folder.empty());
  EXPECT_EQ(messages.messages(),
            (std::vector<std::string>{"GetTempPath Failed ", "GetTempPath Failed "}));
  EXPECT_FALSE(FileExists(run.GplTrackFile("bwpic.pbf")));
  EXPECT_TRUE(ExtractCarriedFiles(run, CartCarriedOrder()));
  EXPECT_TRUE(run.workspace.HeldOutput(run.GplTrackFile("groove.mip")));
  LoadPalette(run, kNSeriesPaletteMode);
  fs::current_path(here);
  EXPECT_FALSE(FileExists(work / "groove.mip"));
  EXPECT_EQ(run.palette.ColourOf(0).r, 0);  // black, as without a palette file
  EXPECT_EQ(*ReadFileBytes(work / "bwpic.pbf"), Bytes("not GPL's"));
}

}  // namespace
}  // namespace velmora
