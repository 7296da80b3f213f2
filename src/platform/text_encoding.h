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

}  // namespace velmora

#endif  // VELMORA_PLATFORM_TEXT_ENCODING_H_
