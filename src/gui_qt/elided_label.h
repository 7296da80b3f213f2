#ifndef VELMORA_GUI_QT_ELIDED_LABEL_H_
#define VELMORA_GUI_QT_ELIDED_LABEL_H_

#include <QLabel>
#include <QString>

namespace velmora {

// A sunken plain-text field for a folder: a path too long for its width loses its middle, so
// both the start and the last folders (".../GPL") stay in sight; the tool tip and full_text()
// hold it whole. It does not widen its dialog.
class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void set_full_text(const QString& text);
  const QString& full_text() const { return full_text_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString full_text_;
};

}  // namespace velmora

#endif  // VELMORA_GUI_QT_ELIDED_LABEL_H_
