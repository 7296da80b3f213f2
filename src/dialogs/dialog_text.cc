#include "dialogs/dialog_text.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace velmora {

QString FromWindows1252(std::string_view text) {
  return QString::fromStdString(Windows1252ToUtf8(text));
}

std::string ToWindows1252(const QString& text) { return Utf8ToWindows1252(text.toStdString()); }

QString FromPath(std::string_view path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

std::string ToPath(const QString& path) { return path.toStdString(); }

void SortForDisplay(QStringList& entries) {
  std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
  });
}

}  // namespace velmora
