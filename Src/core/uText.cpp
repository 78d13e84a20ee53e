#include "uText.h"

#include "uCodePage.h"
#include "uWords.h"

#include <algorithm>
#include <cstdio>

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool IsIdentifier(std::string_view s)
{
    auto start = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (s.empty() || !start(s[0])) return false;
    for (char c : s)
        if (!start(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

std::string UpperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

std::string UnitNameFromFileName(const std::string& fileName)
{
    size_t start = fileName.find_last_of("/\\:");
    std::string last = start == std::string::npos ? fileName : fileName.substr(start + 1);
    size_t dot = last.rfind('.');
    // A dot in the first position is never taken; without a dot the name is
    // the whole last component.
    if (dot != std::string::npos && dot >= 1) return last.substr(0, dot);
    return last;
}

std::string PathFromModel(std::string_view modelText) { return CodePage::ToUtf8(modelText); }

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at the start of s, 0 when there is none.
size_t Utf8SequenceLength(std::string_view s)
{
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) return 1;
    size_t n;
    char32_t c, min;
    if (lead >= 0xC2 && lead <= 0xDF) n = 2, c = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) n = 3, c = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) n = 4, c = lead & 0x07, min = 0x10000;
    else return 0;
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b(i) & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values beyond U+10FFFF are not UTF-8.
    if (c < min || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) return 0;
    return n;
}

} // namespace

std::string ValidUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        // A run of ASCII goes over as it is.
        if (const size_t ascii = Words::AsciiPrefix(bytes.data(), bytes.size())) {
            out.append(bytes.substr(0, ascii));
            bytes.remove_prefix(ascii);
            continue;
        }
        const size_t n = Utf8SequenceLength(bytes);
        if (n == 0) {
            AppendUtf8(out, 0xFFFD);
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, n));
            bytes.remove_prefix(n);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        const size_t ascii = Words::AsciiPrefix(bytes.data(), bytes.size());
        const size_t n = ascii ? ascii : Utf8SequenceLength(bytes);
        if (n == 0) return false;
        bytes.remove_prefix(n);
    }
    return true;
}

std::vector<char32_t> UnstorableCharacters(std::u16string_view text)
{
    std::vector<char32_t> found;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c == u'?' || CodePage::UnitToByte(text[i]) != '?') {
            continue;
        }
        if (std::find(found.begin(), found.end(), c) == found.end()) found.push_back(c);
    }
    return found;
}

std::string MsgUnstorable(const std::vector<char32_t>& characters)
{
    if (characters.empty()) return {};
    // A long list says how many more there are instead of naming them all.
    constexpr size_t kNamed = 10;
    std::string s = "The text contains characters that Windows-1250 cannot store: ";
    for (size_t i = 0; i < characters.size() && i < kNamed; ++i) {
        const char32_t c = characters[i];
        if (i > 0) s += ", ";
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
        // A lone surrogate or a control character is named by its code only.
        if ((c >= 0xD800 && c < 0xE000) || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            s += code;
        } else {
            AppendUtf8(s, c);
            s += std::string(" (") + code + ")";
        }
    }
    if (characters.size() > kNamed) s += " and " + std::to_string(characters.size() - kNamed) + " more";
    s += ". They will be saved as ?.";
    return s;
}
