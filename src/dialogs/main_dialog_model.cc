#include "dialogs/main_dialog_model.h"

#include "dialogs/dialog_texts.h"

namespace velmora {

namespace {

constexpr MainButton kButtons[] = {
    {kCartButtonId, MainAction::kConvert, SourceGame::kCart},
    {kN2ButtonId, MainAction::kConvert, SourceGame::kN2},
    {kN3ButtonId, MainAction::kConvert, SourceGame::kN3},
    {kNlButtonId, MainAction::kConvert, SourceGame::kNl},
    {kAboutButtonId, MainAction::kAbout, SourceGame::kCart},
    {kExitButtonId, MainAction::kExit, SourceGame::kCart},
};

}  // namespace

std::span<const MainButton> MainButtons() { return kButtons; }

const MainButton* MainButtonOf(int id) {
  for (const MainButton& button : kButtons) {
    if (button.id == id) return &button;
  }
  return nullptr;
}

int ConvertButtonId(SourceGame game) {
  for (const MainButton& button : kButtons) {
    if (button.action == MainAction::kConvert && button.game == game) return button.id;
  }
  return 0;
}

int MainReturnButtonId() { return kExitButtonId; }

bool IsAboutCommand(unsigned command) { return (command & ~0xFu) == kAboutCommand; }

}  // namespace velmora
