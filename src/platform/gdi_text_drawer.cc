// The TextDrawer backend on the Windows graphics device interface: the "Arial" face at proof
// quality and normal weight, measured with GetTextExtentPoint32W and drawn with TextOutW into a
// device-independent bitmap section; upward texts use the font's escapement and orientation of
// 900 (tenths of a degree). The only file of the program that draws with GDI.

// <windows.h> first: the rest of the system headers build on it.
#include <windows.h>
//
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/text_drawer.h"

namespace velmora {
namespace {

// Coverage from which a pixel counts as covered: half of the 8-bit scale, as the FreeType
// backend counts it, so glyphs come out solid even where the system smooths fonts.
constexpr std::uint8_t kCoveredFrom = 128;
// Escapement and orientation of upward text, in tenths of a degree.
constexpr int kUpwards = 900;

// UTF-16 for the wide API; code points beyond the basic plane become surrogate pairs.
std::wstring ToUtf16(std::u32string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char32_t c : text) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
      wide.push_back(static_cast<wchar_t>(c));
    } else {
      wide.push_back(L'\xFFFD');
    }
  }
  return wide;
}

// Owns one GDI object and deletes it when it goes.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// Selects an object into a device context for the scope and puts the old one back after.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A white-on-black mask of the text's box, 32 bits a pixel, top row first.
struct Mask {
  HBITMAP bitmap = nullptr;
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

Mask MakeMask(HDC dc, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return {};
  // A fresh section is zero-filled: black, nothing covered.
  return {bitmap, static_cast<const std::uint8_t*>(bits), width, height};
}

class GdiTextDrawer : public TextDrawer {
 public:
  GdiTextDrawer(HDC dc, std::wstring family) : dc_(dc), family_(std::move(family)) {}
  ~GdiTextDrawer() override { DeleteDC(dc_); }

  int Measure(std::u32string_view text, int height) override {
    if (height <= 0 || text.empty()) return 0;
    GdiObject font(MakeFont(height, 0));
    if (font.get() == nullptr) return 0;
    Selection selected(dc_, font.get());
    const std::wstring wide = ToUtf16(text);
    SIZE size = {};
    if (!GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size)) {
      return 0;
    }
    return static_cast<int>(size.cx);
  }

  void Draw(std::u32string_view text, int height, const TextPlacement& placement,
            PixelCanvas& canvas) override {
    if (height <= 0 || placement.box_width <= 0 || text.empty()) return;
    const bool up = placement.direction == TextDirection::kUpwards;
    // The box in device pixels: box_width along the reading direction, height across it.
    const int mask_width = up ? height : placement.box_width;
    const int mask_height = up ? placement.box_width : height;
    Mask mask = MakeMask(dc_, mask_width, mask_height);
    if (mask.bitmap == nullptr) return;
    GdiObject bitmap(mask.bitmap);
    GdiObject font(MakeFont(height, up ? kUpwards : 0));
    if (font.get() == nullptr) return;
    {
      Selection selected_bitmap(dc_, bitmap.get());
      Selection selected_font(dc_, font.get());
      SetBkMode(dc_, TRANSPARENT);
      SetTextColor(dc_, RGB(255, 255, 255));
      SetTextAlign(dc_, TA_TOP | TA_LEFT | TA_NOUPDATECP);
      const std::wstring wide = ToUtf16(text);
      // An upward text starts at the bottom left corner of its box and reads up.
      TextOutW(dc_, 0, up ? mask_height : 0, wide.c_str(), static_cast<int>(wide.size()));
      GdiFlush();
    }
    CopyCovered(mask, placement, canvas);
  }

 private:
  HFONT MakeFont(int height, int escapement) const {
    return CreateFontW(height, 0, escapement, escapement, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, family_.c_str());
  }

  // Puts the text colour on every canvas pixel whose mask pixel is covered. The mask's top left
  // corner lies at (x, y) for horizontal text and at (x, y - box_width + 1) for upward text.
  static void CopyCovered(const Mask& mask, const TextPlacement& placement,
                          PixelCanvas& canvas) {
    const bool up = placement.direction == TextDirection::kUpwards;
    const int left = placement.x;
    const int top = up ? placement.y - placement.box_width + 1 : placement.y;
    const std::size_t stride = static_cast<std::size_t>(mask.width) * 4;
    for (int row = 0; row < mask.height; ++row) {
      const std::uint8_t* line = mask.pixels + static_cast<std::size_t>(row) * stride;
      for (int col = 0; col < mask.width; ++col) {
        const std::uint8_t* m = line + static_cast<std::size_t>(col) * 4;
        if (std::max({m[0], m[1], m[2]}) < kCoveredFrom) continue;
        std::uint8_t* pixel = canvas.At(left + col, top + row);
        if (pixel == nullptr) continue;
        pixel[0] = placement.colour.blue;
        pixel[1] = placement.colour.green;
        pixel[2] = placement.colour.red;
      }
    }
  }

  HDC dc_;
  std::wstring family_;
};

}  // namespace

Result<std::unique_ptr<TextDrawer>> OpenSystemTextDrawer(std::string_view family) {
  if (family.empty()) return Status::NotFound("no font family named");
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return Status::IOError("no drawing context for the titles");
  // Family names are ASCII ("Arial").
  std::wstring wide(family.begin(), family.end());
  return std::unique_ptr<TextDrawer>(std::make_unique<GdiTextDrawer>(dc, std::move(wide)));
}

}  // namespace velmora
