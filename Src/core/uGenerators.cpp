// The generated Pascal units: one per language, and the constants unit.
#include "uProject.h"
#include "uText.h"

#include "uErrors.h"
#include "uFileWrite.h"
#include "uOverwritePrompt.h"
#include "uTextOut.h"
#include "uWords.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Where a unit's text goes, piece by piece: a file being written, or a string.
using TUnitSink = TFileWriter::TContentSink;

const char kHexDigits[] = "0123456789ABCDEF";

// Upper-case hexadecimal with at least `digits` digits; a negative value is
// written as the eight digits of its 32-bit two's complement.
char* PutHex(char* p, int64_t value, int digits)
{
    if (digits == 4 && value >= 0 && value <= 0xFFFF) { // the usual number: four digits as they stand
        for (int shift = 12; shift >= 0; shift -= 4) *p++ = kHexDigits[(value >> shift) & 15];
        return p;
    }
    uint64_t v = value < 0 ? uint64_t(static_cast<uint32_t>(value)) : uint64_t(value);
    if (value < 0) digits = 8;
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = kHexDigits[v % 16];
        v /= 16;
    } while (v);
    for (int i = n; i < digits; ++i) *p++ = '0';
    while (n) *p++ = buffer[--n];
    return p;
}

void PutHex(TTextOut& out, int64_t value, int digits) { out.Advance(PutHex(out.Room(20), value, digits)); }

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool EndsWithDelimiter(const std::string& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

// Bytes written inside quotes: the printable ones (32 to 126, 128 to 255)
// except the apostrophe, which is always written as $27.
constexpr bool IsQuotableByte(unsigned char b) { return (b >= 32 && b <= 126 && b != 39) || b >= 128; }
constexpr std::array<bool, 256> kQuotable = [] {
    std::array<bool, 256> table{};
    for (int b = 0; b < 256; ++b) table[size_t(b)] = IsQuotableByte(static_cast<unsigned char>(b));
    return table;
}();
bool IsQuotable(unsigned char b) { return kQuotable[b]; }
// Whether all eight bytes of w are quotable: none below 32, no apostrophe,
// no 127.
bool AllQuotable(uint64_t w)
{
    return !Words::HasByteBelow(w, 32) && !Words::HasByte(w, '\'') && !Words::HasByte(w, 127);
}
// Where the run of quotable bytes from i ends, at limit at the most.
size_t QuotableEnd(const char* data, size_t i, size_t limit)
{
#if QUILLET_BYTES16
    for (; i + 16 <= limit; i += 16) {
        const Bytes16::TBytes v = Bytes16::At(data + i);
        if (const unsigned others = Bytes16::Below(v, 32) | Bytes16::Equal(v, '\'') | Bytes16::Equal(v, 127))
            return i + Bytes16::First(others);
    }
#endif
    while (i + 8 <= limit && AllQuotable(Words::At(data + i))) i += 8;
    while (i < limit && IsQuotable(static_cast<unsigned char>(data[i]))) ++i;
    return i;
}

// The most PutChunks writes for a text of n bytes: a byte takes at most 6
// characters ("', $hh"), and a chunk of at least 60 characters adds a line
// start of 16.
constexpr size_t ChunksRoom(size_t n) { return n * 8 + 128; }

// Writes the text's bytes after the length byte: chunks of at most 60
// characters, printable bytes quoted, the others as $hh numbers, then ", 0".
char* PutChunks(char* p, std::string_view t)
{
    size_t pos = 0;
    bool firstChunk = true;
    while (firstChunk || pos < t.size()) {
        if (firstChunk) p = PutText(p, ", "); // after the length byte, when the chunk is not empty
        else p = PutText(p, "\r\n         DB   ");
        char* const chunkStart = p;
        bool quoted = false;
        while (pos < t.size() && p - chunkStart < 60) {
            const unsigned char b = static_cast<unsigned char>(t[pos++]);
            if (IsQuotable(b)) {
                if (!quoted) {
                    if (p > chunkStart) p = PutText(p, ", ");
                    *p++ = '\'';
                    quoted = true;
                }
                *p++ = static_cast<char>(b);
                // The rest of a run of quotable bytes, as far as the chunk goes.
                const ptrdiff_t used = p - chunkStart; // may be past 60 already
                const size_t limit = std::min(t.size(), pos + (used < 60 ? size_t(60 - used) : 0));
                const size_t end = QuotableEnd(t.data(), pos, limit);
                std::memcpy(p, t.data() + pos, end - pos);
                p += end - pos;
                pos = end;
            } else {
                if (quoted) {
                    p = PutText(p, "', ");
                    quoted = false;
                } else if (p > chunkStart) {
                    p = PutText(p, ", ");
                }
                *p++ = '$';
                *p++ = kHexDigits[b >> 4];
                *p++ = kHexDigits[b & 15];
            }
        }
        if (quoted) *p++ = '\'';
        if (firstChunk && p == chunkStart) p -= 2; // an empty text: no ", " before the ", 0"
        firstChunk = false;
    }
    return PutText(p, ", 0\r\n");
}

// What every unit of one run shares: the items in number order, the ranges
// of the language units, each item's label line, and the jump tables, which
// are the same in every language unit.
struct TUnitPlan {
    // The numbers come with the sort, so that the items need not be visited
    // again for them.
    explicit TUnitPlan(const TResStringList& strings) : Items(strings.SortedByNumberId(false, &Numbers))
    {
        m_LabelEnds.reserve(Items.size());
        m_Labels.reserve(Items.size() * 16);
        for (size_t i = 0; i < Items.size(); ++i) {
            if (i == 0 || StartsNewRange(Numbers[i - 1], Numbers[i])) Ranges.push_back({i, i});
            else Ranges.back().second = i;
            // The range checks compare signed while every number fits 0..$7FFF;
            // beyond that they must compare unsigned, or numbers from $8000 on
            // are never found.
            if (Numbers[i] < 0 || Numbers[i] > 0x7FFF) UnsignedJumps = true;
            char line[32];
            char* p = PutText(line, "@S");
            p = PutHex(p, Numbers[i], 4);
            p = PutText(p, ":  DB   $");
            m_Labels.append(line, size_t(p - line));
            m_LabelEnds.push_back(m_Labels.size());
        }
    }
    // "@S" and the item's number, up to the "$" of its length byte.
    std::string_view Label(size_t k) const
    {
        const size_t start = k == 0 ? 0 : m_LabelEnds[k - 1];
        return std::string_view(m_Labels).substr(start, m_LabelEnds[k] - start);
    }
    // From the first range check to "@Null:"'s JMP, made once.
    const std::string& Tables() const
    {
        if (!m_Tables) m_Tables = ComposedText([this](TTextOut& u) { ComposeTables(u); });
        return *m_Tables;
    }

    std::vector<int32_t> Numbers; // of Items, side by side for the tables; made before Items
    TResStringSortArray Items;
    std::vector<std::pair<size_t, size_t>> Ranges; // first and last position in Items
    bool UnsignedJumps = false;

private:
    void ComposeTables(TTextOut& u) const
    {
        const std::string_view jLess = UnsignedJumps ? "         JB    @Null" : "         JL    @Null";
        const std::string_view jGreater = UnsignedJumps ? "         JA    " : "         JG    ";
        int64_t previousFirst = 0;
        for (size_t n = 0; n < Ranges.size(); ++n) {
            const int64_t first = Numbers[Ranges[n].first];
            const int64_t last = Numbers[Ranges[n].second];
            const std::string rangeNo = std::to_string(n + 1);
            if (n > 0) {
                u.Put("@Range");
                u.Put(rangeNo);
                u.Line(":");
            }
            u.Put("         SUB   BX, $");
            PutHex(u, first - previousFirst, 4);
            u.Line();
            u.Line(jLess);
            u.Put("         CMP   BX, $");
            PutHex(u, last - first, 4);
            u.Line();
            u.Put(jGreater);
            if (n + 1 < Ranges.size()) {
                u.Put("@Range");
                u.Line(std::to_string(n + 2));
            } else {
                u.Line("@Null");
            }
            u.Put("         SHL   BX, 1\r\n         MOV   AX, CS:[ OFFSET @Tab");
            u.Put(rangeNo);
            u.Put(" + BX ]\r\n         JMP   @Exit\r\n@Tab");
            u.Put(rangeNo);
            u.Line(":");
            size_t k = Ranges[n].first;
            int onLine = 0;
            for (int64_t v = first; v <= last; ++v) {
                char* p = u.Room(48);
                p = PutText(p, onLine == 0 ? std::string_view("         DW    ") : std::string_view(", "));
                if (Numbers[k] == v) {
                    p = PutHex(PutText(p, "OFFSET @S"), v, 4);
                    ++k;
                } else {
                    p = PutText(p, "0             ");
                }
                if (++onLine == 4 || v == last) {
                    p = PutText(p, "\r\n");
                    onLine = 0;
                }
                u.Advance(p);
            }
            u.Line();
            previousFirst = first;
        }

        u.Put("@Null:\r\n         XOR   AX, AX\r\n         JMP   @Exit\r\n\r\n");
    }

    std::string m_Labels;
    std::vector<size_t> m_LabelEnds;
    mutable std::optional<std::string> m_Tables;
};

const std::string kNoText;

// The language units of several languages, composed side by side in one walk
// over the items, so that each item's texts are looked at once for all of
// them; outs[i] receives the unit of languages[i].
//
// A unit's language and its chain of source languages get ranks 0, 1, 2...
// (a chain that comes back ends after as many steps as there are languages),
// and an item's text is the first text, in list order, of the lowest rank:
// what looking up the language and then each source language in turn finds.
void ComposeLanguageUnits(const TResProject& project, const TUnitPlan& plan,
                          const std::vector<const TResLanguageItem*>& languages, const std::vector<TTextOut*>& outs)
{
    const TResLanguageList& list = *project.Languages();
    // Each language that a chain reaches gets a slot, which holds an item's
    // first text in that language; a unit's chain is its slots by rank.
    std::vector<int> slotOfId(static_cast<size_t>(std::max(list.NextID(), 0)), -1);
    std::vector<std::vector<int>> chains;
    int slots = 0;
    for (const TResLanguageItem* language : languages) {
        std::vector<int> chain;
        int steps = list.Count();
        for (const TResLanguageItem* l = language; l && steps-- > 0; l = l->SourceLanguage()) {
            const auto id = static_cast<size_t>(l->ID());
            if (id >= slotOfId.size()) continue;
            if (slotOfId[id] < 0) slotOfId[id] = slots++;
            if (std::find(chain.begin(), chain.end(), slotOfId[id]) == chain.end()) chain.push_back(slotOfId[id]);
        }
        chains.push_back(std::move(chain));
    }

    for (size_t u = 0; u < languages.size(); ++u) {
        TTextOut& out = *outs[u];
        out.Put("unit ");
        out.Put(UnitNameFromFileName(languages[u]->ResFileName()));
        out.Line(";");
        out.Put(
            "\r\ninterface\r\n\r\nuses Objects;\r\n\r\nfunction StringGetter( AId: Word ): PString;\r\n\r\n"
            "implementation\r\n\r\nuses RString;\r\n\r\n"
            "function StringGetter( AId: Word ): PString; assembler;\r\nasm\r\n         MOV   BX, [AId]\r\n");
        out.Put(plan.Tables());
    }

    const TResStringSortArray& items = plan.Items;
    std::vector<const std::string*> own(static_cast<size_t>(slots));
    // Each unit's text of the item, and where the unit's lines for it lie in
    // its buffer: a unit with the same text as one before it (a language
    // that falls back to the same source, or to the other) copies its lines.
    std::vector<const std::string*> found(languages.size());
    std::vector<std::string_view> lines(languages.size());
    std::string withoutLf;
    for (size_t k = 0; k < items.size(); ++k) {
        FetchAheadWithTexts(items, k);
        std::fill(own.begin(), own.end(), nullptr);
        const TResStringConstList& texts = *items[k]->StringConsts();
        for (int i = 0; i < texts.Count(); ++i) {
            const TResStringConstItem* text = texts.Items(i);
            const auto id = static_cast<size_t>(text->LanguageId()); // -1 becomes too large
            if (id >= slotOfId.size() || slotOfId[id] < 0) continue;
            const std::string*& first = own[static_cast<size_t>(slotOfId[id])];
            if (!first) first = &text->Value();
        }
        const std::string_view label = plan.Label(k);
        for (size_t u = 0; u < languages.size(); ++u) {
            found[u] = &kNoText;
            for (const int slot : chains[u])
                if (own[static_cast<size_t>(slot)]) {
                    found[u] = own[static_cast<size_t>(slot)];
                    break;
                }
            TTextOut& out = *outs[u];
            const auto same = std::find(found.begin(), found.begin() + ptrdiff_t(u), found[u]);
            if (same != found.begin() + ptrdiff_t(u)) {
                const std::string_view copy = lines[size_t(same - found.begin())];
                out.Advance(PutText(out.Room(copy.size()), copy));
                continue;
            }
            std::string_view t = *found[u];
            if (std::memchr(t.data(), '\n', t.size())) {
                // Line feeds are left out: a line break stored as CR LF is written as CR.
                withoutLf.assign(t);
                std::erase(withoutLf, '\n');
                t = withoutLf;
            }
            // The item's lines in one piece of the buffer, which stays there
            // until the unit asks for room again.
            char* const start = out.Room(label.size() + 2 + ChunksRoom(t.size()));
            char* p = PutText(start, label);
            const size_t length = std::min<size_t>(t.size(), 255); // the length byte: two digits
            *p++ = kHexDigits[length >> 4];
            *p++ = kHexDigits[length & 15];
            p = PutChunks(p, t);
            out.Advance(p);
            lines[u] = std::string_view(start, size_t(p - start));
        }
    }

    for (size_t u = 0; u < languages.size(); ++u) {
        TTextOut& out = *outs[u];
        out.Put(
            "\r\n@Exit:\r\n         XOR   DX, DX\r\n         OR    AX, AX\r\n         JZ    @Exit2\r\n"
            "         MOV   DX, CS\r\n@Exit2:\r\nend;\r\n\r\nbegin\r\n  RSRegister( rsl");
        out.Put(languages[u]->TextId());
        out.Put(", StringGetter );\r\nend.\r\n");
        out.Flush();
    }
}

// The units of the languages, each to its sink.
void LanguageUnitsOf(const TResProject& project, const TUnitPlan& plan,
                     const std::vector<const TResLanguageItem*>& languages, const TFileBatch::TSinks& sinks)
{
    std::vector<std::unique_ptr<TTextOut>> outs;
    std::vector<TTextOut*> raw;
    for (const TUnitSink& sink : sinks) {
        outs.push_back(std::make_unique<TTextOut>(sink));
        raw.push_back(outs.back().get());
    }
    ComposeLanguageUnits(project, plan, languages, raw);
}

void ComposeConstUnit(const TResProject& project, const TUnitPlan& plan, TTextOut& u)
{
    const TResStringSortArray& items = plan.Items;
    size_t width = 0;
    for (size_t k = 0; k < items.size(); ++k) {
        FetchAhead(items, k);
        width = std::max(width, items[k]->TextId().size());
    }
    u.Put("unit ");
    u.Put(UnitNameFromFileName(project.ConstFileName()));
    u.Put(";\r\n\r\ninterface\r\n\r\nuses RString;\r\n\r\nconst\r\n");
    // One line: "  " + prefix + the text ID padded to the width + the number.
    auto line = [&](const TResStringItem* item, const std::string& prefix, std::string_view before,
                    std::string_view after) {
        const std::string& id = item->TextId();
        char* p = u.Room(prefix.size() + width + before.size() + after.size() + 32);
        p = PutText(p, "  ");
        p = PutText(p, prefix);
        p = PutText(p, id);
        std::memset(p, ' ', width - id.size());
        p += width - id.size();
        p = PutText(p, before);
        p = PutHex(p, item->NumberId(), 4);
        p = PutText(p, after);
        u.Advance(p);
    };
    // The items lie far apart in memory: each walk fetches ahead.
    for (size_t k = 0; k < items.size(); ++k) {
        FetchAhead(items, k);
        line(items[k], project.StringIdPrefix(), " = $", ";\r\n");
    }
    u.Put("\r\nconst\r\n");
    for (size_t k = 0; k < items.size(); ++k) {
        FetchAhead(items, k);
        line(items[k], project.PtrIdPrefix(), " = PRString( Ptr( 0, $", " ) );\r\n");
    }
    u.Put("\r\nimplementation\r\n\r\nend.\r\n");
    u.Flush();
}

void LanguageUnitOf(const TResProject& project, const TUnitPlan& plan, const TResLanguageItem* language,
                    const TUnitSink& sink)
{
    LanguageUnitsOf(project, plan, {language}, {sink});
}

void ConstUnitOf(const TResProject& project, const TUnitPlan& plan, const TUnitSink& sink)
{
    TTextOut out(sink);
    ComposeConstUnit(project, plan, out);
}

// A unit's text as a whole.
std::string UnitText(const std::function<void(const TUnitSink&)>& compose)
{
    std::string text;
    compose([&text](std::string_view piece) { text.append(piece); });
    return text;
}

} // namespace

