// The run's last stages: the page images, and on the demo track patches, the season files and
// track.ini.
#include "pipeline/finishing_stages.h"

#include <gtest/gtest.h>

#include "pipeline/conversion_workspace.h"
#include "pipeline/page_stage.h"
#include "platform/text_drawer.h"
#include "testing/demo_conversion.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Characters are 0.4 of the height wide. Records every call as "text|height|x,y|box|colour".
class BoxDrawer : public TextDrawer {
 public:
  int Measure(std::u32string_view text, int height) override {
    return static_cast<int>(text.size()) * height * 2 / 5;
  }
  void Draw(std::u32string_view text, int height, const TextPlacement& at, PixelCanvas&) override {
    std::string narrow;
    for (char32_t c : text) narrow += static_cast<char>(c);
    calls.push_back(narrow + "|" + std::to_string(height) + "|" + std::to_string(at.x) + "," +
                    std::to_string(at.y) + "|" + std::to_string(at.box_width) + "|" +
                    (at.direction == TextDirection::kUpwards ? "up " : "") +
                    std::to_string(at.colour.red) + " " + std::to_string(at.colour.green) + " " +
                    std::to_string(at.colour.blue));
  }
  Names calls;
};

// page0 names the track upwards in the tallest height whose width fits 360, then the event
// right of it; page1 and the event page name the event. An HQ track is titled like the track
// it replaces. Pages written again stay listed once for the pack.
TEST(PageStageTest, TitlesGoWhereEachPageWantsThem) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  RecordingMessageSink messages;
  ResourceStore resources{EmbeddedFiles()};
  Settings settings{folder->path() / "Velmora.INI", "/home/racer"};
  ConversionWorkspace workspace{messages, resources};
  const Services services{messages, settings, resources};
  const std::string cream = "248 236 216", black = "0 0 0";
  BoxDrawer drawer;
  WritePageImages(workspace, services, folder->path(), "lagunahq", &drawer);
  // 11 x 82 x 2 / 5 = 360
  EXPECT_EQ(drawer.calls, (Names{"Laguna Seca|82|16,380|360|up " + cream,
                                 "Monterey Grand Prix|39|100,376|300|up " + cream,
                                 "Monterey Grand Prix|17|86,25|130|" + black,
                                 "Monterey Grand Prix|17|80,18|130|" + black}));
  WritePageImages(workspace, services, folder->path(), "calif", nullptr);
  Names packed;
  for (const fs::path& path : workspace.pack_list()) packed.push_back(path.filename().string());
  EXPECT_EQ(packed, (Names{"page0.pbf", "page1.pbf", "event.pbf"}));
  EXPECT_TRUE(messages.messages().empty());
}

// The demo track converted twice. The first run makes track.ini through a working copy beside
// it, never in the current folder (here one the run cannot write to), and registers the track
// in both season files, an unknown folder under its own name. Before the second run one patch
// appears, which alone silences "No Patch Files Found", and the user edits track.ini, which
// stays. Patches come from the setting, or without one from beside the program.
TEST(FinishingStagesTest, PatchesTrackIniAndSeasonsOverTwoRuns) {
  testkit::DemoConversion run;
  const fs::path here = fs::current_path();
  const fs::path locked = run.root() / "locked";
  fs::create_directories(locked);
  fs::current_path(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const bool finished = run.Convert();
  fs::current_path(here);
  fs::permissions(locked, fs::perms::owner_all);
  ASSERT_TRUE(finished);
  const Names no_template = {"Failed to find resource kestrel_N4T",
                             "GPL directory not correctly set?"};
  EXPECT_EQ(run.messages(),
            (Names{no_template[0], no_template[1], "No Patch Files Found for kestrel",
                   "Check your installation of the converter"}));
  EXPECT_FALSE(FileExists(run.track_folder() / "temp.ini")) << "the working copy is removed";
  for (const char* season : {"seasons/67season.ini", "seasons/gp.ini"}) {
    EXPECT_NE(run.Text(season).find("name=kestrel Grand Prix\r\nshortname=kestrel GP\r\n"),
              std::string::npos)
        << season;
  }

  WriteFileText(run.patches() / "kestrel.lre", "patched race line");
  WriteFileText(run.track_folder() / "track.ini", "mine");
  ASSERT_TRUE(run.Convert());
  EXPECT_EQ(run.messages(), no_template);
  EXPECT_EQ(run.Text("tracks/kestrel/race.lp"), "patched race line");
  EXPECT_EQ(run.Text("tracks/kestrel/track.ini"), "mine");
  run.settings().Override(kDirectoriesSection, kPatchesKey, "");
  EXPECT_EQ(PatchFolder(run.settings()), ExecutableFolder());
}

}  // namespace
}  // namespace velmora
