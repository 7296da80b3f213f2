#include "samples/gpl_standard_files.h"

#include <gtest/gtest.h>

#include <string>

#include "image/mip_file.h"
#include "image/page_image.h"
#include "image/srb_file.h"

namespace velmora::samples {
namespace {

std::string Tag(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Every standard file reads back with the program's own reader of its kind.
TEST(GplStandardFilesTest, EachFileIsValidOfItsKind) {
  const std::vector<MemberBytes> files = BuildGplStandardFiles();
  ASSERT_EQ(files.size(), 18u);
  for (const MemberBytes& file : files) {
    SCOPED_TRACE(file.name);
    const std::string kind = file.name.substr(file.name.find('.'));
    if (kind == ".pbf") {
      Result<PageImage> page = ReadPageImage(file.bytes);
      ASSERT_TRUE(page.ok()) << page.status().ToString();
      EXPECT_EQ(page->width, GplPageSize(file.name).width);
      EXPECT_EQ(page->height, GplPageSize(file.name).height);
      EXPECT_EQ(page->file_size, file.bytes.size());
    } else if (kind == ".mip") {
      Result<TextureImage> texture = ReadMip(file.bytes);
      ASSERT_TRUE(texture.ok()) << texture.status().ToString();
    } else if (kind == ".srb") {
      EXPECT_TRUE(ReadSrbHeader(file.bytes).ok());
      EXPECT_TRUE(ReadMip(file.bytes, kSrbTextureAt).ok());
    } else if (kind == ".3do") {
      EXPECT_GT(file.bytes.size(), 100u);  // a carried object, not a placeholder
    } else {
      ASSERT_EQ(kind, ".wav");
      EXPECT_EQ(Tag(file.bytes, 0), "RIFF");
      EXPECT_EQ(U32At(file.bytes, 4) + 8, file.bytes.size());
    }
  }
  // The three pages the converter rewrites have the sizes it expects of them.
  EXPECT_EQ(GplPageSize("page0.pbf").width, 281);
  EXPECT_EQ(GplPageSize("PAGE1.PBF").height, 431);
  EXPECT_EQ(GplPageSize("event.pbf").width, 258);
  EXPECT_EQ(GplPageSize("page0.bmp").width, 0);
}

TEST(GplStandardFilesTest, WavHeaderDescribesItsSamples) {
  for (int samples : {0, 1, 1000, 1001}) {
    SCOPED_TRACE(samples);
    const std::vector<std::uint8_t> wav = BuildWav(samples, samples % 2 ? 0 : 440);
    const std::size_t padded = static_cast<std::size_t>(samples + samples % 2);
    ASSERT_EQ(wav.size(), 44 + padded);
    EXPECT_EQ(Tag(wav, 0), "RIFF");
    EXPECT_EQ(U32At(wav, 4), 36 + padded);
    EXPECT_EQ(Tag(wav, 8), "WAVE");
    EXPECT_EQ(Tag(wav, 12), "fmt ");
    EXPECT_EQ(U32At(wav, 16), 16u);
    EXPECT_EQ(wav[20] | wav[21] << 8, 1);  // PCM
    EXPECT_EQ(wav[22] | wav[23] << 8, 1);  // mono
    EXPECT_EQ(U32At(wav, 24), 11025u);
    EXPECT_EQ(U32At(wav, 28), 11025u);
    EXPECT_EQ(wav[34] | wav[35] << 8, 8);
    EXPECT_EQ(Tag(wav, 36), "data");
    EXPECT_EQ(U32At(wav, 40), static_cast<std::uint32_t>(samples));
  }
}

}  // namespace
}  // namespace velmora::samples
