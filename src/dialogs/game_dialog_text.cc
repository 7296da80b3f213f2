#include "dialogs/game_dialog_text.h"

namespace velmora {
namespace {

constexpr GameDialogText kDialogTexts[] = {
    {SourceGame::kCart, "CART To GPL Conversion", 1006, "Set CART Directory",
     "Set CART/ICR2 Application Directory", "CART Directory found", 1012, "Keep Skid-marks", 0, ""},
    {SourceGame::kN2, "N2 To GPL Converter", 1001, "Set N2 Directory",
     "Set N2 Application Directory", "N2 Directory found", 1013, "Keep Skid Marks", 1012,
     "16-Bit Sky/Horizon"},
    {SourceGame::kN3, "N3 To GPL Converter", 1001, "Set N3 Directory",
     "Set N3 Application Directory", "N3 Directory found", 1013, "Keep Skid-marks", 1012,
     "16Bit Sky/Horizon"},
    {SourceGame::kNl, "Nascar Legends To GPL Converter", 1001, "Set NL Directory",
     "Set NL Application Directory", "NL Directory found", 1013, "Keep Skid-marks", 1012,
     "16Bit Sky/Horizon"},
};

}  // namespace

const GameDialogText& DialogTextOf(SourceGame game) {
  for (const GameDialogText& text : kDialogTexts) {
    if (text.game == game) return text;
  }
  return kDialogTexts[0];  // unreachable: every enumerator has a row
}

}  // namespace velmora
