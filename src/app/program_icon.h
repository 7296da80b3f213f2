#ifndef VELMORA_APP_PROGRAM_ICON_H_
#define VELMORA_APP_PROGRAM_ICON_H_

#include <QIcon>
#include <QImage>

namespace velmora {

// The program's icon: a chequered flag over a strip of track, drawn at the sizes window
// managers ask for, so no image file has to ship beside the program.
QIcon ProgramIcon();

// The same drawing at `size` x `size` pixels, painted without a display: the installed
// theme icons are written from it at build time.
QImage DrawProgramIcon(int size);

}  // namespace velmora

#endif  // VELMORA_APP_PROGRAM_ICON_H_
