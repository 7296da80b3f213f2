// velmora_write_theme_icons DIR: writes the program's icon into DIR as a hicolor icon theme
// (DIR/hicolor/<N>x<N>/apps/velmora-gui.png), the files `cmake --install` puts under
// share/icons. Runs at build time, so it paints without a display.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_write_theme_icons DIR\n");
    return 2;
  }
  for (int size : {48, 256}) {
    const QString folder = QString("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    const QString file = folder + "/velmora-gui.png";
    if (!QDir().mkpath(folder) || !velmora::DrawProgramIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "velmora_write_theme_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
