#ifndef VELMORA_TESTING_DIALOG_TEXT_TABLE_H_
#define VELMORA_TESTING_DIALOG_TEXT_TABLE_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_texts.h"

namespace velmora::testkit {

// Every text the dialogs must show word for word (titles, buttons, check boxes, hints,
// labels), written out here once more, independently of the model's tables, so a typo in the
// model or in a front end fails the tests.
struct ExpectedText {
  DialogId dialog;
  int id;  // kTitleId for the window title
  std::string_view text;
};
std::span<const ExpectedText> ExpectedDialogTexts();

// How a test reads what a front end shows: the text of control `id` of `dialog` as the user
// reads it (mnemonic marks left out), or nothing when the control is missing. Each front end
// has its own reader; the model's is the first.
class DialogTextReader {
 public:
  virtual ~DialogTextReader() = default;
  virtual std::optional<std::string> Read(DialogId dialog, int id) = 0;
};

// One line per expected text that `reader` does not show exactly; empty when all match.
std::vector<std::string> DialogTextMismatches(DialogTextReader& reader);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_DIALOG_TEXT_TABLE_H_
