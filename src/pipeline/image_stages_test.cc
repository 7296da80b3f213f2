// The runs' texture and sprite passes, end to end: the source track's files of every kind go
// through the run and come out as GPL textures and sprites, listed for packing in pass order.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/mip_file.h"
#include "image/srb_file.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "samples/track_builders.h"
#include "testing/recording_progress.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class ImagePassesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder::Create("images");
    ASSERT_TRUE(folder_);
    root_ = folder_->path();
    fs::create_directories(root_ / "resources");
    // The carried objects and the template are other stages' files; placeholders do here.
    // The carried textures and sprite are the program's own.
    for (const char* name : {"N4BLANK_3DO", "_TIRE_3DO", "_HAY_3DO", "_CONE_3DO"}) {
      WriteFileText(root_ / "resources" / name, std::string("resource:") + name);
    }
    WriteFileBytes(root_ / "resources" / "KESTREL_N4T", samples::BuildTemplateTrackFile());
    samples::WriteGplInstallation(root_ / "gpl");
  }

  std::vector<std::string> PackedImages(const ConversionWorkspace& workspace) const {
    std::vector<std::string> names;
    for (const fs::path& path : workspace.pack_list()) {
      const std::string ext = path.extension().string();
      if (ext == ".mip" || ext == ".srb") names.push_back(path.filename().string());
    }
    return names;
  }

  std::optional<TempFolder> folder_;
  fs::path root_;
};

TEST_F(ImagePassesTest, CartConvertsEveryTextureAndSpriteKind) {
  samples::SourceTrack track;
  track.folder = "kestrel";
  samples::AddDemoImages(track.members);
  track.members.push_back({"sunny.pcx", samples::BuildPalettePcx({})});  // 8-bit: not a texture
  track.members.push_back({"junk.mip", samples::Bytes("not a texture")});
  samples::WriteSourceTrack(root_ / "cart", track);

  RecordingMessageSink messages;
  Settings settings(root_ / "Velmora.INI", root_.string());
  ResourceStore resources(EmbeddedFiles(), root_ / "resources");
  TrackConverter converter(Services{messages, settings, resources});
  testkit::RecordingProgress progress;
  ASSERT_TRUE(converter.Convert(SourceGame::kCart, {.src_dir = root_ / "cart",
                                                    .gpl_dir = root_ / "gpl",
                                                    .source_track = "kestrel",
                                                    .progress = &progress}));

  const fs::path out = converter.workspace().output_folder();
  // Carried files first, then the texture passes (.mip, .mi4, .m16, 24-bit .pcx), then the
  // sprite passes (.pmp, .pm4, .p16). The groove copied into the source is converted too; the
  // unreadable junk.mip and the 8-bit sunny.pcx are not. GPL's standard files close the list.
  EXPECT_EQ(PackedImages(converter.workspace()),
            (std::vector<std::string>{"groove.mip", "hayba_s.mip", "_cone1.srb", "_conebs1.mip",
                                      "kbarrier.mip", "kwall.mip", "ksky.mip", "kbanner.mip",
                                      "ktree.srb", "kmarker.srb", "kflag.srb", "flagger.srb",
                                      "tireside.mip", "tirefrnt.mip", "shadtire.mip"}));
  // One step per texture and sprite file found, also for junk.mip, none for the 8-bit PCX:
  // nine, and the run's five other steps.
  EXPECT_EQ(progress.steps(), 9 + 5);
  EXPECT_FALSE(FileExists(out / "junk.mip"));
  EXPECT_FALSE(FileExists(out / "sunny.mip"));
  struct Expect {
    const char* file;
    int width, height, bits;
  };
  for (const Expect& e : {Expect{"kbarrier.mip", 64, 32, 4}, Expect{"kwall.mip", 64, 32, 4},
                          Expect{"ksky.mip", 256, 64, 16}, Expect{"kbanner.mip", 128, 32, 16}}) {
    SCOPED_TRACE(e.file);
    std::optional<std::vector<std::uint8_t>> bytes = converter.workspace().OutputBytes(out / e.file);
    ASSERT_TRUE(bytes);
    Result<TextureImage> image = ReadMip(std::move(*bytes));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, e.width);
    EXPECT_EQ(image->height, e.height);
    EXPECT_EQ(image->bits_per_pixel, e.bits);
  }
  for (const char* sprite : {"ktree.srb", "kmarker.srb", "kflag.srb"}) {
    SCOPED_TRACE(sprite);
    std::optional<std::vector<std::uint8_t>> bytes = converter.workspace().OutputBytes(out / sprite);
    ASSERT_TRUE(bytes);
    Result<SpriteHeader> header = ReadSrbHeader(*bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->scale_x, 3.0f);
    EXPECT_TRUE(ReadMip(std::move(*bytes), kSrbTextureAt));
  }
}

TEST_F(ImagePassesTest, NSeriesConvertsMipAndSrbOnlyWithTheSixteenBitRequest) {
  samples::SourceTrack track;
  track.folder = "kestrel";
  auto checker = [](int x, int y) {
    return static_cast<std::uint8_t>((x / 4 + y / 4) % 2 ? 40 : 50);
  };
  track.members = {
      {"skyindex.mip", samples::BuildMip8(64, 64, checker)},
      {"wall.mip", samples::BuildMip8(64, 64, checker)},
      {"old.mi4", samples::BuildRaw4(16, 16, checker, {}, false)},  // not an N-series kind
      {"marshal.srb", samples::BuildNSeriesSrb(20, 30, 19685, 19685, 10, 30, 0, checker)},
  };
  samples::WriteSourceTrack(root_ / "n2", track);

  RecordingMessageSink messages;
  Settings settings(root_ / "Velmora.INI", root_.string());
  ResourceStore resources(EmbeddedFiles(), root_ / "resources");
  TrackConverter converter(Services{messages, settings, resources});
  ASSERT_TRUE(converter.Convert(SourceGame::kNl, {.src_dir = root_ / "n2",
                                                  .gpl_dir = root_ / "gpl",
                                                  .source_track = "kestrel",
                                                  .sixteen_bit_sky = true}));
  const fs::path out = converter.workspace().output_folder();
  EXPECT_EQ(PackedImages(converter.workspace()),
            (std::vector<std::string>{"groove.mip", "hayba_s.mip", "_cone1.srb", "_conebs1.mip",
                                      "skyindex.mip", "wall.mip", "marshal.srb", "flagger.srb",
                                      "tireside.mip", "tirefrnt.mip", "shadtire.mip"}));
  EXPECT_FALSE(FileExists(out / "old.mip"));
  std::optional<std::vector<std::uint8_t>> sky = converter.workspace().OutputBytes(out / "skyindex.mip");
  std::optional<std::vector<std::uint8_t>> wall = converter.workspace().OutputBytes(out / "wall.mip");
  ASSERT_TRUE(sky && wall);
  EXPECT_EQ((*sky)[24], kMipType16Bit);  // the request sends "skyindex" to 16 bits
  EXPECT_EQ((*wall)[24], kMipType4Bit);
  std::optional<std::vector<std::uint8_t>> marshal = converter.workspace().OutputBytes(out / "marshal.srb");
  ASSERT_TRUE(marshal);
  EXPECT_EQ(ReadSrbHeader(*marshal)->height, 30.0f);
}

}  // namespace
}  // namespace velmora