const std::string& TResProject::TextForLanguage(const TResStringItem* item, const TResLanguageItem* language) const
{
    // A chain of source languages that comes back ends with the empty text:
    // it can take at most as many steps as there are languages.
    int steps = m_Languages->Count();
    for (const TResLanguageItem* l = language; l; l = l->SourceLanguage()) {
        if (steps-- <= 0) return kNoText;
        if (const TResStringConstItem* text = item->StringConsts()->FindByLanguage(l)) return text->Value();
    }
    return kNoText;
}

std::string TResProject::LanguageUnitText(const TResLanguageItem* language) const
{
    const TUnitPlan plan(*m_Strings);
    return UnitText([&](const TUnitSink& sink) { LanguageUnitOf(*this, plan, language, sink); });
}

std::string TResProject::ConstUnitText() const
{
    const TUnitPlan plan(*m_Strings);
    return UnitText([&](const TUnitSink& sink) { ConstUnitOf(*this, plan, sink); });
}

std::string TResProject::OutputPath(const std::string& fileName, const std::string* outputDir) const
{
    std::error_code ec;
    fs::path dir;
    if (outputDir) {
        dir = fs::absolute(fs::path(Slashes(*outputDir)), ec);
    } else {
        // Relative output folders are taken from the project file's folder.
        fs::path base =
            m_FileName.empty() ? fs::current_path(ec) : fs::absolute(fs::path(m_FileName), ec).parent_path();
        dir = base / fs::path(Slashes(PathFromModel(m_OutputDirectory)));
    }
    std::string path = dir.lexically_normal().generic_string();
    if (!EndsWithDelimiter(path)) path += '/';
    return path + Slashes(PathFromModel(fileName));
}

