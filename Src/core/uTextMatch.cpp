#include "uTextMatch.h"

#include "uCodePage.h"
#include "uProject.h"

#include <array>

namespace TextMatch {
namespace {

// The base letter of every character from U+00C0 to U+017F, case kept; '*'
// where a character has none (the multiplication and division signs).
constexpr std::string_view kBase =
    "AAAAAAACEEEEIIII"
    "DNOOOOO*OUUUUYTs"
    "aaaaaaaceeeeiiii"
    "dnooooo*ouuuuyty"
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "IiJjJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";

char16_t LowerUnit(char16_t u)
{
    if (u >= u'A' && u <= u'Z') return char16_t(u + 32);
    if (u < 0xC0 || u > 0x17F) return u;
    const char base = kBase[u - 0xC0];
    if (base < 'A' || base > 'Z') return u; // lower case already, or no letter
    if (u < 0x100) return char16_t(u + 0x20);
    // Latin Extended-A pairs each capital with the small letter after it.
    return kBase[u + 1 - 0xC0] == base + 32 ? char16_t(u + 1) : u;
}

struct TTables {
    std::array<unsigned char, 256> Base{};
    std::array<unsigned char, 256> Lower{};
    TTables()
    {
        for (int b = 0; b < 256; ++b) {
            const char16_t u = CodePage::ByteToUnit(static_cast<unsigned char>(b));
            const char16_t lower = LowerUnit(u);
            Lower[b] = static_cast<unsigned char>(CodePage::UnitToByte(lower));
            if (u < 0x80) Lower[b] = static_cast<unsigned char>(lower); // '?' is not a miss
            Base[b] = Lower[b];
            if (u >= 0xC0 && u <= 0x17F && kBase[u - 0xC0] != '*') {
                char base = kBase[u - 0xC0];
                if (base >= 'A' && base <= 'Z') base = char(base + 32);
                Base[b] = static_cast<unsigned char>(base);
            }
        }
    }
};

const TTables& Tables()
{
    static const TTables t;
    return t;
}

} // namespace

unsigned char BaseOf(unsigned char b) { return Tables().Base[b]; }
unsigned char LowerOf(unsigned char b) { return Tables().Lower[b]; }

} // namespace TextMatch

TTextMatcher::TTextMatcher(std::string_view pattern)
{
    const auto& t = TextMatch::Tables();
    m_Base.reserve(pattern.size());
    m_Lower.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const auto b = static_cast<unsigned char>(pattern[i]);
        m_Base.push_back(static_cast<char>(t.Base[b]));
        m_Lower.push_back(static_cast<char>(t.Lower[b]));
        if (t.Base[b] != t.Lower[b]) m_Marks.push_back(i);
    }
}

bool TTextMatcher::CheckMarks(std::string_view text, size_t at) const
{
    const auto& t = TextMatch::Tables();
    for (size_t i : m_Marks)
        if (t.Lower[static_cast<unsigned char>(text[at + i])] != static_cast<unsigned char>(m_Lower[i])) return false;
    return true;
}

bool TTextMatcher::Matches(std::string_view text) const
{
    if (m_Base.empty()) return true;
    if (text.size() < m_Base.size()) return false;
    const auto& base = TextMatch::Tables().Base;
    m_Folded.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) m_Folded[i] = static_cast<char>(base[static_cast<unsigned char>(text[i])]);
    const std::string_view folded(m_Folded);
    for (size_t at = folded.find(m_Base); at != std::string_view::npos; at = folded.find(m_Base, at + 1))
        if (m_Marks.empty() || CheckMarks(text, at)) return true;
    return false;
}

std::vector<int> FilterItems(const TResStringList& strings, const std::vector<const TResLanguageItem*>& languages,
                             const TTextMatcher& matcher)
{
    std::vector<int> rows;
    const int count = strings.Count();
    for (int i = 0; i < count; ++i) {
        const TResStringItem* item = strings.Items(i);
        bool found = matcher.Matches(item->TextId());
        // The text a language column shows is the first one of that language.
        for (size_t l = 0; !found && l < languages.size(); ++l)
            if (const TResStringConstItem* text = item->StringConsts()->FindByLanguage(languages[l]))
                found = matcher.Matches(text->Value());
        if (found) rows.push_back(i);
    }
    return rows;
}

int NextUntranslated(const TResStringList& strings, const TResLanguageItem& language, const std::vector<int>* rows,
                     int afterRow)
{
    const int count = rows ? static_cast<int>(rows->size()) : strings.Count();
    if (count == 0) return -1;
    if (afterRow < 0 || afterRow >= count) afterRow = count - 1;
    for (int step = 1; step <= count; ++step) {
        const int row = (afterRow + step) % count;
        const int index = rows ? (*rows)[static_cast<size_t>(row)] : row;
        if (index < 0 || index >= strings.Count()) continue;
        if (!strings.Items(index)->StringConsts()->FindByLanguage(&language)) return row;
    }
    return -1;
}
