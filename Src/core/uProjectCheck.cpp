#include "uProjectCheck.h"

#include "uCodePage.h"
#include "uErrors.h"
#include "uFormatString.h"
#include "uOutputPaths.h"
#include "uProject.h"
#include "uText.h"
#include "uWords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

namespace {

struct TKindInfo {
    TFindingKind Kind;
    const char* Name;
    const char* Title;
    bool BreaksCompilation;
};

// One row per kind.
constexpr TKindInfo kKinds[] = {
    {TFindingKind::EmptyTextId, "empty-text-id", "Empty text IDs", true},
    {TFindingKind::InvalidTextId, "invalid-identifier", "Names that are not Pascal identifiers", true},
    {TFindingKind::ReservedWord, "reserved-word", "Names that are Pascal reserved words", true},
    {TFindingKind::DuplicateName, "duplicate-name", "Constant names that collide", true},
    {TFindingKind::NumberOutOfRange, "number-out-of-range", "Numbers outside 0..$FFFF", true},
    {TFindingKind::NumberWillChange, "number-will-change", "Numbers the next generation changes", false},
    {TFindingKind::TextTooLong, "text-too-long", "Texts longer than 255 bytes", false},
    {TFindingKind::UnitTooLarge, "unit-too-large", "Units larger than 64 KiB", false},
    {TFindingKind::InvalidFormat, "invalid-format", "Invalid format strings", false},
    {TFindingKind::FormatArguments, "format-arguments", "Format arguments that differ from the source language", false},
    {TFindingKind::MisreadUtf8, "misread-utf8", "Texts that look like UTF-8 read as Windows-1250", false},
    {TFindingKind::UnknownLanguage, "unknown-language", "Texts of a language that does not exist", false},
    {TFindingKind::UnknownSourceLanguage, "unknown-source-language", "Source languages that do not exist", false},
    {TFindingKind::SourceLoop, "source-loop", "Chains of source languages that loop", false},
    {TFindingKind::SameOutputFile, "same-output-file", "Units written to the same file", false},
    {TFindingKind::OutsideProjectFolder, "outside-project-folder", "Units written outside the project's folder", false},
};

const TKindInfo& InfoOf(TFindingKind kind)
{
    for (const TKindInfo& info : kKinds)
        if (info.Kind == kind) return info;
    QUILLET_ASSERT(false);
    return kKinds[0];
}

// The reserved words of the target's Pascal; a constant cannot take their names.
constexpr std::string_view kReservedWords[] = {
    "AND",     "ASM",         "ARRAY",      "BEGIN",     "CASE",
    "CONST",   "CONSTRUCTOR", "DESTRUCTOR", "DIV",       "DO",
    "DOWNTO",  "ELSE",        "END",        "EXPORTS",   "FILE",
    "FOR",     "FUNCTION",    "GOTO",       "IF",        "IMPLEMENTATION",
    "IN",      "INHERITED",   "INLINE",     "INTERFACE", "LABEL",
    "LIBRARY", "MOD",         "NIL",        "NOT",       "OBJECT",
    "OF",      "OR",          "PACKED",     "PROCEDURE", "PROGRAM",
    "RECORD",  "REPEAT",      "SET",        "SHL",       "SHR",
    "STRING",  "THEN",        "TO",         "TYPE",      "UNIT",
    "UNTIL",   "USES",        "VAR",        "WHILE",     "WITH",
    "XOR",
};
constexpr size_t kLongestReservedWord = std::ranges::max(kReservedWords, {}, &std::string_view::size).size();

// The reserved words by length: those of length n are Words[Start[n]] up to
// Words[Start[n + 1]].
struct TReservedByLength {
    std::array<std::string_view, std::size(kReservedWords)> Words{};
    std::array<size_t, kLongestReservedWord + 2> Start{};
};
constexpr TReservedByLength kReservedByLength = [] {
    TReservedByLength t;
    std::ranges::copy(kReservedWords, t.Words.begin());
    std::ranges::sort(t.Words, {}, &std::string_view::size);
    for (size_t n = 0, i = 0; n < t.Start.size(); ++n) {
        while (i < t.Words.size() && t.Words[i].size() < n) ++i;
        t.Start[n] = i;
    }
    return t;
}();

// Whether prefix and id together, ASCII case ignored, are a reserved word;
// the name is not composed. Asked twice per item: only the words of the
// name's length are compared.
bool IsReservedName(std::string_view prefix, std::string_view id)
{
    const size_t n = prefix.size() + id.size();
    if (n > kLongestReservedWord) return false;
    const auto upperAt = [&](size_t i) {
        const char c = i < prefix.size() ? prefix[i] : id[i - prefix.size()];
        return c >= 'a' && c <= 'z' ? char(c - 32) : c;
    };
    for (size_t w = kReservedByLength.Start[n]; w < kReservedByLength.Start[n + 1]; ++w) {
        const std::string_view word = kReservedByLength.Words[w];
        size_t i = 0;
        while (i < n && upperAt(i) == word[i]) ++i;
        if (i == n) return true;
    }
    return false;
}

// What the checks need of a text's bytes, found in one look at them, eight
// at a time where none of them matters: its length in the unit (LF bytes are
// not written) and whether it holds a "%".
struct TTextFacts {
    long long WrittenLength = 0;
    bool HasPercent = false;
};
TTextFacts FactsOf(std::string_view text)
{
    size_t lf = 0;
    bool percent = false;
    const auto look = [&](char c) {
        lf += c == '\n';
        percent = percent || c == '%';
    };
    size_t i = 0;
#if QUILLET_BYTES16
    for (; i + 16 <= text.size(); i += 16) {
        const Bytes16::TBytes v = Bytes16::At(text.data() + i);
        // Counted only where there are any: without the POPCNT instruction,
        // which x86-64 does not promise, a count is a call.
        if (const unsigned lfs = Bytes16::Equal(v, '\n')) lf += size_t(std::popcount(lfs));
        percent = percent || Bytes16::Equal(v, '%');
    }
#endif
    for (; i + 8 <= text.size(); i += 8) {
        const uint64_t w = Words::At(text.data() + i);
        if (Words::HasByte(w, '\n') || Words::HasByte(w, '%'))
            for (size_t k = i; k < i + 8; ++k) look(text[k]);
    }
    // The bytes left over lie within the last eight, mostly without either.
    if (i < text.size() && text.size() >= 8) {
        const uint64_t w = Words::At(text.data() + text.size() - 8);
        if (!Words::HasByte(w, '\n') && !Words::HasByte(w, '%')) i = text.size();
    }
    for (; i < text.size(); ++i) look(text[i]);
    return {static_cast<long long>(text.size() - lf), percent};
}
long long WrittenLength(std::string_view text) { return FactsOf(text).WrittenLength; }

std::string Utf8(std::string_view modelText) { return CodePage::ToUtf8(modelText); }

// A number in decimal, for Message.
struct TDecimal {
    explicit TDecimal(int64_t n) : Size(size_t(std::to_chars(Text, Text + sizeof Text, n).ptr - Text)) {}
    operator std::string_view() const { return {Text, Size}; }
    char Text[24];
    size_t Size;
};

// A message from its pieces in one allocation: a project whose numbers run
// past $FFFF has a finding for every item beyond.
template <class... TPieces> std::string Message(const TPieces&... pieces)
{
    const std::string_view views[] = {std::string_view(pieces)...};
    size_t size = 0;
    for (const std::string_view v : views) size += v.size();
    std::string message;
    message.reserve(size);
    for (const std::string_view v : views) message.append(v);
    return message;
}

// A text for a message: quoted, at most 40 characters, in UTF-8.
std::string Excerpt(std::string_view modelText)
{
    constexpr size_t kMax = 40;
    if (modelText.size() <= kMax) return "'" + Utf8(modelText) + "'";
    return "'" + Utf8(modelText.substr(0, kMax)) + "\u2026'";
}

// The same for text that is UTF-8 already; cut before a whole character.
std::string Utf8Excerpt(std::string_view utf8)
{
    constexpr size_t kMax = 40;
    if (utf8.size() <= kMax) return "'" + std::string(utf8) + "'";
    size_t end = kMax;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    return "'" + std::string(utf8.substr(0, end)) + "\u2026'";
}

// The numbers in ascending order.
std::vector<int32_t> Ascending(std::vector<int32_t> numbers)
{
    // Mostly in order already (renumbering leaves them so).
    if (!std::is_sorted(numbers.begin(), numbers.end())) std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// What the check of one project shares between its steps: the lookups it
// builds once, so that every step stays linear in the number of items. The
// texts are checked in the one walk over the items, row by row, while the
// row's texts are at hand: their findings are of kinds of their own, and
// come in item order all the same.
class TChecker {
public:
    explicit TChecker(const TResProject& project);

    const TResProject& Project;
    const TResLanguageList& Languages;
    const TResStringList& Strings;
    int LanguageCount;
    int ItemCount;
    // Of each item by row, gathered in the one walk over the items, so that
    // the steps after it need not look at the items again.
    std::vector<int32_t> Numbers;
    std::vector<bool> Fixed;
    std::vector<int32_t> SortedNumbers; // all numbers, ascending
    std::string_view TextIdOf(int row) const
    {
        const size_t start = row == 0 ? 0 : m_TextIdEnds[size_t(row) - 1];
        return std::string_view(m_TextIds).substr(start, m_TextIdEnds[size_t(row)] - start);
    }
    // Per language: the written lengths of its unit's texts, added up.
    std::vector<long long> ResolvedTotals;

    void Add(TFindingKind kind, int row, int languageIndex, std::string message);
    // The language's position in the list for an ID; -1 for none.
    int LanguageIndexOf(int32_t id) const
    {
        return id >= 0 && size_t(id) < m_IndexOfId.size() ? m_IndexOfId[size_t(id)] : -1;
    }
    const std::string& LanguageName(int languageIndex) const { return m_LanguageNames[size_t(languageIndex)]; }
    // The chain of one language: itself, then its source languages, as far as
    // the language units follow it.
    const std::vector<int>& Chain(int languageIndex) const { return m_Chains[size_t(languageIndex)]; }

    TProjectCheck Result;

private:
    // Of the row being walked: its own text in a language (its first), or
    // none, with what the text checks look for in it, found while its bytes
    // are at hand.
    struct TOwn {
        const std::string* Text = nullptr;
        long long Length = 0; // as written
        bool HasPercent = false;
        bool LooksMisread = false;
    };
    const TOwn& Own(int languageIndex) const { return m_Own[size_t(languageIndex)]; }
    // Where the row's text for a language comes from, along its chain of
    // source languages exactly as the language units resolve it: the
    // position of the language that has it, or -1.
    int ResolvedFrom(int languageIndex) const
    {
        for (int l : Chain(languageIndex))
            if (Own(l).Text) return l;
        return -1;
    }
    void CheckRowTexts(int row);
    const TFormatString& FormatOf(int languageIndex);
    void CompareArguments(int row, int l, const TFormatString& own, int from, const TFormatString& source);

    std::vector<int> m_IndexOfId; // by language ID (IDs count up from 0); -1: none
    std::vector<TOwn> m_Own;      // by language
    std::vector<std::string> m_LanguageNames;
    std::string m_TextIds;            // every item's text ID, one after the other
    std::vector<size_t> m_TextIdEnds; // by row
    std::vector<std::vector<int>> m_Chains;
    // The row's format strings by language, parsed when first asked for.
    std::vector<TFormatString> m_Formats;
    std::vector<bool> m_Parsed; // the slot holds the row's text's format
};

TChecker::TChecker(const TResProject& project)
    : Project(project),
      Languages(*project.Languages()),
      Strings(*project.Strings()),
      LanguageCount(Languages.Count()),
      ItemCount(Strings.Count())
{
    const auto L = size_t(LanguageCount);
    m_IndexOfId.assign(size_t(std::max(Languages.NextID(), 0)), -1);
    for (int l = 0; l < LanguageCount; ++l) {
        int& index = m_IndexOfId[size_t(Languages.Items(l)->ID())];
        if (index < 0) index = l; // the first language with an ID wins
        m_LanguageNames.push_back(Utf8(Languages.Items(l)->TextId()));
    }
    // A chain that comes back is cut after as many steps as there are
    // languages, as the language units cut it.
    for (int l = 0; l < LanguageCount; ++l) {
        std::vector<int> chain;
        for (int cur = l, steps = LanguageCount; cur >= 0 && steps-- > 0;) {
            chain.push_back(cur);
            const int32_t source = Languages.Items(cur)->SourceLanguageId();
            cur = source < 0 ? -1 : LanguageIndexOf(source);
        }
        m_Chains.push_back(std::move(chain));
    }
    Result.Stats.resize(L);
    for (int l = 0; l < LanguageCount; ++l) {
        Result.Stats[size_t(l)].Language = LanguageName(l);
        Result.Stats[size_t(l)].Visible = Languages.Items(l)->Visible();
    }
    ResolvedTotals.assign(L, 0);
    m_Own.resize(L);
    m_Formats.resize(L);
    m_Parsed.resize(L);
    Numbers.reserve(size_t(ItemCount));
    Fixed.reserve(size_t(ItemCount));
    m_TextIdEnds.reserve(size_t(ItemCount));
    for (int row = 0; row < ItemCount; ++row) {
        FetchAheadWithTexts(Strings, row);
        const TResStringItem* item = Strings.Items(row);
        Numbers.push_back(item->NumberId());
        Fixed.push_back(item->FixedId());
        m_TextIds += item->TextId();
        m_TextIdEnds.push_back(m_TextIds.size());
        std::fill(m_Own.begin(), m_Own.end(), TOwn{});
        const TResStringConstList& texts = *item->StringConsts();
        for (int k = 0; k < texts.Count(); ++k) {
            const TResStringConstItem* text = texts.Items(k);
            if (text->LanguageId() < 0) continue;
            const int l = LanguageIndexOf(text->LanguageId());
            if (l < 0) {
                Add(TFindingKind::UnknownLanguage, row, -1,
                    "text " + std::to_string(k) + " names no language (LanguageId " +
                        std::to_string(text->LanguageId()) + ")");
                continue;
            }
            TOwn& own = m_Own[size_t(l)];
            if (!own.Text) {
                own.Text = &text->Value();
                const TTextFacts facts = FactsOf(*own.Text);
                own.Length = facts.WrittenLength;
                own.HasPercent = facts.HasPercent;
                own.LooksMisread = LooksLikeMisreadUtf8(*own.Text);
            }
        }
        CheckRowTexts(row);
        for (int l = 0; l < LanguageCount; ++l) {
            const int from = ResolvedFrom(l);
            if (from >= 0) ResolvedTotals[size_t(l)] += Own(from).Length;
        }
    }
    SortedNumbers = Ascending(Numbers);
}

void TChecker::Add(TFindingKind kind, int row, int languageIndex, std::string message)
{
    TFinding f;
    f.Kind = kind;
    f.Row = row;
    if (row >= 0) f.TextId = Utf8(TextIdOf(row)); // gathered already, so the item need not be fetched again
    if (languageIndex >= 0) f.Language = LanguageName(languageIndex);
    f.Message = std::move(message);
    Result.Findings.push_back(std::move(f));
}

// ---------------------------------------------------------------------------
// The steps. Each adds its findings in item order.

// The constant names seen so far, each by its item and which of its two
// names it is, in an open-addressing table of hashes: a name is not stored
// but composed again from its prefix and text ID when it has to be compared.
class TConstantNames {
public:
    TConstantNames(const TResStringList& strings, const std::string (&prefixes)[2], int itemCount)
        : m_Strings(strings), m_Prefixes(prefixes)
    {
        size_t capacity = 16;
        while (capacity < size_t(itemCount) * 4) capacity *= 2; // two names per item, at most half full
        m_Slots.assign(capacity, TSlot{});
    }

    // The row that took the upper-case name first; otherwise the name is
    // recorded for row and -1 returned.
    int TakeOrFind(const std::string& upper, int row, int which)
    {
        uint32_t h = 2166136261u; // FNV-1a
        for (char c : upper) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        const size_t mask = m_Slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            TSlot& slot = m_Slots[i];
            if (slot.Ref < 0) {
                slot = {h, row * 2 + which};
                return -1;
            }
            if (slot.Hash == h && Names(upper, slot.Ref / 2, slot.Ref % 2)) return slot.Ref / 2;
        }
    }

private:
    struct TSlot {
        uint32_t Hash = 0;
        int Ref = -1; // row * 2 + which name
    };

    // Whether the upper-case name is the row's name, ASCII case ignored.
    bool Names(std::string_view upper, int row, int which) const
    {
        const std::string_view prefix = m_Prefixes[which];
        const std::string_view id = m_Strings.Items(row)->TextId();
        return upper.size() == prefix.size() + id.size() && SameTextAscii(upper.substr(0, prefix.size()), prefix) &&
            SameTextAscii(upper.substr(prefix.size()), id);
    }

    const TResStringList& m_Strings;
    const std::string (&m_Prefixes)[2];
    std::vector<TSlot> m_Slots;
};

// The names the constants unit declares: valid, not reserved, and unique
// once the prefixes are applied (Pascal compares names without case).
void CheckConstantNames(TChecker& c)
{
    const std::string prefixes[2] = {c.Project.StringIdPrefix(), c.Project.PtrIdPrefix()};
    // Text IDs are unique ignoring ASCII case, except the empty one, which
    // many items may hold. Two names with the same prefix are then the same
    // only for empty IDs, and names with different prefixes only when one
    // prefix begins the other: only then does every name go into the table.
    const auto begins = [](std::string_view whole, std::string_view start) {
        return whole.size() >= start.size() && SameTextAscii(whole.substr(0, start.size()), start);
    };
    const bool crossing = begins(prefixes[0], prefixes[1]) || begins(prefixes[1], prefixes[0]);
    std::optional<TConstantNames> taken;
    if (crossing) taken.emplace(c.Strings, prefixes, c.ItemCount);
    // What the prefixes decide is worked out once: the two names of an item
    // are the same exactly when the prefixes are, and a prefix that is empty
    // or an identifier keeps an identifier one.
    const bool samePrefixes = SameTextAscii(prefixes[0], prefixes[1]);
    const bool keepsIdentifier[2] = {prefixes[0].empty() || IsIdentifier(prefixes[0]),
                                     prefixes[1].empty() || IsIdentifier(prefixes[1])};
    int firstEmpty = -1;            // the first row with the empty text ID
    std::string names[2], upper[2]; // reused from item to item
    for (int row = 0; row < c.ItemCount; ++row) {
        const std::string_view id = c.TextIdOf(row);
        // The names are composed only for the items that need them.
        const auto name = [&](int s) -> const std::string& { return names[s].assign(prefixes[s]).append(id); };
        const auto upperName = [&](int s) -> const std::string& {
            upper[s].assign(prefixes[s]).append(id);
            for (char& ch : upper[s])
                if (ch >= 'a' && ch <= 'z') ch = char(ch - 32);
            return upper[s];
        };
        if (id.empty()) c.Add(TFindingKind::EmptyTextId, row, -1, "text ID is empty");
        else if (!IsIdentifier(id)) c.Add(TFindingKind::InvalidTextId, row, -1, "text ID is not a Pascal identifier");
        else
            for (int s = 0; s < 2; ++s)
                if (!keepsIdentifier[s] && !IsIdentifier(name(s)))
                    c.Add(TFindingKind::InvalidTextId, row, -1,
                          "constant name '" + Utf8(name(s)) + "' is not a Pascal identifier");
        for (int s = 0; s < 2; ++s)
            if (IsReservedName(prefixes[s], id))
                c.Add(TFindingKind::ReservedWord, row, -1, "constant name '" + Utf8(name(s)) + "' is a reserved word");
        if (samePrefixes) {
            c.Add(TFindingKind::DuplicateName, row, -1,
                  "its number and pointer constants are both named '" + Utf8(name(0)) + "'");
            continue;
        }
        for (int s = 0; s < 2; ++s) {
            int first = -1;
            if (taken) first = taken->TakeOrFind(upperName(s), row, s);
            else if (id.empty()) first = firstEmpty;
            if (first >= 0)
                c.Add(TFindingKind::DuplicateName, row, -1,
                      "constant name '" + Utf8(name(s)) + "' is also a constant of item " + std::to_string(first) +
                          " ('" + Utf8(c.Strings.Items(first)->TextId()) + "')");
        }
        if (id.empty() && firstEmpty < 0) firstEmpty = row;
    }
}

// The numbers the units will carry: RenumberIds runs before every
// generation, so the items that are not fixed get new numbers then. This
// walk gives the numbers RenumberIds gives, without changing the list.
void CheckNumbers(TChecker& c)
{
    std::vector<int32_t> fixedNumbers;
    for (int row = 0; row < c.ItemCount; ++row)
        if (c.Fixed[size_t(row)]) fixedNumbers.push_back(c.Numbers[size_t(row)]);
    const std::vector<int32_t> fixed = Ascending(std::move(fixedNumbers));
    size_t j = 0;
    int64_t n = c.Strings.NumberIdBase();
    while (j < fixed.size() && fixed[j] < n) ++j;
    for (int row = 0; row < c.ItemCount; ++row) {
        const int32_t own = c.Numbers[size_t(row)];
        int64_t number = own;
        if (!c.Fixed[size_t(row)]) {
            while (j < fixed.size() && fixed[j] == static_cast<int32_t>(n)) {
                ++n;
                ++j;
            }
            const int64_t next = static_cast<int32_t>(static_cast<uint32_t>(n++));
            if (next != number)
                c.Add(TFindingKind::NumberWillChange, row, -1,
                      Message("number ", TDecimal(number), " becomes ", TDecimal(next), " at the next generation"));
            number = next;
        }
        if (number < 0 || number > 0xFFFF) {
            if (number == own)
                c.Add(TFindingKind::NumberOutOfRange, row, -1,
                      Message("number ", TDecimal(number), " is outside 0..$FFFF"));
            else
                c.Add(TFindingKind::NumberOutOfRange, row, -1,
                      Message("gets number ", TDecimal(number), " at the next generation, outside 0..$FFFF"));
        }
    }
}

// The arguments of a translation against those of its source language.
void TChecker::CompareArguments(int row, int l, const TFormatString& own, int from, const TFormatString& source)
{
    TChecker& c = *this;
    const std::string& lang = c.LanguageName(l);
    const std::string& src = c.LanguageName(from);
    auto a = source.Arguments.begin(), b = own.Arguments.begin();
    while (a != source.Arguments.end() || b != own.Arguments.end()) {
        if (b == own.Arguments.end() || (a != source.Arguments.end() && a->Index < b->Index)) {
            c.Add(TFindingKind::FormatArguments, row, l,
                  lang + " drops " + Utf8(a->Specifier) + " (argument " + std::to_string(a->Index) + ") of " + src);
            ++a;
        } else if (a == source.Arguments.end() || b->Index < a->Index) {
            c.Add(TFindingKind::FormatArguments, row, l,
                  lang + " adds " + Utf8(b->Specifier) + " (argument " + std::to_string(b->Index) + "), which " + src +
                      " does not have");
            ++b;
        } else {
            if (a->Class != b->Class)
                c.Add(TFindingKind::FormatArguments, row, l,
                      lang + " takes argument " + std::to_string(a->Index) + " as " + FormatArgClassName(b->Class) +
                          " (" + Utf8(b->Specifier) + ") where " + src + " takes " + FormatArgClassName(a->Class) +
                          " (" + Utf8(a->Specifier) + ")");
            ++a;
            ++b;
        }
    }
}

// The row's format string in a language, parsed when first asked for. A
// text without "%" has the empty format, which the slot mostly holds already.
const TFormatString& TChecker::FormatOf(int l)
{
    // Mostly a text without "%", which is what an empty format string is.
    static const TFormatString kPlain;
    const TOwn& own = Own(l);
    if (!own.Text || !own.HasPercent) return kPlain;
    if (!m_Parsed[size_t(l)]) {
        m_Formats[size_t(l)] = ParseFormatString(*own.Text);
        m_Parsed[size_t(l)] = true;
    }
    return m_Formats[size_t(l)];
}

// The row's texts in every language: what each language has, its length,
// its encoding, its format arguments; and the statistics.
void TChecker::CheckRowTexts(int row)
{
    std::fill(m_Parsed.begin(), m_Parsed.end(), false);
    for (int l = 0; l < LanguageCount; ++l) {
        TLanguageStats& stats = Result.Stats[size_t(l)];
        const TOwn& own = Own(l);
        if (!own.Text) {
            if (ResolvedFrom(l) >= 0) ++stats.Inherited;
            else ++stats.Missing;
            continue;
        }
        ++stats.Own;
        const std::string& lang = LanguageName(l);
        if (own.Length > 255)
            Add(TFindingKind::TextTooLong, row, l,
                lang + " text is " + std::to_string(own.Length) + " bytes long; the target sees only the first 255");
        if (own.LooksMisread)
            Add(TFindingKind::MisreadUtf8, row, l,
                lang + " text " + Excerpt(*own.Text) + " looks like UTF-8 read as Windows-1250 (" +
                    Utf8Excerpt(*own.Text) + ")");
        const TFormatString& format = FormatOf(l);
        if (!format.Valid) {
            Add(TFindingKind::InvalidFormat, row, l,
                lang + " text is not a valid format string: " + Utf8(format.Error));
            continue;
        }
        const std::vector<int>& chain = Chain(l);
        int from = -1;
        for (size_t k = 1; k < chain.size() && from < 0; ++k)
            if (Own(chain[k]).Text) from = chain[k];
        if (from < 0 || from == l) continue;
        const TFormatString& sourceFormat = FormatOf(from);
        if (sourceFormat.Valid && sourceFormat.Static && format.Static)
            CompareArguments(row, l, format, from, sourceFormat);
    }
}

void CheckLanguages(TChecker& c)
{
    for (int l = 0; l < c.LanguageCount; ++l) {
        const int32_t source = c.Languages.Items(l)->SourceLanguageId();
        if (source >= 0 && c.LanguageIndexOf(source) < 0)
            c.Add(TFindingKind::UnknownSourceLanguage, -1, l,
                  "source language ID " + std::to_string(source) + " names no language");
        // The chain is cut after as many steps as there are languages: when
        // its last language still has a source that exists, it came back.
        const TResLanguageItem* last = c.Languages.Items(c.Chain(l).back());
        if (last->SourceLanguageId() >= 0 && c.LanguageIndexOf(last->SourceLanguageId()) >= 0)
            c.Add(TFindingKind::SourceLoop, -1, l, "the chain of source languages loops");
    }
}

// The estimate over the items' numbers in ascending order; lengthOf(i)
// gives the length of the i-th item's text as written (without LF bytes).
template <class TLengthOf>
long long EstimateFromSorted(const std::vector<int32_t>& numbers, TUnitSizeEstimate& e, const TLengthOf& lengthOf)
{
    // Per range: SUB, Jcc, CMP, Jcc (near jumps around), SHL, MOV, JMP.
    constexpr long long kHead = 16, kPerRange = 30, kTail = 20;
    e = {};
    e.Bytes = kHead + kTail;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i == 0 || StartsNewRange(numbers[i - 1], numbers[i])) {
            e.Bytes += kPerRange + 2;
            ++e.Ranges;
            ++e.Entries;
        } else {
            const long long slots = int64_t(numbers[i]) - numbers[i - 1];
            e.Bytes += 2 * slots;
            e.Entries += slots;
        }
        e.Bytes += 2 + lengthOf(i);
    }
    return e.Bytes;
}

