#ifndef VELMORA_DIALOGS_GAME_DIALOG_TEXT_H_
#define VELMORA_DIALOGS_GAME_DIALOG_TEXT_H_

#include <string_view>

#include "pipeline/source_games.h"

namespace velmora {

// What differs between the conversion dialogs of the source games. The texts are shown word for
// word (the small differences in spelling between games are kept). All views point at static
// text and live as long as the program.
struct GameDialogText {
  SourceGame game;
  std::string_view dialog_title;  // window title of the conversion dialog
  int source_button_id;           // control identifier of the source-folder button
  std::string_view source_button_text;
  std::string_view chooser_title;  // title of the directory chooser for the source folder
  std::string_view found_message;  // shown by the chooser when the game's probe file is there
  int keep_skid_marks_id;
  std::string_view keep_skid_marks_text;
  int sixteen_bit_id;  // 0 when the game has no sixteen-bit sky box
  std::string_view sixteen_bit_text;
};

const GameDialogText& DialogTextOf(SourceGame game);

// The GPL folder button, the same in every conversion dialog. It is the dialog's default button,
// so Enter opens the chooser rather than closing the dialog.
inline constexpr int kGplButtonId = 1;
inline constexpr std::string_view kGplButtonText = "Set GPL Directory";
inline constexpr std::string_view kGplChooserTitle = "Set GPL Application Directory";
inline constexpr std::string_view kGplProbeFile = "gpl.exe";
inline constexpr std::string_view kGplFoundMessage = "GPL Directory found";

// Controls every conversion dialog has.
inline constexpr int kTrackListId = 1000;
inline constexpr int kConvertButtonId = 1002;
inline constexpr int kProgressBarId = 1003;
inline constexpr int kSourceFolderTextId = 1004;
inline constexpr int kGplFolderTextId = 1005;
inline constexpr int kBackButtonId = 2;  // the dialog's cancel button: Escape presses it
inline constexpr std::string_view kTracksAvailableText = "Tracks Available:-";
inline constexpr std::string_view kConvertButtonText = "Convert";
inline constexpr std::string_view kBackButtonText = "Back";
inline constexpr std::string_view kSelectTrackText = "Select Track From List and hit Convert!";

}  // namespace velmora

#endif  // VELMORA_DIALOGS_GAME_DIALOG_TEXT_H_
