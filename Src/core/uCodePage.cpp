#include "uCodePage.h"

#include <algorithm>
#include <array>

namespace CodePage {
namespace {

// Windows-1250, bytes 0x80..0xFF. The five bytes the code page leaves undefined
// (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 controls of the same value.
// clang-format off
constexpr char16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
// clang-format on

// Reverse tables, made by the compiler.
struct TReverse {
    std::array<unsigned char, 0x300> Low{};
    std::array<unsigned char, 0x130> Punctuation{};
};
constexpr TReverse kReverse = [] {
    TReverse r;
    for (int b = 0x80; b < 0x100; ++b) {
        const char16_t u = kHigh[b - 0x80];
        if (u < 0x300) r.Low.at(u) = static_cast<unsigned char>(b);
        else r.Punctuation.at(u - 0x2000) = static_cast<unsigned char>(b);
    }
    return r;
}();

} // namespace

const std::array<unsigned char, 0x300> Detail::kLowBytes = kReverse.Low;
const std::array<unsigned char, 0x130> Detail::kPunctuationBytes = kReverse.Punctuation;

char16_t ByteToUnit(unsigned char b) { return b < 0x80 ? char16_t(b) : kHigh[b - 0x80]; }

std::u16string ToUnicode(std::string_view text)
{
    std::u16string out;
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = ByteToUnit(static_cast<unsigned char>(text[i]));
    return out;
}

std::string FromUnicode(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(UnitToByte(u));
    }
    return out;
}

std::string ToUtf8(std::string_view text)
{
    // Mostly ASCII, which is the same bytes in UTF-8.
    if (std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char b : text) {
        const char16_t u = ByteToUnit(b);
        if (u < 0x80) out += char(u);
        else if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        } else {
            out += char(0xE0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3F));
            out += char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

} // namespace CodePage
