#ifndef VELMORA_PLATFORM_CONSOLE_H_
#define VELMORA_PLATFORM_CONSOLE_H_

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The command line's arguments as UTF-8 text, whatever the platform. Windows hands `main` its
// arguments in the ANSI code page, which turns every letter outside that page into '?', so
// there they are taken from the wide command line instead; on Linux they are argv as given.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes standard output and error carry UTF-8 and plain "\n" line ends on every platform: on
// Windows the console is switched to UTF-8 and both streams to binary mode, so what a command
// prints is byte for byte what it prints on Linux. Nothing to do elsewhere.
void UseUtf8Console();

// `text` as one word for the system's shell: '...' for sh (each ' written as '\''), "..." for
// cmd.exe, which takes no quote inside such a word.
std::string QuoteForShell(std::string_view text);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_CONSOLE_H_
