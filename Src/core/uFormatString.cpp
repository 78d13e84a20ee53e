#include "uFormatString.h"

#include <algorithm>
#include <map>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ClassOfType(char type, TFormatArgClass& c)
{
    switch (type) {
        case 'd':
        case 'u':
        case 'x': c = TFormatArgClass::Integer; return true;
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': c = TFormatArgClass::Float; return true;
        case 's': c = TFormatArgClass::String; return true;
        case 'p': c = TFormatArgClass::Pointer; return true;
        default: return false;
    }
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// Reads digits or "*" at pos. Returns false when there is neither.
bool ReadNumberOrStar(std::string_view t, size_t& pos, bool& star, long long& value)
{
    star = false;
    value = 0;
    if (pos < t.size() && t[pos] == '*') {
        star = true;
        ++pos;
        return true;
    }
    if (pos >= t.size() || !IsDigit(t[pos])) return false;
    while (pos < t.size() && IsDigit(t[pos])) {
        // Beyond any argument list; kept from growing without bound.
        value = std::min<long long>(value * 10 + (t[pos] - '0'), 1000000000);
        ++pos;
    }
    return true;
}

} // namespace

const char* FormatArgClassName(TFormatArgClass c)
{
    switch (c) {
        case TFormatArgClass::Integer: return "an integer";
        case TFormatArgClass::Float: return "a floating-point number";
        case TFormatArgClass::String: return "a string";
        case TFormatArgClass::Pointer: return "a pointer";
    }
    return "";
}

TFormatString ParseFormatString(std::string_view t)
{
    TFormatString r;
    std::map<int, TFormatArgument> args;
    long long next = 0; // the argument the next specifier without an index takes
    auto fail = [&](size_t at, std::string why) {
        r.Valid = false;
        r.ErrorPos = at;
        r.Error = std::move(why);
    };
    // False when the argument was taken before as something else.
    auto take = [&](long long index, TFormatArgClass c, const std::string& specifier, size_t at) {
        if (index > 1000000) return true; // no argument list is that long; nothing to compare
        auto [it, added] =
            args.try_emplace(static_cast<int>(index), TFormatArgument{static_cast<int>(index), c, specifier});
        if (added || it->second.Class == c) return true;
        fail(at,
             "'" + specifier + "' takes argument " + std::to_string(index) + " as " + FormatArgClassName(c) +
                 " where '" + it->second.Specifier + "' takes " + FormatArgClassName(it->second.Class));
        return false;
    };

    for (size_t pos = 0; pos < t.size();) {
        if (t[pos] != '%') {
            ++pos;
            continue;
        }
        const size_t start = pos++;
        if (pos < t.size() && t[pos] == '%') {
            ++pos;
            continue;
        }
        TFormatSpecifier specifier;
        specifier.Pos = start;
        bool star = false, widthStar = false, precisionStar = false;
        long long value = 0;
        bool haveNumber = ReadNumberOrStar(t, pos, star, value);
        if (haveNumber && pos < t.size() && t[pos] == ':') {
            ++pos;
            if (star) specifier.IndexFromArgs = true;
            else next = value;
            haveNumber = false;
        }
        if (!haveNumber) {
            if (pos < t.size() && t[pos] == '-') ++pos;
            if (ReadNumberOrStar(t, pos, star, value)) widthStar = star;
        } else {
            widthStar = star;
        }
        if (pos < t.size() && t[pos] == '.') {
            ++pos;
            if (ReadNumberOrStar(t, pos, star, value)) precisionStar = star;
        }
        if (pos >= t.size()) {
            fail(start, "'" + std::string(t.substr(start)) + "' has no type letter");
            break;
        }
        const char type = Lower(t[pos++]);
        specifier.Text = std::string(t.substr(start, pos - start));
        TFormatArgClass c;
        if (!ClassOfType(type, c)) {
            fail(start, "'" + specifier.Text + "' has no valid type letter");
            break;
        }
        specifier.Type = type;
        if (specifier.IndexFromArgs) {
            // The "*" index is an integer argument itself; after it nothing
            // is known about the positions.
            if (r.Static && !take(next, TFormatArgClass::Integer, specifier.Text, start)) break;
            r.Static = false;
        }
        if (r.Static) {
            if (widthStar && !take(next++, TFormatArgClass::Integer, specifier.Text, start)) break;
            if (precisionStar && !take(next++, TFormatArgClass::Integer, specifier.Text, start)) break;
            if (!take(next++, c, specifier.Text, start)) break;
        }
        r.Specifiers.push_back(std::move(specifier));
    }
    if (r.Static)
        for (auto& [index, arg] : args) r.Arguments.push_back(std::move(arg));
    return r;
}
