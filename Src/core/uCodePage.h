// Conversion between the model's 8-bit text (Windows-1250) and UTF-16.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace CodePage {

// The UTF-16 unit of one code-page byte (every byte maps to exactly one unit).
char16_t ByteToUnit(unsigned char b);

namespace Detail {
// The byte of each unit the code page has above 127, 0 for none: every such
// unit lies in 0x80..0x2FF or in 0x2000..0x212F (dashes, quotes, the euro
// and trade mark signs).
extern const std::array<unsigned char, 0x300> kLowBytes;
extern const std::array<unsigned char, 0x130> kPunctuationBytes;
} // namespace Detail

// The byte for a UTF-16 unit, or '?' when the code page lacks the character.
// Inline: the reader converts a unit for every escape above 127.
inline char UnitToByte(char16_t u)
{
    if (u < 0x80) return static_cast<char>(u);
    unsigned char b = 0;
    if (u < 0x300) b = Detail::kLowBytes[u];
    else if (u >= 0x2000 && u < 0x2130) b = Detail::kPunctuationBytes[u - 0x2000];
    return b ? static_cast<char>(b) : '?';
}

std::u16string ToUnicode(std::string_view text);
// Units that the code page lacks become '?'; a surrogate pair becomes one '?'.
std::string FromUnicode(std::u16string_view text);

// Model text as UTF-8, for messages, the terminal and file names; lossless,
// since every byte of the code page has its character.
std::string ToUtf8(std::string_view text);

} // namespace CodePage