void CheckUnitSizes(TChecker& c)
{
    // The ranges and tables are the same in every language, and only the
    // sum of the text lengths differs: the walk in number order is done
    // once, and each language adds up its lengths in item order.
    TUnitSizeEstimate e;
    const long long frame = EstimateFromSorted(c.SortedNumbers, e, [](size_t) { return 0LL; });
    for (int l = 0; l < c.LanguageCount; ++l) {
        const long long size = frame + c.ResolvedTotals[size_t(l)];
        if (size > 65536)
            c.Add(TFindingKind::UnitTooLarge, -1, l,
                  "the unit needs about " + std::to_string(size) +
                      " bytes of code and data, more than one 64 KiB code segment");
    }
}

void CheckOutputFiles(TChecker& c)
{
    struct TOutput {
        std::string Path;
        std::string Who;
        int Language;
    };
    std::vector<TOutput> outputs{{c.Project.OutputPath(c.Project.ConstFileName()), "the constants unit", -1}};
    for (int l = 0; l < c.LanguageCount; ++l)
        outputs.push_back({c.Project.OutputPath(c.Languages.Items(l)->ResFileName()),
                           "the unit of language '" + c.LanguageName(l) + "'", l});
    for (size_t a = 0; a < outputs.size(); ++a)
        for (size_t b = a + 1; b < outputs.size(); ++b)
            if (SameTextAscii(outputs[a].Path, outputs[b].Path))
                c.Add(TFindingKind::SameOutputFile, -1, outputs[b].Language,
                      outputs[a].Who + " and " + outputs[b].Who + " write the same file " + outputs[a].Path);
    for (const TUnitPath& unit : OutsideUnitPaths(c.Project))
        c.Add(TFindingKind::OutsideProjectFolder, -1, unit.Language,
              (unit.Language < 0 ? "the constants unit" : "the unit") +
                  std::string(" is written outside the project's folder: ") + unit.Path);
}

