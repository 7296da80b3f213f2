#ifndef VELMORA_IMAGE_TEXTURE_PALETTE_H_
#define VELMORA_IMAGE_TEXTURE_PALETTE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace velmora {

// Red, green, blue bytes of one palette entry.
struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The 256 colours that give 8-bit texture and sprite pixels their colours, one per conversion
// run (owned by the run), with the machinery that reduces an 8-bit texture to 16 colours: a
// histogram over 5-5-5 colour cells, popularity reduction and the map from source index to
// 4-bit index. The histogram and the reduced palette are rebuilt for each texture.
class TexturePalette {
 public:
  static constexpr std::size_t kCells = 32768;
  // Entries from which the built-in fragments overwrite a loaded palette.
  static constexpr std::size_t kFragmentStart = 24;
  static constexpr std::size_t kFragmentASize = 152;  // entries 24 to 175
  static constexpr std::size_t kFragmentBSize = 172;  // entries 24 to 195

  TexturePalette();

  // Mode 0 (CART/ICR2): the last 768 bytes of the file, then fragment A over entries 24 to
  // 175. Mode 1 (N series): the file's colours as they are. Without a usable file (missing, or
  // shorter than a palette) the colours stay black except for the fragment of the mode: B for
  // mode 1, A for mode 0. Either way the palette counts as loaded.
  void Load(const std::filesystem::path& path, int mode);
  // The same on the palette file's bytes (nothing when there is no file).
  void LoadBytes(const std::vector<std::uint8_t>* file, int mode);

  bool loaded() const { return loaded_; }
  int mode() const { return mode_; }

  // colours[index]; (192, 192, 192) for a palette that was never loaded.
  Rgb ColourOf(std::uint8_t index) const;
  // Black gives 0; otherwise 5-6-5, or with alpha 1-5-5-5 with bit 15 set.
  std::uint16_t SixteenBitColour(std::uint8_t index, bool alpha) const;

  void ResetHistogram();
  void CountColour(std::uint8_t index);
  // CountColour for every pixel of an 8-bit picture: pixels are counted by index first, then
  // added to their colours' cells, 256 lookups instead of one per pixel.
  void CountColours(std::span<const std::uint8_t> pixels);
  // Fills `reduced` entries 1 to 15 with the most popular cells and maps every source index
  // from 1 to 255 to its nearest reduced entry.
  void ReduceTo16Colours();

  std::span<const std::uint32_t> histogram() const { return histogram_; }
  const std::array<Rgb, 16>& reduced() const { return reduced_; }
  // The 4-bit index chosen for source index i (1 to 15; entry 0 is never set).
  std::uint8_t MapIndex(std::uint8_t index) const {
    return static_cast<std::uint8_t>(index_map_[index] & 0xFF);
  }
  const std::array<Rgb, 256>& colours() const { return colours_; }
  void SetColour(std::uint8_t index, Rgb colour) { colours_[index] = colour; }

  // The built-in fragments, for tests and the carried textures' previews.
  static Rgb FragmentAColour(std::size_t i);
  static Rgb FragmentBColour(std::size_t i);

 private:
  void AddToCell(std::uint32_t cell, std::uint32_t count);

  std::vector<std::uint32_t> histogram_;  // kCells counters
  // The cells counted since the last reset: only they are cleared and looked at again.
  std::vector<std::uint32_t> counted_cells_;
  std::array<Rgb, 256> colours_{};
  bool loaded_ = false;
  int mode_ = 0;
  std::array<std::uint16_t, 256> index_map_{};
  std::array<Rgb, 16> reduced_{};
};

// The 5-5-5 cell of a colour: (R >> 3) x 1024 + (G >> 3) x 32 + (B >> 3).
constexpr std::uint32_t ColourCell(Rgb c) {
  return static_cast<std::uint32_t>(c.r >> 3) * 1024 + static_cast<std::uint32_t>(c.g >> 3) * 32 +
         static_cast<std::uint32_t>(c.b >> 3);
}

}  // namespace velmora

#endif  // VELMORA_IMAGE_TEXTURE_PALETTE_H_