std::string TResProject::ComposedOutputPath(const std::string& fileName, const std::string* outputDir) const
{
    const std::string dir = outputDir ? *outputDir : PathFromModel(m_OutputDirectory);
    const std::string name = PathFromModel(fileName);
    if (dir.empty()) return name;
    return EndsWithDelimiter(dir) ? dir + name : dir + "/" + name;
}

namespace {

// True when the file at path holds exactly content.
bool FileHolds(const std::string& path, std::string_view content)
{
    std::error_code ec;
    if (fs::file_size(fs::path(path), ec) != content.size() || ec) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string existing(content.size(), '\0');
    const bool same = std::fread(existing.data(), 1, existing.size(), file) == existing.size() &&
        std::fgetc(file) == EOF && existing == content;
    std::fclose(file);
    return same;
}

// What becomes of a unit at path: kept (an existing file the prompt keeps,
// or that holds the text already and the prompt keeps such files), added to
// the batch with its text (when the text had to be composed to be compared),
// or to be written as it is composed. A new file is always written.
enum class TUnitFate { Kept, Added, Compose };
TUnitFate DecideUnit(TFileBatch& batch, const std::string& path, const std::string& displayPath,
                     TOverwritePrompt& prompt, const TFileWriter::TContentProducer& produce)
{
    if (!FileExists(path)) return TUnitFate::Compose;
    const std::string shown = fs::path(path).lexically_normal().string();
    if (prompt.KeepsUnchanged()) {
        const std::string text = UnitText(produce);
        if (FileHolds(path, text)) {
            prompt.Unchanged(shown);
            return TUnitFate::Kept;
        }
        if (!prompt.AskOverwrite(shown)) return TUnitFate::Kept;
        batch.Add(path, text, displayPath);
        return TUnitFate::Added;
    }
    return prompt.AskOverwrite(shown) ? TUnitFate::Compose : TUnitFate::Kept;
}

// Adds the unit at path to the batch unless it is kept; produce writes the
// unit's text, straight into the file unless it must be compared first.
void AddUnit(TFileBatch& batch, const std::string& path, const std::string& displayPath, TOverwritePrompt& prompt,
             const TFileWriter::TContentProducer& produce)
{
    if (DecideUnit(batch, path, displayPath, prompt, produce) == TUnitFate::Compose)
        batch.Add(path, produce, displayPath);
}

} // namespace

