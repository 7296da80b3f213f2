#include "gui_win32/wide_text.h"

#include <filesystem>

#include "platform/path_text.h"
#include "platform/text_encoding.h"

namespace velmora {

// The core's path conversions are the wide API's own (malformed UTF-8 becomes U+FFFD), so
// a name the dialogs show reads exactly as the file system holds it.
std::wstring WideFromUtf8(std::string_view utf8) { return PathFromUtf8(utf8).native(); }

std::wstring WideFromWindows1252(std::string_view text) {
  return WideFromUtf8(Windows1252ToUtf8(text));
}

std::string Utf8FromWide(std::wstring_view wide) {
  return PathToUtf8(std::filesystem::path(std::wstring(wide)));
}

std::string Windows1252FromWide(std::wstring_view wide) {
  return Utf8ToWindows1252(Utf8FromWide(wide));
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

}  // namespace velmora
