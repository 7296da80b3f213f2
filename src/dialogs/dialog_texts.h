#ifndef VELMORA_DIALOGS_DIALOG_TEXTS_H_
#define VELMORA_DIALOGS_DIALOG_TEXTS_H_

#include <string>
#include <string_view>

#include "pipeline/source_games.h"

namespace velmora {

// Every text the dialogs show, by dialog and control identifier, for all front ends. Texts are
// Windows-1252 and carry their keyboard mnemonic as '&' before the letter ("E&xit"), the form
// both toolkits take; "&&" is a literal ampersand. The words are kept exactly as the games'
// converters always showed them, small differences in spelling between the games included.

enum class DialogId { kMain, kAbout, kCart, kN2, kN3, kNl, kChooser };

// The conversion dialog of a game, and back.
DialogId DialogOf(SourceGame game);

// The identifier that stands for a dialog's window title in the tables below.
inline constexpr int kTitleId = 0;

// The text of control `id` of `dialog`; empty when it has none.
std::string TextOf(DialogId dialog, int id);
// `text` as it reads without its mnemonic marks.
std::string WithoutMnemonic(std::string_view text);

// Every message box of the dialog program carries this title.
inline constexpr std::string_view kMessageBoxTitle = "Velmora";

// Main dialog.
inline constexpr int kExitButtonId = 1;
inline constexpr int kCartButtonId = 1007;
inline constexpr int kN2ButtonId = 1008;
inline constexpr int kN3ButtonId = 1010;
inline constexpr int kNlButtonId = 1014;
inline constexpr int kAboutButtonId = 1009;
inline constexpr int kProgramIconId = 1006;
// The item the main dialog adds to its window menu (or context menu) for the About dialog.
inline constexpr std::string_view kAboutMenuText = "&About Velmora...";

// About dialog.
inline constexpr int kAboutOkId = 1;
inline constexpr int kAboutTextId = 1100;
inline constexpr int kCreditsTextId = 1101;
// The two lines naming the program and its version, the ones `velmora --version` prints.
std::string AboutText();

// Conversion dialogs: identifiers every member has. The GPL folder button is the dialog's
// default button, so Return opens the chooser rather than closing the dialog or converting.
inline constexpr int kGplButtonId = 1;
inline constexpr int kBackButtonId = 2;  // the dialog's cancel button: Escape presses it
inline constexpr int kTrackListId = 1000;
inline constexpr int kConvertButtonId = 1002;
inline constexpr int kProgressBarId = 1003;
inline constexpr int kSourceFolderTextId = 1004;
inline constexpr int kGplFolderTextId = 1005;
inline constexpr int kTracksLabelId = 1020;
inline constexpr int kSelectTrackTextId = 1021;
inline constexpr int kHintTextId = 1022;
inline constexpr int kSourceFolderLabelId = 1023;
inline constexpr int kGplFolderLabelId = 1024;
inline constexpr int kGeometryLabelId = 1025;
inline constexpr int kGeometryChoiceId = 1026;
// Identifiers that differ between the members: the source-folder button (1006 for CART/ICR2,
// else 1001), the keep-skid-marks box and the sixteen-bit box (none for CART/ICR2).
int SourceButtonId(SourceGame game);
int KeepSkidMarksId(SourceGame game);
int SixteenBitId(SourceGame game);  // 0: the game has no sixteen-bit sky box

// The directory chooser's own texts, and what its callers set for each folder.
inline constexpr int kChooserOkId = 1;
inline constexpr int kChooserCancelId = 2;
inline constexpr int kDirectoriesLabelId = 1000;
inline constexpr int kDirectoryListId = 1001;
inline constexpr int kDriveBoxId = 1002;
inline constexpr int kPathEditId = 1003;
inline constexpr int kDrivesLabelId = 1004;
inline constexpr int kPathNameLabelId = 1005;
inline constexpr int kFoundTextId = 1006;

// Title, probe file and found message of the chooser a folder button opens.
struct ChooserTexts {
  std::string_view title;
  std::string_view probe_file;  // relative to the folder, '/'-separated
  std::string_view found_message;
};
ChooserTexts SourceChooserTexts(SourceGame game);
ChooserTexts GplChooserTexts();

}  // namespace velmora

#endif  // VELMORA_DIALOGS_DIALOG_TEXTS_H_
