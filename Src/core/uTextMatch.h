// Finding items by what the user types: case-insensitive, and diacritics
// optional for the letters of the code page, so that "zrusit" finds "Zrušit"
// while "zrušit" does not find "Zrusit". Also the walk to the next item that
// still lacks its text in a language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TResLanguageItem;
class TResStringList;

namespace TextMatch {

// A code-page byte folded to lower case without its diacritics (Š -> s).
unsigned char BaseOf(unsigned char b);
// A code-page byte folded to lower case, diacritics kept (Š -> š).
unsigned char LowerOf(unsigned char b);

} // namespace TextMatch

class TTextMatcher {
public:
    // pattern is model text (Windows-1250).
    explicit TTextMatcher(std::string_view pattern);

    bool Empty() const { return m_Base.empty(); }
    // True when text contains the pattern: letters compare without case, a
    // pattern letter without diacritics stands for the letter with any of
    // them, one with diacritics only for itself.
    bool Matches(std::string_view text) const;

private:
    bool CheckMarks(std::string_view text, size_t at) const;

    std::string m_Base;          // the pattern folded to its base letters
    std::string m_Lower;         // the pattern in lower case, diacritics kept
    std::vector<size_t> m_Marks; // positions where the pattern carries a diacritic
    mutable std::string m_Folded;
};

// The indexes of the items whose text ID, or whose own text in one of the
// languages, contains the pattern; ascending. An empty pattern gives all.
std::vector<int> FilterItems(const TResStringList& strings, const std::vector<const TResLanguageItem*>& languages,
                             const TTextMatcher& matcher);

// The first row after afterRow, wrapping round to the rows before it and
// ending with afterRow itself, whose item has no text of its own in the
// language; -1 when every shown item has one. rows maps rows to item indexes;
// null means row i shows item i. afterRow -1 starts at the first row.
int NextUntranslated(const TResStringList& strings, const TResLanguageItem& language, const std::vector<int>* rows,
                     int afterRow);
