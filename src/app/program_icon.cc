#include "app/program_icon.h"

#include <QPixmap>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dialogs/program_icon.h"

namespace velmora {

QImage DrawProgramIcon(int size) {
  // The drawing both front ends share, in the same 0xAARRGGBB words QImage keeps.
  const std::vector<std::uint32_t> argb = ProgramIconPixels(size);
  QImage image(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y) {
    std::memcpy(image.scanLine(y), argb.data() + static_cast<std::size_t>(y) * size,
                static_cast<std::size_t>(size) * sizeof(std::uint32_t));
  }
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
  return icon;
}

}  // namespace velmora
