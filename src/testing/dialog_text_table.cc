#include "testing/dialog_text_table.h"

namespace velmora::testkit {

namespace {

using enum DialogId;

constexpr ExpectedText kExpected[] = {
    {kMain, kTitleId, "CART/ICR2/N3 To GPL Converter"},
    {kMain, 1, "Exit"},
    {kMain, 1007, "Convert CART/ICR2 to GPL"},
    {kMain, 1008, "Convert N2 to GPL"},
    {kMain, 1010, "Convert N3 to GPL"},
    {kMain, 1014, "Convert NL to GPL"},
    {kMain, 1009, "About"},
    {kAbout, kTitleId, "About Velmora"},
    {kAbout, 1, "OK"},

    {kCart, kTitleId, "CART To GPL Conversion"},
    {kCart, 1006, "Set CART Directory"},
    {kCart, 1012, "Keep Skid-marks"},
    {kCart, kHintTextId, "If the list box is empty the CART directory is not correctly set,"},
    {kN2, kTitleId, "N2 To GPL Converter"},
    {kN2, 1001, "Set N2 Directory"},
    {kN2, 1013, "Keep Skid Marks"},
    {kN2, 1012, "16-Bit Sky/Horizon"},
    {kN2, kHintTextId, "If the list box is empty the N2 directory is not correctly set,"},
    {kN3, kTitleId, "N3 To GPL Converter"},
    {kN3, 1001, "Set N3 Directory"},
    {kN3, 1013, "Keep Skid-marks"},
    {kN3, 1012, "16Bit Sky/Horizon"},
    {kN3, kHintTextId, "If the list box is empty the N3 directory is not correctly set,"},
    {kNl, kTitleId, "Nascar Legends To GPL Converter"},
    {kNl, 1001, "Set NL Directory"},
    {kNl, 1013, "Keep Skid-marks"},
    {kNl, 1012, "16Bit Sky/Horizon"},
    {kNl, kHintTextId, "If the list box is empty the NL directory is not correctly set,"},
};

// What all four conversion dialogs show alike.
constexpr std::pair<int, std::string_view> kConversionCommon[] = {
    {1, "Set GPL Directory"},
    {1002, "Convert"},
    {2, "Back"},
    {kTracksLabelId, "Tracks Available:-"},
    {kSelectTrackTextId, "Select Track From List and hit Convert!"},
};

constexpr ExpectedText kChooserTexts[] = {
    {kChooser, kTitleId, "Choose Path"}, {kChooser, 1, "OK"},        {kChooser, 2, "Cancel"},
    {kChooser, 1000, "Directories"},     {kChooser, 1004, "Drives"}, {kChooser, 1005, "Path name"},
};

std::vector<ExpectedText> AllExpected() {
  std::vector<ExpectedText> all(std::begin(kExpected), std::end(kExpected));
  for (DialogId dialog : {kCart, kN2, kN3, kNl}) {
    for (const auto& [id, text] : kConversionCommon) all.push_back({dialog, id, text});
  }
  all.insert(all.end(), std::begin(kChooserTexts), std::end(kChooserTexts));
  return all;
}

}  // namespace

std::span<const ExpectedText> ExpectedDialogTexts() {
  static const std::vector<ExpectedText> all = AllExpected();
  return all;
}

std::vector<std::string> DialogTextMismatches(DialogTextReader& reader) {
  std::vector<std::string> mismatches;
  for (const ExpectedText& expected : ExpectedDialogTexts()) {
    const std::optional<std::string> shown = reader.Read(expected.dialog, expected.id);
    if (shown && *shown == expected.text) continue;
    mismatches.push_back("dialog " + std::to_string(static_cast<int>(expected.dialog)) +
                         ", control " + std::to_string(expected.id) + ": expected \"" +
                         std::string(expected.text) + "\", shown " +
                         (shown ? "\"" + *shown + "\"" : std::string("nothing")));
  }
  return mismatches;
}

}  // namespace velmora::testkit