// Findings by kind, in the order they were found within a kind. The kinds
// are few: each finding's place is counted out, and the findings go there in
// place, along the cycles of the permutation, so that a project with many
// findings does not need a second copy of them.
void SortByKind(std::vector<TFinding>& findings)
{
    const auto kindOf = [](const TFinding& f) { return static_cast<size_t>(f.Kind); };
    size_t kinds = 0;
    for (const TFinding& f : findings) kinds = std::max(kinds, kindOf(f) + 1);
    std::vector<size_t> next(kinds + 1, 0); // where each kind's next finding goes
    for (const TFinding& f : findings) ++next[kindOf(f) + 1];
    for (size_t k = 1; k <= kinds; ++k) next[k] += next[k - 1];
    std::vector<uint32_t> place(findings.size()); // where each finding belongs
    for (size_t i = 0; i < findings.size(); ++i) place[i] = static_cast<uint32_t>(next[kindOf(findings[i])]++);
    for (size_t i = 0; i < findings.size(); ++i)
        while (place[i] != i) {
            const uint32_t to = place[i];
            std::swap(findings[i], findings[to]);
            std::swap(place[i], place[to]);
        }
}

} // namespace

const char* FindingKindName(TFindingKind kind) { return InfoOf(kind).Name; }
const char* FindingKindTitle(TFindingKind kind) { return InfoOf(kind).Title; }
bool BreaksCompilation(TFindingKind kind) { return InfoOf(kind).BreaksCompilation; }

