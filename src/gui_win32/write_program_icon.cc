// Writes the dialog program's icon file, velmora-gui.ico, from the program icon drawing at
// every size the file carries. Run at build time; the resource script embeds its output.
//
//   velmora_write_program_icon FILE

#include <cstdio>
#include <vector>

#include "dialogs/program_icon.h"
#include "image/ico_file.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_write_program_icon FILE\n");
    return 2;
  }
  std::vector<velmora::IcoImage> images;
  for (int size : velmora::ProgramIconSizes()) {
    images.push_back({size, velmora::ProgramIconPixels(size)});
  }
  if (!velmora::WriteFileBytes(argv[1], velmora::WriteIcoFile(images))) {
    std::fprintf(stderr, "velmora_write_program_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
