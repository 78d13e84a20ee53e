// Conversion between the model's 8-bit text (Windows-1250) and UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace CodePage {

// The UTF-16 unit of one code-page byte (every byte maps to exactly one unit).
char16_t ByteToUnit(unsigned char b);

// The byte for a UTF-16 unit, or '?' when the code page lacks the character.
char UnitToByte(char16_t u);

std::u16string ToUnicode(std::string_view text);
// Units that the code page lacks become '?'; a surrogate pair becomes one '?'.
std::string FromUnicode(std::u16string_view text);

// Model text as UTF-8, for messages, the terminal and file names; lossless,
// since every byte of the code page has its character.
std::string ToUtf8(std::string_view text);

} // namespace CodePage