std::string FindingPlace(const TFinding& f)
{
    if (f.Row >= 0) return "item " + std::to_string(f.Row) + " ('" + f.TextId + "')";
    if (!f.Language.empty()) return "language '" + f.Language + "'";
    return {};
}

std::string FindingLine(const TFinding& f)
{
    std::string line;
    AppendFindingLine(line, f);
    return line;
}

void AppendFindingLine(std::string& out, const TFinding& f)
{
    if (f.Row >= 0) {
        char start[32] = "item "; // and the number and " ('", appended at once
        char* p = std::to_chars(start + 5, start + 24, f.Row).ptr;
        std::memcpy(p, " ('", 3);
        out.append(start, size_t(p + 3 - start)).append(f.TextId).append("'): ");
    } else if (!f.Language.empty()) {
        out.append("language '").append(f.Language).append("': ");
    }
    out.append(f.Message);
}

int TProjectCheck::CountOf(TFindingKind kind) const
{
    return static_cast<int>(
        std::count_if(Findings.begin(), Findings.end(), [kind](const TFinding& f) { return f.Kind == kind; }));
}

bool TProjectCheck::BreaksCompilation() const
{
    return std::any_of(Findings.begin(), Findings.end(), [](const TFinding& f) { return ::BreaksCompilation(f.Kind); });
}

