#pragma once

#include <string>
#include <string_view>

// Code page 1251 (Cyrillic), the page of the recorder's image descriptions and discovery
// names. The program's "ANSI" page is 1251 too, so the Ansi forms are the same codec.
//
// Decoding maps every byte; 0x98, which the page leaves undefined, becomes U+0098 and
// encodes back to 0x98.
// Encoding maps a character the page lacks, and each byte of malformed UTF-8, to '?'.
std::string Cp1251ToUtf8(std::string_view bytes);
std::string Utf8ToCp1251(std::string_view utf8);

inline std::string AnsiToUtf8(std::string_view bytes) { return Cp1251ToUtf8(bytes); }
inline std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToCp1251(utf8); }
