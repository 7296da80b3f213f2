#include "gui_qt/dialog_text.h"

#include <QLabel>
#include <QTextDocument>

#include "platform/text_encoding.h"

namespace velmora {

QString FromWindows1252(std::string_view text) {
  return QString::fromStdString(Windows1252ToUtf8(text));
}

std::string ToWindows1252(const QString& text) { return Utf8ToWindows1252(text.toStdString()); }

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toStdString(); }

QString ControlText(DialogId dialog, int id) { return FromWindows1252(TextOf(dialog, id)); }

void SetControlId(QWidget& widget, int id) { widget.setProperty("controlId", id); }

QWidget* FindControl(const QWidget& dialog, int id) {
  for (QWidget* child : dialog.findChildren<QWidget*>()) {
    const QVariant value = child->property("controlId");
    if (value.isValid() && value.toInt() == id) return child;
  }
  return nullptr;
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  return label;
}

QString PlainToolTip(const QString& text) { return Qt::convertFromPlainText(text); }

}  // namespace velmora
