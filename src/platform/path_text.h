#ifndef VELMORA_PLATFORM_PATH_TEXT_H_
#define VELMORA_PLATFORM_PATH_TEXT_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// Text <-> path at the two edges where names cross: the program's own text is Windows-1252
// (archive members, the pack list, the name table) and the command line's is UTF-8, while the
// disk holds Unicode names (UTF-16 on Windows, UTF-8 on Linux). A std::filesystem::path built
// straight from a narrow string is read in the C runtime's code page on Windows, which is
// neither, so names with letters beyond ASCII go through these functions.

// Whether `text` is well-formed UTF-8 (shortest forms only, no surrogates).
bool IsUtf8(std::string_view text);

// A path from UTF-8 text (command-line arguments, names listed by PathToUtf8).
std::filesystem::path PathFromUtf8(std::string_view utf8);
// The path as UTF-8 text; on Linux its bytes as they are.
std::string PathToUtf8(const std::filesystem::path& path);

// A path from Windows-1252 text: archive member "\xD6sterreichring.txt" becomes the file
// "Österreichring.txt" on disk.
std::filesystem::path PathFromWindows1252(std::string_view text);
// A path from text stored in a settings file: read as UTF-8 when it is well-formed UTF-8 (files
// written by this program), else as Windows-1252 (files written by older Windows converters,
// "C:\Spiele\GPL" with its letters in that code page).
std::filesystem::path PathFromStoredText(std::string_view text);

// The path as Windows-1252 text; letters outside the code page become '?'. A Linux name that
// is not UTF-8 is taken to be Windows-1252 already, as names copied from old disks are.
std::string PathToWindows1252(const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_PATH_TEXT_H_
