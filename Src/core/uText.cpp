#include "uText.h"

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
