#include "gui_qt/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include "gui_qt/dialog_text.h"

namespace velmora {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ElidedLabel::set_full_text(const QString& text) {
  full_text_ = text;
  setToolTip(PlainToolTip(text));
  Elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  const int room = contentsRect().width() - 2 * margin() - 4;
  setText(fontMetrics().elidedText(full_text_, Qt::ElideMiddle, room > 0 ? room : 0));
}

}  // namespace velmora
