#include "dialogs/dialog_texts.h"

#include <span>

#include "dialogs/geometry_choice.h"
#include "platform/version.h"

namespace velmora {

namespace {

struct ControlText {
  int id;
  std::string_view text;
};

constexpr ControlText kMainTexts[] = {
    {kTitleId, "CART/ICR2/N3 To GPL Converter"},
    {kCartButtonId, "Convert &CART/ICR2 to GPL"},
    {kN2ButtonId, "Convert &N2 to GPL"},
    {kN3ButtonId, "Convert N&3 to GPL"},
    {kNlButtonId, "Convert N&L to GPL"},
    {kAboutButtonId, "&About"},
    {kExitButtonId, "E&xit"},
};

constexpr ControlText kAboutTexts[] = {
    {kTitleId, "About Velmora"},
    {kAboutOkId, "OK"},
    {kCreditsTextId,
     "Written by the Velmora developers.\n"
     "Track names, racing lines and trackside tables gathered\n"
     "by the community of track converters."},
};

constexpr ControlText kChooserTexts[] = {
    {kTitleId, "Choose Path"},    {kChooserOkId, "OK"},
    {kChooserCancelId, "Cancel"}, {kDirectoriesLabelId, "&Directories"},
    {kDrivesLabelId, "Dri&ves"},  {kPathNameLabelId, "&Path name"},
};

// What every conversion dialog shows alike.
constexpr ControlText kConversionTexts[] = {
    {kSelectTrackTextId, "Select Track From List and hit Convert!"},
    {kTracksLabelId, "&Tracks Available:-"},
    {kGplButtonId, "Set G&PL Directory"},
    {kConvertButtonId, "&Convert"},
    {kBackButtonId, "&Back"},
    {kGplFolderLabelId, "GPL folder:"},
    {kGeometryLabelId, kGeometryChoiceLabel},
};

// What differs between the conversion dialogs.
struct GameTexts {
  SourceGame game;
  std::string_view title;
  int source_button_id;
  std::string_view source_button;
  std::string_view folder_label;
  std::string_view chooser_title;
  std::string_view found_message;
  int keep_skid_marks_id;
  std::string_view keep_skid_marks;
  int sixteen_bit_id;
  std::string_view sixteen_bit;
};

constexpr GameTexts kGameTexts[] = {
    {SourceGame::kCart, "CART To GPL Conversion", 1006, "Set CART &Directory",
     "CART folder:", "Set CART/ICR2 Application Directory", "CART Directory found", 1012,
     "&Keep Skid-marks", 0, ""},
    {SourceGame::kN2, "N2 To GPL Converter", 1001, "Set N2 &Directory",
     "N2 folder:", "Set N2 Application Directory", "N2 Directory found", 1013, "&Keep Skid Marks",
     1012, "&16-Bit Sky/Horizon"},
    {SourceGame::kN3, "N3 To GPL Converter", 1001, "Set N3 &Directory",
     "N3 folder:", "Set N3 Application Directory", "N3 Directory found", 1013, "&Keep Skid-marks",
     1012, "&16Bit Sky/Horizon"},
    {SourceGame::kNl, "Nascar Legends To GPL Converter", 1001, "Set NL &Directory",
     "NL folder:", "Set NL Application Directory", "NL Directory found", 1013, "&Keep Skid-marks",
     1012, "&16Bit Sky/Horizon"},
};

const GameTexts& TextsOf(SourceGame game) {
  for (const GameTexts& texts : kGameTexts) {
    if (texts.game == game) return texts;
  }
  return kGameTexts[0];  // unreachable: every game has a row
}

std::string Find(std::span<const ControlText> texts, int id) {
  for (const ControlText& text : texts) {
    if (text.id == id) return std::string(text.text);
  }
  return std::string();
}

std::string ConversionText(SourceGame game, int id) {
  const GameTexts& texts = TextsOf(game);
  if (id == kTitleId) return std::string(texts.title);
  if (id == kHintTextId) return std::string(GameInfo(game).hint_text);
  if (id == kSourceFolderLabelId) return std::string(texts.folder_label);
  // The member's own identifiers come before the common ones: CART/ICR2's source button is
  // 1006 and N2's keep-skid-marks box 1013, while 1012 is a check box in every member.
  if (id == texts.source_button_id) return std::string(texts.source_button);
  if (id == texts.keep_skid_marks_id) return std::string(texts.keep_skid_marks);
  if (texts.sixteen_bit_id != 0 && id == texts.sixteen_bit_id) {
    return std::string(texts.sixteen_bit);
  }
  return Find(kConversionTexts, id);
}

}  // namespace

DialogId DialogOf(SourceGame game) {
  switch (game) {
    case SourceGame::kCart:
      return DialogId::kCart;
    case SourceGame::kN2:
      return DialogId::kN2;
    case SourceGame::kN3:
      return DialogId::kN3;
    case SourceGame::kNl:
      return DialogId::kNl;
  }
  return DialogId::kCart;
}

std::string TextOf(DialogId dialog, int id) {
  switch (dialog) {
    case DialogId::kMain:
      return Find(kMainTexts, id);
    case DialogId::kAbout:
      return id == kAboutTextId ? AboutText() : Find(kAboutTexts, id);
    case DialogId::kChooser:
      return Find(kChooserTexts, id);
    case DialogId::kCart:
      return ConversionText(SourceGame::kCart, id);
    case DialogId::kN2:
      return ConversionText(SourceGame::kN2, id);
    case DialogId::kN3:
      return ConversionText(SourceGame::kN3, id);
    case DialogId::kNl:
      return ConversionText(SourceGame::kNl, id);
  }
  return std::string();
}

std::string WithoutMnemonic(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;  // "&&" keeps one ampersand
    plain.push_back(text[i]);
  }
  return plain;
}

std::string AboutText() {
  return std::string("CART/ICR2/N2/N3/NL To GPL Converter\nVersion ") + kVersion;
}

int SourceButtonId(SourceGame game) { return TextsOf(game).source_button_id; }
int KeepSkidMarksId(SourceGame game) { return TextsOf(game).keep_skid_marks_id; }
int SixteenBitId(SourceGame game) { return TextsOf(game).sixteen_bit_id; }

ChooserTexts SourceChooserTexts(SourceGame game) {
  const GameTexts& texts = TextsOf(game);
  return {texts.chooser_title, GameInfo(game).probe_file, texts.found_message};
}

ChooserTexts GplChooserTexts() {
  return {"Set GPL Application Directory", "gpl.exe", "GPL Directory found"};
}

}  // namespace velmora
