// The file stages on a context of their own, without a whole run around them.
#include "pipeline/file_stages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/conversion_workspace.h"
#include "pipeline/image_stages.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "testing/scoped_env.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

using testkit::kTempVariable;
using testkit::ScopedEnv;

// When the source track could not be unpacked (here: no temporary folder at all), the stages
// that work on unpacked files must not fall back on the working folder: the groove texture
// is not copied there, a "sunny.pcx" there is not the run's palette, and files there are not
// taken for GPL's standard files.
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
    ScopedEnv no_temp(kTempVariable, (root->path() / "missing").string().c_str());
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
  EXPECT_EQ(*ReadFileBytes(work / "bwpic.pbf"), samples::Bytes("not GPL's"));
}

}  // namespace
}  // namespace velmora
