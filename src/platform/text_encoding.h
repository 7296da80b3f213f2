#ifndef VELMORA_PLATFORM_TEXT_ENCODING_H_
#define VELMORA_PLATFORM_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace velmora {

// Game files and the track name table hold Windows-1252 text; front ends speak UTF-8.
// Conversion happens only at those edges.

// Every byte maps to its code point; the five bytes the code page leaves undefined map to
// their C1 control code points, so no byte is lost.
std::string Windows1252ToUtf8(std::string_view text);

// The code points of Windows-1252 text, for a font renderer.
std::u32string Windows1252ToCodePoints(std::string_view text);

// Characters outside the code page, and malformed UTF-8, become '?'.
std::string Utf8ToWindows1252(std::string_view text);

// The small letter of a Windows-1252 capital: A-Z, 0xC0-0xDE except 0xD7 (multiplication
// sign), and the pairs 0x8A/0x9A, 0x8C/0x9C, 0x8E/0x9E, 0x9F/0xFF. Other bytes are unchanged.
char Windows1252Lower(char c);
// Equal without regard to letter case, Windows-1252 letters included.
bool EqualsIgnoreCase1252(std::string_view a, std::string_view b);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_TEXT_ENCODING_H_
