#ifndef VELMORA_PLATFORM_ASCII_H_
#define VELMORA_PLATFORM_ASCII_H_

#include <string>
#include <string_view>

namespace velmora {

// Letter-case helpers for names in game files. Only the letters A to Z are mapped: names are
// Windows-1252 bytes, and the games never fold the upper half of the code page.
char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Whether `needle` occurs in `haystack`, both compared in lower case.
// The whole number at the start of `text` as the C library reads one: blanks, sign, digits,
// stopping at anything else; 0 when there are no digits. Saturates instead of overflowing.
long long LeadingWholeNumber(std::string_view text);
bool ContainsIgnoreCase(std::string_view haystack, std::string_view needle);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_ASCII_H_
