#include "pipeline/page_stage.h"

#include <gtest/gtest.h>

#include "image/page_image.h"
#include "pipeline/conversion_workspace.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "platform/text_drawer.h"
#include "platform/text_encoding.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

// Characters are 0.4 of the height wide; a drawn text fills its box. Records every call.
class BoxDrawer : public TextDrawer {
 public:
  struct Call {
    std::string text;
    int height;
    TextPlacement placement;
  };
  int Measure(std::u32string_view text, int height) override {
    return static_cast<int>(text.size()) * height * 2 / 5;
  }
  void Draw(std::u32string_view text, int height, const TextPlacement& placement,
            PixelCanvas&) override {
    std::string narrow;
    for (char32_t c : text) narrow += static_cast<char>(c);
    calls.push_back({narrow, height, placement});
  }
  std::vector<Call> calls;
};

class PageStageTest : public ::testing::Test {
 protected:
  // The pages are held by the workspace for its pack.
  void Write(std::string_view track, TextDrawer* drawer) {
    WritePageImages(workspace_, services_, folder_->path(), track, drawer);
    for (const fs::path& path : workspace_.pack_list()) packed_.push_back(path.filename().string());
  }
  Result<PageImage> Page(std::string_view name) {
    return ReadPageImage(Bytes(name).value_or(std::vector<std::uint8_t>()));
  }
  std::optional<std::vector<std::uint8_t>> Bytes(std::string_view name) {
    return workspace_.OutputBytes(folder_->path() / name);
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  RecordingMessageSink messages_;
  ResourceStore resources_{EmbeddedFiles()};
  Settings settings_{folder_->path() / "Velmora.INI", "/home/racer"};
  Services services_{messages_, settings_, resources_};
  ConversionWorkspace workspace_{messages_, resources_};
  std::vector<std::string> packed_;
};

TEST_F(PageStageTest, TitlesGoWhereEachPageWantsThem) {
  BoxDrawer drawer;
  Write("lagunahq", &drawer);
  ASSERT_EQ(drawer.calls.size(), 4u);
  const auto& name = drawer.calls[0];
  EXPECT_EQ(name.text, "Laguna Seca") << "an HQ track is titled like the track it replaces";
  EXPECT_EQ(name.height, 82) << "the tallest height whose width fits 360: 11 x 82 x 2 / 5 = 360";
  EXPECT_EQ(name.placement.x, 16);
  EXPECT_EQ(name.placement.y, 380);
  EXPECT_EQ(name.placement.direction, TextDirection::kUpwards);
  const auto& event = drawer.calls[1];
  EXPECT_EQ(event.text, drawer.calls[2].text);
  EXPECT_NE(event.text.find(" Grand Prix"), std::string::npos);
  EXPECT_EQ(event.placement.x, name.height + 18) << "the second line starts right of the first";
  EXPECT_EQ(event.placement.y, 376);
  EXPECT_EQ(event.placement.box_width, 300);
  EXPECT_EQ(drawer.calls[2].placement.x, 86);
  EXPECT_EQ(drawer.calls[2].placement.y, 25);
  EXPECT_EQ(drawer.calls[3].placement.x, 80);
  EXPECT_EQ(drawer.calls[3].placement.y, 18);
  const TextColour cream = {248, 236, 216}, black = {0, 0, 0};
  for (std::size_t i = 0; i < drawer.calls.size(); ++i) {
    SCOPED_TRACE(i);
    const TextColour& colour = drawer.calls[i].placement.colour;
    const TextColour& expected = i < 2 ? cream : black;
    EXPECT_EQ(colour.red, expected.red);
    EXPECT_EQ(colour.green, expected.green);
    EXPECT_EQ(colour.blue, expected.blue);
  }
  EXPECT_EQ(packed_, (std::vector<std::string>{"page0.pbf", "page1.pbf", "event.pbf"}));
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PageStageTest, LongAndUnknownNames) {
  BoxDrawer drawer;
  Write("averyveryverylongtrackname", &drawer);
  EXPECT_EQ(drawer.calls[0].text, "averyveryverylongtrackname");
  EXPECT_EQ(drawer.calls[0].height, 34) << "26 characters: 0.4 x 26 x 34 = 353.6 fits 360";
  EXPECT_EQ(drawer.calls[1].text, "averyveryverylongtrackname Grand Prix");
  EXPECT_EQ(drawer.calls[1].placement.x, 34 + 18);
  // Looked up as given: an unknown track keeps its capitals, a known one is found in any case.
  drawer.calls.clear();
  Write("Kestrel", &drawer);
  EXPECT_EQ(drawer.calls[0].text, "Kestrel");
  EXPECT_EQ(drawer.calls[1].text, "Kestrel Grand Prix");
  drawer.calls.clear();
  Write("Glen", &drawer);
  EXPECT_EQ(drawer.calls[0].text, "Watkins Glen");
}

TEST_F(PageStageTest, RealTitlesChangeOnlyTheirBoxesAndKeepTheSizes) {
  Result<std::unique_ptr<TextDrawer>> drawer = OpenSystemTextDrawer("Arial");
  ASSERT_TRUE(drawer.ok());
  Write("calif", drawer->get());
  EXPECT_EQ(messages_.messages(), std::vector<std::string>{});
  ASSERT_EQ(Bytes("page0.pbf")->size(), 243136u);
  struct Box {
    std::string_view file, carried;
    int x0, y0, x1, y1;  // the region any title of the page may touch
  };
  // page0: both upward lines together span x 16 to at most 16 + 99 + 18 + 99, rows 20 to 380.
  for (const Box& box : {Box{"page0.pbf", "PAGE0_PBF", 16, 20, 232, 381},
                         Box{"page1.pbf", "PAGE1_PBF", 86, 25, 216, 124},
                         Box{"event.pbf", "EVENT_PBF", 80, 18, 210, 117}}) {
    SCOPED_TRACE(box.file);
    Result<PageImage> written = Page(box.file);
    ASSERT_TRUE(written.ok());
    std::span<const std::uint8_t> carried_bytes = *resources_.Find(box.carried);
    Result<PageImage> carried = ReadPageImage({carried_bytes.begin(), carried_bytes.end()});
    Result<BitmapImage> bitmap = ReadBitmap([&] {
      std::string name(box.carried);
      name.replace(name.find("_PBF"), 4, "_US_BMP");
      std::span<const std::uint8_t> b = *resources_.Find(name);
      return std::vector<std::uint8_t>(b.begin(), b.end());
    }());
    // The page as it would be with the untitled bitmap copied in.
    CopyBitmapIntoPage(*bitmap, *carried);
    int changed = 0;
    for (int y = 0; y < written->height; ++y) {
      for (int x = 0; x < written->width; ++x) {
        const std::size_t at = kPagePixelsAt + y * written->stride + 2 * x;
        if (written->bytes[at] == carried->bytes[at] &&
            written->bytes[at + 1] == carried->bytes[at + 1]) {
          continue;
        }
        ++changed;
        ASSERT_TRUE(x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1) << x << "," << y;
      }
    }
    EXPECT_GT(changed, 50) << "the title is there";
  }
}

TEST_F(PageStageTest, WithoutADrawerOrABitmapThePagesAreWrittenAsCarried) {
  Write("calif", nullptr);
  EXPECT_EQ(Bytes("page1.pbf"),
            std::vector<std::uint8_t>(resources_.Find("PAGE1_PBF")->begin(),
                                      resources_.Find("PAGE1_PBF")->end()));
  EXPECT_EQ(packed_.size(), 3u);
}

}  // namespace
}  // namespace velmora
