#include "platform/path_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/text_encoding.h"

namespace velmora {

namespace fs = std::filesystem;

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, min = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    char32_t cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}


#ifdef _WIN32

// The wide API's own conversions: malformed input becomes U+FFFD instead of failing, so a
// damaged name can never throw out of the path library.
fs::path PathFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return fs::path();
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return fs::path(std::move(wide));
}

std::string PathToUtf8(const fs::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

#else

// Linux names are bytes; UTF-8 passes through unchanged.
fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::string(utf8)); }

std::string PathToUtf8(const fs::path& path) { return path.native(); }

#endif

fs::path PathFromWindows1252(std::string_view text) {
  return PathFromUtf8(Windows1252ToUtf8(text));
}

fs::path PathFromStoredText(std::string_view text) {
  return IsUtf8(text) ? PathFromUtf8(text) : PathFromWindows1252(text);
}

std::string PathToWindows1252(const fs::path& path) {
  std::string utf8 = PathToUtf8(path);
  if (!IsUtf8(utf8)) return utf8;
  return Utf8ToWindows1252(utf8);
}

}  // namespace velmora
