#ifndef VELMORA_GUI_QT_DIALOG_TEXT_H_
#define VELMORA_GUI_QT_DIALOG_TEXT_H_

#include <QString>
#include <string>
#include <string_view>

#include "dialogs/dialog_texts.h"

class QLabel;
class QWidget;

namespace velmora {

// The edges between the model's text and Qt's. Texts, track names and messages are
// Windows-1252 in the model; what it shows of paths is UTF-8.
QString FromWindows1252(std::string_view text);
std::string ToWindows1252(const QString& text);
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

// The model's text of control `id` of `dialog`, mnemonic included.
QString ControlText(DialogId dialog, int id);
// Marks `widget` as the control `id` of its dialog, the name the tests find it by.
void SetControlId(QWidget& widget, int id);
// The control `id` of `dialog`; null when it has none.
QWidget* FindControl(const QWidget& dialog, int id);
// A label that shows exactly the text it is given: paths and messages are never read as markup.
QLabel* PlainLabel(const QString& text, QWidget* parent);
// A tool tip that shows `text` as it stands.
QString PlainToolTip(const QString& text);

}  // namespace velmora

#endif  // VELMORA_GUI_QT_DIALOG_TEXT_H_