bool LooksLikeMisreadUtf8(std::string_view text)
{
    int sequences = 0;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            i += Words::AsciiPrefix(text.data() + i, text.size() - i); // on to the next byte above 127
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) length = 2;
        else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;  // no overlong forms
            if (b == 0xED) high = 0x9F; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F; // nothing above U+10FFFF
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
        }
        ++sequences;
        i += length;
    }
    return sequences > 0;
}

TUnitSizeEstimate EstimateLanguageUnit(const TResProject& project, int languageIndex)
{
    const TResLanguageItem* language = project.Languages()->Items(languageIndex);
    const TResStringSortArray items = project.Strings()->SortedByNumberId(false);
    std::vector<int32_t> numbers;
    numbers.reserve(items.size());
    for (const TResStringItem* item : items) numbers.push_back(item->NumberId());
    TUnitSizeEstimate e;
    EstimateFromSorted(numbers, e,
                       [&](size_t i) { return WrittenLength(project.TextForLanguage(items[i], language)); });
    return e;
}

long long EstimateLanguageUnitSize(const TResProject& project, int languageIndex)
{
    return EstimateLanguageUnit(project, languageIndex).Bytes;
}

TProjectCheck CheckProject(const TResProject& project)
{
    TChecker c(project);
    const std::vector<int32_t>& sorted = c.SortedNumbers;
    c.Result.Summary.push_back("Items: " + std::to_string(c.ItemCount));
    c.Result.Summary.push_back("Languages: " + std::to_string(c.LanguageCount));
    c.Result.Summary.push_back(sorted.empty() ? std::string("Numbers: none")
                                              : "Numbers: " + std::to_string(sorted.front()) + " to " +
                                       std::to_string(sorted.back()));

    CheckConstantNames(c);
    // Room at once for the findings of numbers beyond 0..$FFFF, which a large
    // project may have by the hundred thousand, instead of growing by copies.
    const size_t beyond = size_t(std::lower_bound(sorted.begin(), sorted.end(), 0) - sorted.begin()) +
        size_t(sorted.end() - std::upper_bound(sorted.begin(), sorted.end(), 0xFFFF));
    c.Result.Findings.reserve(c.Result.Findings.size() + beyond);
    CheckNumbers(c);
    CheckLanguages(c);
    CheckUnitSizes(c);
    CheckOutputFiles(c);

    SortByKind(c.Result.Findings);
    return std::move(c.Result);
}
