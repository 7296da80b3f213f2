// Feeds arbitrary bytes to the page image and bitmap readers, and copies a bitmap read from
// the bytes into a page read from them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/page_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  velmora::Result<velmora::PageImage> page = velmora::ReadPageImage(bytes);
  velmora::Result<velmora::BitmapImage> bitmap = velmora::ReadBitmap(bytes);
  if (page && bitmap) velmora::CopyBitmapIntoPage(*bitmap, *page);
  if (page) {
    velmora::Result<velmora::PageImage> page2 = velmora::ReadPageImage(
        std::vector<std::uint8_t>(page->FileBytes().begin(), page->FileBytes().end()));
    (void)page2;
  }
  return 0;
}
