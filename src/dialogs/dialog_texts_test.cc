#include "dialogs/dialog_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "dialogs/main_dialog_model.h"
#include "testing/dialog_text_table.h"

namespace velmora {
namespace {

// The model as the first front end the text table is read against; the Qt views are read
// against the same table in their own suite.
class ModelTextReader : public testkit::DialogTextReader {
 public:
  std::optional<std::string> Read(DialogId dialog, int id) override {
    const std::string text = TextOf(dialog, id);
    if (text.empty()) return std::nullopt;
    return WithoutMnemonic(text);
  }
};

TEST(DialogTextsTest, EveryTextOfTheDialogsReadsWordForWord) {
  ModelTextReader model;
  for (const std::string& mismatch : testkit::DialogTextMismatches(model))
    ADD_FAILURE() << mismatch;
}

TEST(DialogTextsTest, MnemonicsAreUniqueWithinEachDialog) {
  for (DialogId dialog : {DialogId::kMain, DialogId::kCart, DialogId::kN2, DialogId::kN3,
                          DialogId::kNl, DialogId::kChooser}) {
    SCOPED_TRACE(static_cast<int>(dialog));
    std::set<char> letters;
    for (int id = 1; id < 1200; ++id) {
      const std::string text = TextOf(dialog, id);
      const std::size_t mark = text.find('&');
      if (mark == std::string::npos || mark + 1 >= text.size()) continue;
      const char letter =
          static_cast<char>(std::tolower(static_cast<unsigned char>(text[mark + 1])));
      EXPECT_TRUE(letters.insert(letter).second) << text;
    }
  }
  EXPECT_EQ(WithoutMnemonic("Fish && &Chips"), "Fish & Chips");
}

TEST(DialogTextsTest, ChoosersOfTheFolderButtons) {
  using Texts = std::tuple<std::string_view, std::string_view, std::string_view>;
  const auto texts = [](ChooserTexts c) { return Texts(c.title, c.probe_file, c.found_message); };
  EXPECT_EQ(texts(SourceChooserTexts(SourceGame::kCart)),
            Texts("Set CART/ICR2 Application Directory", "tracks/detroit/detroit.txt",
                  "CART Directory found"));
  EXPECT_EQ(texts(GplChooserTexts()),
            Texts("Set GPL Application Directory", "gpl.exe", "GPL Directory found"));
  EXPECT_EQ(kMessageBoxTitle, "Velmora");
}

TEST(MainDialogModelTest, ButtonsActionsAndReturn) {
  ASSERT_EQ(MainButtons().size(), 6u);
  EXPECT_EQ(MainButtonOf(1008)->game, SourceGame::kN2);
  EXPECT_EQ(MainButtonOf(1009)->action, MainAction::kAbout);
  EXPECT_EQ(MainButtonOf(1)->action, MainAction::kExit);
  EXPECT_EQ(MainButtonOf(1006), nullptr);  // the icon
  EXPECT_EQ(ConvertButtonId(SourceGame::kNl), 1014);
  EXPECT_EQ(MainReturnButtonId(), 1);
  EXPECT_TRUE(IsAboutCommand(16));
  EXPECT_TRUE(IsAboutCommand(0x1F));  // the low four bits belong to the system
  EXPECT_FALSE(IsAboutCommand(0x20));
  EXPECT_FALSE(IsAboutCommand(0xF060));  // the window menu's Close
}

}  // namespace
}  // namespace velmora
