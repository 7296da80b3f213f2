#ifndef VELMORA_DIALOGS_MAIN_DIALOG_MODEL_H_
#define VELMORA_DIALOGS_MAIN_DIALOG_MODEL_H_

#include <span>

#include "pipeline/source_games.h"

namespace velmora {

// The main dialog: one button per source game, each running that game's conversion dialog
// modally, About, and Exit, which ends the program. Its texts are in dialog_texts.h.

enum class MainAction { kConvert, kAbout, kExit };

struct MainButton {
  int id;
  MainAction action;
  SourceGame game;  // the game converted; only for kConvert
};

// The buttons top to bottom, which is also their tab order.
std::span<const MainButton> MainButtons();
// The button with identifier `id`; null when there is none.
const MainButton* MainButtonOf(int id);
int ConvertButtonId(SourceGame game);

// Return presses Exit, whichever button was used before: a button that ran a dialog does not
// become the one Return presses, so Return after closing a conversion dialog never opens it
// again. Front ends make Exit the only default button.
int MainReturnButtonId();

// The window menu item "&About Velmora..." has the command 16; the menu's own commands keep
// their low four bits for the system, so a command is About when it is 16 with those cleared.
inline constexpr unsigned kAboutCommand = 16;
bool IsAboutCommand(unsigned command);

}  // namespace velmora

#endif  // VELMORA_DIALOGS_MAIN_DIALOG_MODEL_H_
