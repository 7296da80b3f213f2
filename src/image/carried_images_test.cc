// The textures and the sprite every converted track carries, as the program embeds them.
#include <gtest/gtest.h>

#include "image/mip_file.h"
#include "image/sprite_image.h"
#include "image/srb_file.h"
#include "image/texture_conversion.h"
#include "platform/resource_store.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

std::vector<std::uint8_t> Carried(std::string_view name) {
  ResourceStore store(EmbeddedFiles());
  std::optional<std::span<const std::uint8_t>> bytes = store.Find(name);
  EXPECT_TRUE(bytes) << name;
  return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end())
               : std::vector<std::uint8_t>{};
}

TEST(CarriedImagesTest, TexturesAreWhatTheConversionExpects) {
  struct Row {
    const char* name;
    int width, height, bits, levels;
    bool transparent;
  };
  for (const Row& row :
       {Row{"N2GROOVE_MIP", 128, 64, 8, 4, true}, Row{"_HAY_MIP", 64, 64, 4, 4, false},
        Row{"_CONEBS1_MIP", 64, 64, 4, 4, false}}) {
    SCOPED_TRACE(row.name);
    Result<TextureImage> image = ParseTexture(Carried(row.name), "carried.mip");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, row.width);
    EXPECT_EQ(image->height, row.height);
    EXPECT_EQ(image->bits_per_pixel, row.bits);
    EXPECT_EQ(image->level_count, row.levels);
    EXPECT_EQ(image->transparent, row.transparent);
  }
  // The groove is converted with the track's textures: to 4 bits, its rubber kept, in both
  // palettes' fragments.
  for (int mode : {0, 1}) {
    TexturePalette palette;
    palette.LoadBytes(nullptr, mode);
    Result<TextureImage> groove = ParseTexture(Carried("N2GROOVE_MIP"), "groove.mip");
    ASSERT_TRUE(groove);
    Result<TextureImage> out =
        ReadMip(BuildConvertedTexture(*groove, palette, "groove.mip", false));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->bits_per_pixel, 4);
    EXPECT_EQ(out->mip_type, kMipType4BitTransparent);
    EXPECT_EQ(out->level_count, 4);
    int rubber = 0;
    for (std::uint8_t byte : out->Level(0)) rubber += (byte >> 4 != 0) + ((byte & 15) != 0);
    EXPECT_GT(rubber, 1000) << mode;
    EXPECT_LT(rubber, 128 * 64 / 2) << mode;  // the track shows through most of it
  }
}

// The cone's sprite, as it is and as an N-series run converts it like any sprite of its tracks.
TEST(CarriedImagesTest, ConeSprite) {
  const std::vector<std::uint8_t> bytes = Carried("_CONE1_SRB");
  EXPECT_EQ(bytes.size(), 96u + 3048u);
  Result<SpriteHeader> header = ReadSrbHeader(bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(*header, (SpriteHeader{1.0f, 1.0f, 64.0f, 64.0f, 32.0f, 32.0f}));
  Result<TextureImage> texture = ReadMip(bytes, kSrbTextureAt);
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->bits_per_pixel, 4);
  EXPECT_EQ(texture->palette_bits, 32);
  EXPECT_EQ(texture->level_count, 4);
  TexturePalette palette;
  SpriteImage sprite(palette);
  ASSERT_TRUE(sprite.ParseNSeries(bytes).ok());
  Result<TextureImage> out = ReadMip(sprite.BuildNSeries(), kSrbTextureAt);
  ASSERT_TRUE(out);
  EXPECT_EQ(std::pair(out->width, out->height), std::pair(64, 64));
}

}  // namespace
}  // namespace velmora
