#include "platform/console.h"

#ifdef _WIN32
// <windows.h> first: <shellapi.h> builds on it.
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/path_text.h"
#endif

namespace velmora {

#ifdef _WIN32

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  // Each argument goes through the path conversion, which turns malformed UTF-16 into U+FFFD.
  for (int i = 0; i < count; ++i) arguments.push_back(PathToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

void UseUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}

#endif

std::string QuoteForShell(std::string_view text) {
#ifdef _WIN32
  std::string quoted(1, '"');
  quoted.append(text).push_back('"');
  return quoted;
#else
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
#endif
}

}  // namespace velmora
