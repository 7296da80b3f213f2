#ifndef VELMORA_APP_PROGRAM_ICON_H_
#define VELMORA_APP_PROGRAM_ICON_H_

#include <QIcon>

namespace velmora {

// The program's icon: a chequered flag over a strip of track, drawn at the sizes window
// managers ask for, so no image file has to ship beside the program.
QIcon ProgramIcon();

}  // namespace velmora

#endif  // VELMORA_APP_PROGRAM_ICON_H_
