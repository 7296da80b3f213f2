// The TextDrawer backend on FreeType, with the font file found through fontconfig. The only
// file of the program that sees either library.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/text_drawer.h"

namespace velmora {
namespace {

// Coverage from which a pixel counts as covered: half of the 8-bit scale.
constexpr unsigned char kCoveredFrom = 128;

std::optional<std::pair<std::string, int>> FindFontFile(std::string_view family) {
  // The font library keeps process-wide tables that its loading fills without a lock, so runs
  // converting side by side (velmora convert --all) look fonts up one at a time.
  static std::mutex font_library;
  const std::lock_guard<std::mutex> lock(font_library);
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return std::nullopt;
  const std::string name(family);
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
  std::optional<std::pair<std::string, int>> found;
  if (pattern != nullptr) {
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    int index = 0;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      found.emplace(reinterpret_cast<const char*>(file), index);
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return found;
}

class FreeTypeTextDrawer : public TextDrawer {
 public:
  FreeTypeTextDrawer(FT_Library library, FT_Face face) : library_(library), face_(face) {
    // The cell the height means: Windows' ascent and descent where the font gives them.
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent_units_ = os2->usWinAscent;
      cell_units_ = os2->usWinAscent + os2->usWinDescent;
    } else {
      ascent_units_ = face_->ascender;
      cell_units_ = face_->ascender - face_->descender;
    }
    if (cell_units_ <= 0) cell_units_ = face_->units_per_EM > 0 ? face_->units_per_EM : 1;
  }
  ~FreeTypeTextDrawer() override {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }

  // The height search measures the same titles at the same heights again (the event title for
  // three pages): each letter's hinted advance at a height is loaded once and remembered.
  int Measure(std::u32string_view text, int height) override {
    if (height <= 0) return 0;
    long width = 0;
    for (char32_t c : text) {
      const std::uint64_t key = static_cast<std::uint64_t>(height) << 32 | c;
      auto known = advances_.find(key);
      if (known == advances_.end()) {
        if (!SetHeight(height)) return 0;
        const long advance =
            FT_Load_Char(face_, c, FT_LOAD_DEFAULT) != 0 ? 0 : (face_->glyph->advance.x + 32) >> 6;
        known = advances_.emplace(key, advance).first;
      }
      width += known->second;
    }
    return static_cast<int>(width);
  }

  void Draw(std::u32string_view text, int height, const TextPlacement& placement,
            PixelCanvas& canvas) override {
    if (!SetHeight(height)) return;
    const int baseline = static_cast<int>(std::lround(
        static_cast<double>(height) * ascent_units_ / cell_units_));
    long pen = 0;
    for (char32_t c : text) {
      if (pen >= placement.box_width) break;
      if (FT_Load_Char(face_, c, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = face_->glyph;
      if (glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        PutGlyph(glyph, static_cast<int>(pen) + glyph->bitmap_left, baseline - glyph->bitmap_top,
                 height, placement, canvas);
      }
      pen += (glyph->advance.x + 32) >> 6;
    }
  }

 private:
  bool SetHeight(int height) {
    if (height <= 0) return false;
    if (height == height_) return true;
    const double em = static_cast<double>(height) * face_->units_per_EM / cell_units_;
    if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72) != 0) {
      return false;
    }
    height_ = height;
    return true;
  }

  // Puts the covered pixels of one rendered glyph whose bitmap's top left corner lies at
  // (left, top) in text space (x along the reading direction, y down across it).
  static void PutGlyph(const FT_GlyphSlot glyph, int left, int top, int height,
                       const TextPlacement& placement, PixelCanvas& canvas) {
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
      for (unsigned col = 0; col < bitmap.width; ++col) {
        if (line[col] < kCoveredFrom) continue;
        const int tx = left + static_cast<int>(col);
        const int ty = top + static_cast<int>(row);
        if (tx < 0 || tx >= placement.box_width || ty < 0 || ty >= height) continue;
        const bool up = placement.direction == TextDirection::kUpwards;
        std::uint8_t* pixel =
            up ? canvas.At(placement.x + ty, placement.y - tx) : canvas.At(placement.x + tx,
                                                                           placement.y + ty);
        if (pixel == nullptr) continue;
        pixel[0] = placement.colour.blue;
        pixel[1] = placement.colour.green;
        pixel[2] = placement.colour.red;
      }
    }
  }

  FT_Library library_;
  FT_Face face_;
  long ascent_units_ = 0;
  long cell_units_ = 1;
  int height_ = 0;
  std::unordered_map<std::uint64_t, long> advances_;  // (height, letter) to advance in pixels
};

}  // namespace

Result<std::unique_ptr<TextDrawer>> OpenSystemTextDrawer(std::string_view family) {
  std::optional<std::pair<std::string, int>> file = FindFontFile(family);
  if (!file) return Status::NotFound("no font for the family " + std::string(family));
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return Status::IOError("the font engine did not start");
  FT_Face face = nullptr;
  if (FT_New_Face(library, file->first.c_str(), file->second, &face) != 0) {
    FT_Done_FreeType(library);
    return Status::Corruption("cannot load the font " + file->first);
  }
  return std::unique_ptr<TextDrawer>(std::make_unique<FreeTypeTextDrawer>(library, face));
}

}  // namespace velmora
