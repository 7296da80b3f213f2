#include "pipeline/page_stage.h"

#include <gtest/gtest.h>

#include "pipeline/conversion_workspace.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "platform/text_drawer.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

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
  std::vector<std::string> calls;
};

class PageStageTest : public ::testing::Test {
 protected:
  // The pages are held by the workspace for its pack.
  void Write(std::string_view track, TextDrawer* drawer) {
    WritePageImages(workspace_, services_, folder_->path(), track, drawer);
    packed_.clear();
    for (const std::filesystem::path& path : workspace_.pack_list())
      packed_.push_back(path.filename().string());
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  RecordingMessageSink messages_;
  ResourceStore resources_{EmbeddedFiles()};
  Settings settings_{folder_->path() / "Velmora.INI", "/home/racer"};
  Services services_{messages_, settings_, resources_};
  ConversionWorkspace workspace_{messages_, resources_};
  std::vector<std::string> packed_;
};

// page0 names the track upwards in the tallest height whose width fits 360, then the event
// right of it; page1 and the event page name the event. An HQ track is titled like the track
// it replaces; an unknown one keeps its folder name as given.
TEST_F(PageStageTest, TitlesGoWhereEachPageWantsThem) {
  struct Row {
    const char* track;
    std::vector<std::string> calls;
  };
  const std::string cream = "248 236 216", black = "0 0 0";
  const Row rows[] = {
      {"lagunahq",  // 11 x 82 x 2 / 5 = 360
       {"Laguna Seca|82|16,380|360|up " + cream, "Monterey Grand Prix|39|100,376|300|up " + cream,
        "Monterey Grand Prix|17|86,25|130|" + black, "Monterey Grand Prix|17|80,18|130|" + black}},
      {"Kestrel",  // unknown, its case kept
       {"Kestrel|99|16,380|360|up " + cream, "Kestrel Grand Prix|41|117,376|300|up " + cream}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.track);
    BoxDrawer drawer;
    Write(row.track, &drawer);
    ASSERT_GE(drawer.calls.size(), row.calls.size());
    EXPECT_EQ(
        std::vector<std::string>(drawer.calls.begin(), drawer.calls.begin() + row.calls.size()),
        row.calls);
  }
  EXPECT_EQ(packed_, (std::vector<std::string>{"page0.pbf", "page1.pbf", "event.pbf"}));
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PageStageTest, WithoutADrawerThePagesAreWrittenAsCarried) {
  Write("calif", nullptr);
  const std::span<const std::uint8_t> carried = *resources_.Find("PAGE1_PBF");
  EXPECT_EQ(workspace_.OutputBytes(folder_->path() / "page1.pbf"),
            std::vector<std::uint8_t>(carried.begin(), carried.end()));
  EXPECT_EQ(packed_.size(), 3u);
}

}  // namespace
}  // namespace velmora
