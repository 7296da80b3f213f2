#ifndef VELMORA_DIALOGS_PROGRAM_ICON_H_
#define VELMORA_DIALOGS_PROGRAM_ICON_H_

#include <cstdint>
#include <span>
#include <vector>

namespace velmora {

// The dialog program's icon, drawn without a toolkit so that every front end and the icon
// file of the Windows program show the same picture: a chequered flag on a pole over a grey
// track with a white edge line. Edges are anti-aliased by the share of each pixel they cover.

// size * size pixels, top row first, each 0xAARRGGBB with straight alpha.
std::vector<std::uint32_t> ProgramIconPixels(int size);

// The sizes the Windows icon file carries, smallest first.
std::span<const int> ProgramIconSizes();

}  // namespace velmora

#endif  // VELMORA_DIALOGS_PROGRAM_ICON_H_