// Units can be generated again: the batches do not wait for the disk.

void TResProject::WriteConstUnit(TOverwritePrompt& prompt, const std::string* outputDir) const
{
    const TUnitPlan plan(*m_Strings);
    TFileBatch batch(DefaultFileWriter());
    AddUnit(batch, OutputPath(m_ConstFileName, outputDir), ComposedOutputPath(m_ConstFileName, outputDir), prompt,
            [&](const TUnitSink& sink) { ConstUnitOf(*this, plan, sink); });
    batch.Commit();
}

void TResProject::WriteLanguageUnit(const TResLanguageItem* language, TOverwritePrompt& prompt,
                                    const std::string* outputDir) const
{
    const TUnitPlan plan(*m_Strings);
    TFileBatch batch(DefaultFileWriter());
    AddUnit(batch, OutputPath(language->ResFileName(), outputDir),
            ComposedOutputPath(language->ResFileName(), outputDir), prompt,
            [&](const TUnitSink& sink) { LanguageUnitOf(*this, plan, language, sink); });
    batch.Commit();
}

void TResProject::WriteUnits(TOverwritePrompt& prompt, const std::string* outputDir) const
{
    // Every unit goes into its temporary file first; only when all of them are
    // written are they renamed, so the units never disagree on the numbers.
    // Each unit's text goes to its file as it is composed; the items are
    // sorted once for all units, and the language units are composed side
    // by side, in one walk over the items.
    const TUnitPlan plan(*m_Strings);
    TFileBatch batch(DefaultFileWriter());
    AddUnit(batch, OutputPath(m_ConstFileName, outputDir), ComposedOutputPath(m_ConstFileName, outputDir), prompt,
            [&](const TUnitSink& sink) { ConstUnitOf(*this, plan, sink); });
    std::vector<const TResLanguageItem*> composed;
    for (int i = 0; i < m_Languages->Count(); ++i) {
        const TResLanguageItem* language = m_Languages->Items(i);
        const std::string path = OutputPath(language->ResFileName(), outputDir);
        const std::string displayPath = ComposedOutputPath(language->ResFileName(), outputDir);
        if (DecideUnit(batch, path, displayPath, prompt, [&](const TUnitSink& sink) {
                LanguageUnitOf(*this, plan, language, sink);
            }) != TUnitFate::Compose)
            continue;
        batch.Open(path, displayPath);
        composed.push_back(language);
    }
    batch.WriteOpened([&](const TFileBatch::TSinks& sinks) { LanguageUnitsOf(*this, plan, composed, sinks); });
    batch.Commit();
}
