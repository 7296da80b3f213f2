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

// Makes `folder` the working folder for one scope.
class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const fs::path& folder) : old_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~ScopedWorkingFolder() { fs::current_path(old_); }

 private:
  fs::path old_;
};

class FileStagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_);
    samples::WriteGplInstallation(root_->path() / "gpl");
    samples::WriteCarriedResourcesFolder(root_->path() / "resources", "");
    run_.emplace(Services{messages_, settings_, resources_}, workspace_,
                 RunRequest{.src_dir = root_->path() / "source",
                            .gpl_dir = root_->path() / "gpl",
                            .source_track = "kestrel"});
    StartOutput(*run_, "kestrel");
  }

  std::optional<TempFolder> root_ = TempFolder::Create("stages");
  RecordingMessageSink messages_;
  Settings settings_{root_->path() / "Velmora.INI", root_->path().string()};
  ResourceStore resources_{EmbeddedFiles(), root_->path() / "resources"};
  ConversionWorkspace workspace_{messages_, resources_};
  std::optional<RunContext> run_;
};

// When the source track could not be unpacked (here: no temporary folder at all), the stages
// that work on unpacked files must not fall back on the working folder: the groove texture
// is not copied there, a "sunny.pcx" there is not the run's palette, and files there are not
// taken for GPL's standard files.
TEST_F(FileStagesTest, WithoutAnUnpackedSourceTheWorkingFolderIsLeftAlone) {
  const fs::path work = root_->path() / "work";
  fs::create_directories(work);
  WriteFileBytes(work / "sunny.pcx",
                 samples::BuildPalettePcx(std::vector<samples::Rgb24>(256, {255, 255, 255})));
  WriteFileText(work / "bwpic.pbf", "not GPL's");
  ScopedWorkingFolder in_work(work);
  {
    ScopedEnv no_temp(kTempVariable, (root_->path() / "missing").string().c_str());
    UnpackSource(*run_);
    CopyStandardFiles(*run_, CartMexicoOrder());
  }
  ASSERT_TRUE(run_->tmp_folder.empty());
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{"GetTempPath Failed ", "GetTempPath Failed "}));
  EXPECT_FALSE(FileExists(run_->GplTrackFile("bwpic.pbf")));

  EXPECT_TRUE(ExtractCarriedFiles(*run_, CartCarriedOrder()));
  EXPECT_TRUE(run_->workspace.HeldOutput(run_->GplTrackFile("groove.mip")));
  EXPECT_FALSE(FileExists(work / "groove.mip"));

  LoadPalette(*run_, kNSeriesPaletteMode);
  EXPECT_EQ(run_->palette.ColourOf(0).r, 0);  // black, as without a palette file
  EXPECT_EQ(*ReadFileBytes(work / "bwpic.pbf"), samples::Bytes("not GPL's"));
}

}  // namespace
}  // namespace velmora
