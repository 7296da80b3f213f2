#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"
#include "samples/track_builders.h"
#include "testing/deep_folder.h"
#include "testing/scoped_env.h"
#include "track/racing_lines.h"
#include "track/track_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// One source installation with the track "kestrel" (its own track file in the archive and six
// loose racing lines), one GPL installation and a resources folder, in a temporary folder.
class GeometryStagesTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    root_ = TempFolder::Create("stages");
    ASSERT_TRUE(root_);
    samples::WriteGplInstallation(Gpl());
  }
  fs::path Source() const { return root_->path() / "source"; }
  fs::path Gpl() const { return root_->path() / "gpl"; }
  fs::path Resources() const { return root_->path() / "resources"; }

  void WriteTrack(bool with_track_file) {
    samples::SourceTrack track;
    track.folder = "kestrel";
    samples::AddSampleTrackFiles("kestrel", track.members, track.loose);
    if (!with_track_file) track.members.clear();
    samples::WriteSourceTrack(Source(), track);
  }

  // Runs the pipeline of the parameter (true: CART/ICR2) with N2N4TrkConvert at `option`.
  bool Run(int option) {
    Settings settings(root_->path() / "Velmora.INI", root_->path().string());
    settings.Override(kOptionsSection, kTrackFileConversionKey, std::to_string(option));
    ResourceStore resources(EmbeddedFiles(), Resources());
    Services services{messages_, settings, resources};
    TrackConverter converter(services);
    return converter.Convert(GetParam() ? SourceGame::kCart : SourceGame::kN2,
                             {.src_dir = Source(), .gpl_dir = Gpl(), .source_track = "kestrel"});
  }
  bool Shown(std::string_view prefix, std::string_view suffix) const {
    for (const std::string& m : messages_.messages()) {
      if (m.starts_with(prefix) && m.ends_with(suffix)) return true;
    }
    return false;
  }

  std::optional<TempFolder> root_;
  RecordingMessageSink messages_;
};

TEST_P(GeometryStagesTest, TemplateTrackGivesRacingLinesAndPackedTrack) {
  WriteTrack(true);
  samples::WriteCarriedResourcesFolder(Resources(), "kestrel");
  ASSERT_TRUE(Run(0));
  const fs::path folder = Gpl() / "tracks" / "kestrel";
  TrackGeometry templ;
  ASSERT_TRUE(templ.LoadBytes(samples::BuildTemplateTrackFile(), "kestrel.trk").ok());
  for (const char* name : {"Race.lp", "pit.lp", "pass1.lp", "pass2.lp", "maxrace.lp",
                           "minrace.lp"}) {
    SCOPED_TRACE(name);
    std::optional<std::uintmax_t> size = FileSize(folder / name);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, 8 + 20 * RacingLines::PointCount(templ, "tracks/kestrel/"));
  }
  // The pack holds the template as placed (newest layout), listed first.
  TrackArchive pack;
  ASSERT_TRUE(pack.Open(folder / "kestrel.dat").ok());
  ASSERT_FALSE(pack.entries().empty());
  EXPECT_EQ(pack.entries().front().name, "kestrel.trk");
  ASSERT_TRUE(pack.Extract(".trk").ok());
  std::optional<std::vector<std::uint8_t>> packed = ReadFileBytes(pack.ExtractedPath("kestrel.trk"));
  ASSERT_TRUE(packed);
  EXPECT_EQ(*packed, samples::BuildTemplateTrackFile());
}

TEST_P(GeometryStagesTest, OptionOneConvertsTheSourceTrackFile) {
  WriteTrack(true);
  samples::WriteCarriedResourcesFolder(Resources(), "");  // no template
  ASSERT_TRUE(Run(1));
  const fs::path folder = Gpl() / "tracks" / "kestrel";
  TrackArchive pack;
  ASSERT_TRUE(pack.Open(folder / "kestrel.dat").ok());
  ASSERT_TRUE(pack.Extract(".trk").ok());
  TrackGeometry placed;
  ASSERT_TRUE(placed.Load(pack.ExtractedPath("kestrel.trk"), "kestrel.trk").ok());
  EXPECT_EQ(placed.layout(), kNewestLayout);
  EXPECT_TRUE(FileExists(folder / "Race.lp"));
}

TEST_P(GeometryStagesTest, MissingSourceTrackFileStopsWithItsName) {
  WriteTrack(false);
  samples::WriteCarriedResourcesFolder(Resources(), "");
  EXPECT_FALSE(Run(1));
  EXPECT_TRUE(Shown("Cannot convert the track file ", "kestrel.trk: it cannot be read"));
  EXPECT_FALSE(FileExists(Gpl() / "tracks" / "kestrel" / "Race.lp"));
}

TEST_P(GeometryStagesTest, DamagedTemplateStopsWithItsName) {
  WriteTrack(true);
  samples::WriteCarriedResourcesFolder(Resources(), "kestrel");
  ASSERT_TRUE(WriteFileBytes(Resources() / "KESTREL_N4T.trk", samples::Bytes("KART")));
  EXPECT_FALSE(Run(0));
  EXPECT_TRUE(Shown("Cannot load the track file ",
                    "kestrel.trk: it is shorter than its 28-byte header"));
}

#ifndef _WIN32
// A temporary folder the run cannot make its folder in: the archive's members and the placed
// track are named as the paths they would have had there, and the run stops at the track.
TEST_P(GeometryStagesTest, UnmadeTemporaryFolderStopsAtTheConvertedTrack) {
  WriteTrack(true);
  samples::WriteCarriedResourcesFolder(Resources(), "kestrel");
  const fs::path deep = testkit::MakeTooDeepFolder(root_->path());
  {
    testkit::ScopedEnv in_deep(testkit::kTempVariable, deep.string().c_str());
    EXPECT_FALSE(Run(0));
  }
  EXPECT_TRUE(Shown("CreateDirectory Failed:- " + deep.string() + "/dir", ""));
  EXPECT_TRUE(Shown("CreateFile from .DAT :- " + deep.string() + "/dir", ""));
  EXPECT_TRUE(Shown("Cannot write the track file " + deep.string() + "/dir", "/kestrel.trk"));
  EXPECT_FALSE(fs::exists(Gpl() / "tracks" / "kestrel" / "kestrel.dat"));
}
#endif

INSTANTIATE_TEST_SUITE_P(BothPipelines, GeometryStagesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Cart" : "NSeries";
                         });

}  // namespace
}  // namespace velmora
