#ifndef VELMORA_DIALOGS_DIALOG_TEXT_H_
#define VELMORA_DIALOGS_DIALOG_TEXT_H_

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace velmora {

// The edges between the core's text and Qt's. Track names and messages are Windows-1252 bytes
// in the core; folder paths are the file system's own bytes (UTF-8).
QString FromWindows1252(std::string_view text);
std::string ToWindows1252(const QString& text);
QString FromPath(std::string_view path);
std::string ToPath(const QString& path);

// Sorts list and combo box entries the way the dialogs show them: letter case ignored, with
// the exact spelling deciding between entries that differ only in case.
void SortForDisplay(QStringList& entries);

}  // namespace velmora

#endif  // VELMORA_DIALOGS_DIALOG_TEXT_H_
