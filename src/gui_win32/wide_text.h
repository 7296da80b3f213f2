#ifndef VELMORA_GUI_WIN32_WIDE_TEXT_H_
#define VELMORA_GUI_WIN32_WIDE_TEXT_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora {

// The dialogs' texts at the edge of the wide API: the model speaks UTF-8 (paths) and
// Windows-1252 (the system's texts, track names), the windows UTF-16.

std::wstring WideFromUtf8(std::string_view utf8);
std::wstring WideFromWindows1252(std::string_view text);
std::string Utf8FromWide(std::wstring_view wide);
// Letters outside the code page become '?'.
std::string Windows1252FromWide(std::wstring_view wide);

// The text of a window or control.
std::wstring WindowText(HWND window);

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_WIDE_TEXT_H_
