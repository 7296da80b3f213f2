#include "image/texture_palette.h"

#include <algorithm>

#include "platform/file_system.h"

namespace velmora {

namespace {

constexpr std::size_t kPaletteFileBytes = 768;
constexpr std::uint8_t kUnloadedGrey = 192;
// Only the first 15 places of the popularity list are taken, and an entry placed after the
// 16th never moves up again, so the list is kept no longer than this.
constexpr std::size_t kPopularityScan = 16;
constexpr std::size_t kPopularityKept = kPopularityScan + 1;

// The built-in colours, as RRGGBB, for entries 24 upward.
constexpr std::array<std::uint32_t, 152> kFragmentA = {
    0x9fb7ff, 0x7f7b8f, 0x6f6f7f, 0x63636f, 0x53535f, 0x43434f, 0x37373f, 0x2b2b2f, 0x1b1b1f,
    0x0b0b0f, 0x000000, 0xffffff, 0xebebeb, 0xdbdbdb, 0xcbcbcb, 0xbbbbbb, 0xa7a7a7, 0x979797,
    0x878787, 0x777777, 0x636363, 0x535353, 0x434343, 0x333333, 0x1f1f1f, 0x131313, 0x000000,
    0xff3737, 0xcb332b, 0x9b2b1f, 0x671f13, 0x37130b, 0xff4713, 0xff2f00, 0xe32700, 0xb31f00,
    0x8b1700, 0xef5b5b, 0xe74747, 0xd73737, 0xc72323, 0xaf1313, 0xff6b0b, 0xdf4f07, 0xbf3b07,
    0x9f2707, 0x831b07, 0xe76ba3, 0xcb5793, 0xaf4387, 0x933377, 0x7b2767, 0xffb3bb, 0xf3878f,
    0xcf676b, 0xab4b4f, 0x8b3737, 0xc37ba7, 0xa35b83, 0x873f63, 0x672747, 0x4b172f, 0xa3cb13,
    0x97a31b, 0x7b771f, 0x534b1b, 0x2f2713, 0x008337, 0x006337, 0x074f23, 0x1b3b2b, 0x233b3b,
    0xc3cbcb, 0x9bbbb3, 0x7baf9f, 0x478b87, 0x2b6f83, 0x63bf97, 0x4ba777, 0x338b67, 0x1f6f5b,
    0x175b57, 0x17c300, 0x13a300, 0x0b7300, 0x074b00, 0x173317, 0xaf9fbf, 0x877797, 0x776b87,
    0x675b77, 0x574b67, 0xa363a7, 0x874f93, 0x6f3b7f, 0x572b6b, 0x431f57, 0x5f6b9f, 0x43578b,
    0x2b477b, 0x13335f, 0x072743, 0x333fd3, 0x1f1fab, 0x1b0f83, 0x17075b, 0x0f0033, 0x9fc7df,
    0x7fafcf, 0x538fb3, 0x2f739b, 0x135f83, 0x77a7cf, 0x4777ab, 0x274f87, 0x0b2b63, 0x001343,
    0x0b8bfb, 0x0773df, 0x005fc3, 0x004ba7, 0x003b8b, 0xe3ab77, 0xc38757, 0xa3673f, 0x7f4f2f,
    0x5b3723, 0xe7cf00, 0xdbb707, 0xd3a30b, 0xcb8f0f, 0xc37f17, 0xefe7c7, 0xefe78f, 0xffdf23,
    0xebcb00, 0xdfbf1b, 0xf7eff7, 0xdfd7e3, 0xc7bfd3, 0xaba7bf, 0x9397af, 0xefe7e7, 0xe7cfcf,
    0xdfb7b7, 0xd79f9f, 0xcf8b8b, 0xf7e3db, 0xdbb3a7, 0xc38b77, 0xa76753, 0x8f4b33,
};
constexpr std::array<std::uint32_t, 172> kFragmentB = {
    0x130000, 0x230b0b, 0x4b1b1b, 0x6b2b2b, 0x5b3333, 0x4b3333, 0x2b2323, 0x000000, 0x332b2b,
    0x4b4343, 0x635b5b, 0x5b5353, 0x0b0b0b, 0x1b1b1b, 0x232323, 0x3b3b3b, 0x6b6b6b, 0x7b7b7b,
    0x8f8f8f, 0x9f9f9f, 0xafafaf, 0xbfbfbf, 0xd7d7d7, 0xffffff, 0xefeff7, 0xdfdfe7, 0xcfcfdb,
    0xc3c3cb, 0xb7b7bf, 0xa7a7af, 0x9b9ba3, 0x8f8f97, 0x7f7f87, 0x73737b, 0x63636b, 0x57575f,
    0x4b4b4f, 0x2f2f33, 0x6ba34b, 0xc66b4a, 0xcff3c3, 0xb3f3af, 0x9bf397, 0x83df7f, 0x6bcb6b,
    0x57b757, 0x47a743, 0x379333, 0x277f27, 0x1b6b1b, 0x135713, 0x0f4b2f, 0x0f470f, 0x0b370b,
    0xf3d3cf, 0xe7c3c3, 0xe7a7a3, 0xd37777, 0xc34f5b, 0xef5f53, 0xdb473b, 0xcb3327, 0xbb2317,
    0xab130b, 0x970b0b, 0x7f0f0f, 0x630b0b, 0x4f0b0b, 0x3b0707, 0x270707, 0x83e3eb, 0x4fdbdf,
    0x1fcbcb, 0x0ba7ab, 0x00878b, 0x333b4b, 0x231f2f, 0x1b1723, 0x0b070b, 0xffeb9b, 0xffe36f,
    0xffdf47, 0xefcf43, 0xd7b737, 0xff532f, 0xf3431f, 0xeb370f, 0xe32700, 0xc32300, 0xfbcf4b,
    0xfbc72f, 0xebaf0f, 0xdfa30f, 0xd3930b, 0xbb7f00, 0xa36f07, 0x7f5307, 0x6783df, 0x4f6bcb,
    0x3b5bb7, 0x2f4797, 0x132b7f, 0xfb6b2b, 0xfb5b13, 0xeb4700, 0xd33f00, 0xe7ebff, 0xc3cbf7,
    0xa3b3ef, 0x8397e7, 0x677fc3, 0xbb7b53, 0xa3673f, 0x8b5737, 0x7b4b2f, 0x572b0f, 0x1b7f5f,
    0x0f6743, 0x00371f, 0x001f0f, 0x233777, 0x172757, 0x0f1f37, 0x0f1b3f, 0xffcf9b, 0xfbb373,
    0xf3974b, 0xe78323, 0xdf6700, 0x8f67d3, 0x774bbf, 0x6337ab, 0x532797, 0x330f73, 0xf7ffaf,
    0xf3ef7f, 0xebe357, 0xe3d753, 0xe7afef, 0xd787df, 0xc373cb, 0xb363bb, 0x9f4fa7, 0x833b87,
    0x2b7f6f, 0x2b7f7f, 0x2f6b83, 0x1b5b63, 0x134757, 0xc37bab, 0xa56373, 0x873f63, 0x672747,
    0xc3afa3, 0xa58c73, 0x847363, 0xada573, 0xc6945a, 0xd6b55a, 0xceb573, 0xcfd77f, 0xbfc35b,
    0xaba32b, 0x9c8c4a, 0xf7f7fb, 0xeff3f7, 0xebeff7, 0xe7ebf3, 0xe3e7ef, 0xdfe3ef, 0xd7dfeb,
    0xcbd3df,
};

Rgb FromHex(std::uint32_t hex) {
  return Rgb{static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
             static_cast<std::uint8_t>(hex)};
}

}  // namespace

TexturePalette::TexturePalette() : histogram_(kCells, 0) {}

Rgb TexturePalette::FragmentAColour(std::size_t i) { return FromHex(kFragmentA.at(i)); }
Rgb TexturePalette::FragmentBColour(std::size_t i) { return FromHex(kFragmentB.at(i)); }

void TexturePalette::Load(const std::filesystem::path& path, int mode) {
  std::optional<std::vector<std::uint8_t>> file = ReadFileBytes(path);
  LoadBytes(file ? &*file : nullptr, mode);
}

void TexturePalette::LoadBytes(const std::vector<std::uint8_t>* file, int mode) {
  mode_ = mode;
  loaded_ = true;
  // A file too short to hold a palette gives no colours: it is treated like a missing one.
  const bool usable = file != nullptr && file->size() >= kPaletteFileBytes;
  if (usable) {
    const std::uint8_t* tail = file->data() + file->size() - kPaletteFileBytes;
    for (std::size_t i = 0; i < colours_.size(); ++i) {
      colours_[i] = Rgb{tail[3 * i], tail[3 * i + 1], tail[3 * i + 2]};
    }
  }
  if (mode == 0) {
    for (std::size_t i = 0; i < kFragmentA.size(); ++i)
      colours_[kFragmentStart + i] = FragmentAColour(i);
  } else if (!usable) {
    for (std::size_t i = 0; i < kFragmentB.size(); ++i)
      colours_[kFragmentStart + i] = FragmentBColour(i);
  }
}

Rgb TexturePalette::ColourOf(std::uint8_t index) const {
  if (!loaded_) return Rgb{kUnloadedGrey, kUnloadedGrey, kUnloadedGrey};
  return colours_[index];
}

std::uint16_t TexturePalette::SixteenBitColour(std::uint8_t index, bool alpha) const {
  const Rgb c = ColourOf(index);
  if (c.r == 0 && c.g == 0 && c.b == 0) return 0;
  if (alpha) {
    return static_cast<std::uint16_t>(0x8000 | (c.r & 0xF8) << 7 | (c.g & 0xF8) << 2 | c.b >> 3);
  }
  return static_cast<std::uint16_t>((c.r & 0xF8) << 8 | (c.g & 0xFC) << 3 | c.b >> 3);
}

void TexturePalette::ResetHistogram() {
  for (std::uint32_t cell : counted_cells_) histogram_[cell] = 0;
  counted_cells_.clear();
  index_map_.fill(0);
  reduced_.fill(Rgb{});
}

void TexturePalette::AddToCell(std::uint32_t cell, std::uint32_t count) {
  if (histogram_[cell] == 0) counted_cells_.push_back(cell);
  histogram_[cell] += count;
}

void TexturePalette::CountColour(std::uint8_t index) { AddToCell(ColourCell(ColourOf(index)), 1); }

void TexturePalette::CountColours(std::span<const std::uint8_t> pixels) {
  std::array<std::uint32_t, 256> counts{};
  for (std::uint8_t index : pixels) ++counts[index];
  for (std::size_t index = 0; index < counts.size(); ++index) {
    if (counts[index] == 0) continue;
    AddToCell(ColourCell(ColourOf(static_cast<std::uint8_t>(index))), counts[index]);
  }
}

void TexturePalette::ReduceTo16Colours() {
  // Cells by count, largest first; equal counts keep the earlier cell first.
  // Only counted cells hold a count; they are visited in cell order, as a walk over every cell
  // would meet them.
  std::sort(counted_cells_.begin(), counted_cells_.end());
  std::vector<std::uint32_t> list;
  list.reserve(kPopularityKept + 1);
  for (std::uint32_t cell : counted_cells_) {
    const std::uint32_t count = histogram_[cell];
    if (count == 0) continue;
    std::size_t place = std::min(list.size(), kPopularityScan);
    for (std::size_t i = 0; i < std::min(list.size(), kPopularityScan); ++i) {
      if (histogram_[list[i]] < count) {
        place = i;
        break;
      }
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), cell);
    if (list.size() > kPopularityKept) list.pop_back();
  }
  for (std::size_t k = 1; k < reduced_.size(); ++k) {
    if (k - 1 >= list.size()) break;
    const std::uint32_t cell = list[k - 1];
    auto component = [](std::uint32_t five) {
      const std::uint8_t value = static_cast<std::uint8_t>(five << 3);
      return static_cast<std::uint8_t>(value != 0 ? value | 7 : 0);
    };
    reduced_[k] = Rgb{component(cell >> 10), component((cell >> 5) & 31), component(cell & 31)};
  }
  for (int i = 1; i < 256; ++i) {
    const Rgb c = ColourOf(static_cast<std::uint8_t>(i));
    int best = 1;
    int best_distance = -1;
    for (int k = 1; k < 16; ++k) {
      const int dr = c.r - reduced_[k].r, dg = c.g - reduced_[k].g, db = c.b - reduced_[k].b;
      const int distance = dr * dr + dg * dg + db * db;
      if (best_distance < 0 || distance < best_distance) {
        best = k;
        best_distance = distance;
      }
    }
    index_map_[i] = static_cast<std::uint16_t>(best);
  }
}

}  // namespace velmora
