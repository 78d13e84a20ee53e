// SaveToFile: composes the project file text and replaces the file whole.
#include "uProject.h"

#include "uCodePage.h"
#include "uFileWrite.h"
#include "uTextOut.h"
#include "uWords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace {

// The bytes written between apostrophes: 32 to 127 except the apostrophe.
bool IsPrintableAscii(unsigned char b) { return b >= 32 && b <= 127 && b != 39; }
bool AllPrintableAscii(uint64_t w)
{
    return !(w & Words::kHighs) && !Words::HasByteBelow(w, 32) && !Words::HasByte(w, 39);
}
// Where the run of printable ASCII from i ends, at limit at the most.
size_t PrintableAsciiEnd(const char* data, size_t i, size_t limit)
{
#if QUILLET_BYTES16
    for (; i + 16 <= limit; i += 16) {
        const Bytes16::TBytes v = Bytes16::At(data + i);
        if (const unsigned others = Bytes16::Highs(v) | Bytes16::Below(v, 32) | Bytes16::Equal(v, 39))
            return i + Bytes16::First(others);
    }
#endif
    while (i + 8 <= limit && AllPrintableAscii(Words::At(data + i))) i += 8;
    while (i < limit && IsPrintableAscii(static_cast<unsigned char>(data[i]))) ++i;
    return i;
}

// Names, values and line breaks through raw pointers into the room each line
// needs at most.
class TRprWriter {
public:
    explicit TRprWriter(TTextOut& out) : m_Out(out) {}

    void Put(std::string_view s) { m_Out.Put(s); }
    void NewLine() { m_Out.Line(); }

    void IntegerLine(int level, std::string_view name, int64_t value)
    {
        char* p = LineStart(level, name, 24 + 2);
        p = std::to_chars(p, p + 24, value).ptr;
        m_Out.Advance(LineEnd(p));
    }

    void BooleanLine(int level, std::string_view name, bool value)
    {
        char* p = LineStart(level, name, 8 + 2);
        m_Out.Advance(LineEnd(PutText(p, value ? "True" : "False")));
    }

    void StringLine(int level, std::string_view name, const std::string& value)
    {
        char* p = LineStart(level, name, StringValueRoom(level, value.size()) + 2);
        m_Out.Advance(LineEnd(StringValue(p, level, value)));
    }

    // An item list on a property line of the given level; writeItem(i, level)
    // writes the property lines of item i.
    template <class TWriteItem> void ItemList(int level, std::string_view name, int count, const TWriteItem& writeItem)
    {
        char* p = PutText(Indent(m_Out.Room(2 * size_t(level) + kIndentSlack + name.size() + 4), level), name);
        m_Out.Advance(PutText(p, " = <"));
        for (int i = 0; i < count; ++i) {
            p = m_Out.Room(2 * size_t(level) + kIndentSlack + 10);
            p = Indent(LineEnd(p), level + 1);
            m_Out.Advance(LineEnd(PutText(p, "item")));
            writeItem(i, level + 2);
            m_Out.Advance(PutText(Indent(m_Out.Room(2 * size_t(level) + kIndentSlack + 5), level + 1), "end"));
        }
        m_Out.Advance(LineEnd(PutText(m_Out.Room(3), ">")));
    }

private:
    // Room for an indentation is asked for with kIndentSlack bytes more: the
    // usual ones are copied as a whole block of spaces, in one move.
    static constexpr size_t kIndentSlack = 16;
    static char* Indent(char* p, int level)
    {
        const size_t n = 2 * size_t(level);
        if (n <= kIndentSlack) std::memcpy(p, "                ", kIndentSlack);
        else std::memset(p, ' ', n);
        return p + n;
    }

    // The escape of each byte that is not written between apostrophes: "#"
    // and the decimal value of its UTF-16 unit (every byte of the code page
    // is one), padded to a fixed size so that it is copied in one move.
    struct TEscape {
        char Text[8];
        size_t Length;
    };
    static const std::array<TEscape, 256>& Escapes()
    {
        static const std::array<TEscape, 256> table = [] {
            std::array<TEscape, 256> t{};
            for (int b = 0; b < 256; ++b) {
                const std::string text = "#" + std::to_string(CodePage::ByteToUnit(static_cast<unsigned char>(b)));
                std::memcpy(t[size_t(b)].Text, text.data(), text.size());
                t[size_t(b)].Length = text.size();
            }
            return t;
        }();
        return table;
    }
    static char* LineEnd(char* p)
    {
        *p++ = '\r';
        *p++ = '\n';
        return p;
    }
    // The indentation, the name and " = " in room for them and valueRoom more.
    char* LineStart(int level, std::string_view name, size_t valueRoom)
    {
        char* p = Indent(m_Out.Room(2 * size_t(level) + kIndentSlack + name.size() + 3 + valueRoom), level);
        return PutText(PutText(p, name), " = ");
    }

    // The most StringValue writes for n bytes: an escape of at most six
    // characters for every byte (copied as eight, so two more at the end),
    // and a line break with its indentation before every 64 characters.
    static size_t StringValueRoom(int level, size_t n)
    {
        return n * 6 + 2 + (n / 64 + 2) * (4 + 2 * size_t(level + 1));
    }

    // A string value on a property line of the given level: runs of printable
    // ASCII between apostrophes, "#" escapes with Unicode values for the rest,
    // at most 64 characters to a line.
    static char* StringValue(char* p, int level, const std::string& value)
    {
        const size_t n = value.size();
        if (n == 0) return PutText(p, "''");
        const size_t indent = 2 * static_cast<size_t>(level + 1);
        const auto lineBreak = [&p, indent] {
            *p++ = '\r';
            *p++ = '\n';
            std::memset(p, ' ', indent);
            p += indent;
        };
        if (n > 64) lineBreak();
        size_t i = 0;
        size_t onLine = 0;
        while (i < n) {
            const auto b = static_cast<unsigned char>(value[i]);
            // Every byte of the code page is one UTF-16 unit; those from 128
            // on are all above 127.
            if (!IsPrintableAscii(b)) {
                const TEscape& escape = Escapes()[b];
                std::memcpy(p, escape.Text, sizeof escape.Text);
                p += escape.Length;
                ++i;
                ++onLine;
            } else {
                // A run of printable ASCII: the bytes are the characters, found
                // many at a time (PrintableAsciiEnd).
                const size_t limit = i + std::min(n - i, 64 - onLine);
                const size_t end = PrintableAsciiEnd(value.data(), i + 1, limit);
                *p++ = '\'';
                std::memcpy(p, value.data() + i, end - i);
                p += end - i;
                *p++ = '\'';
                onLine += end - i;
                i = end;
            }
            if (onLine == 64 && i < n) {
                *p++ = ' ';
                *p++ = '+';
                lineBreak();
                onLine = 0;
            }
        }
        return p;
    }

    TTextOut& m_Out;
};

void WriteLanguages(TRprWriter& w, const TResLanguageList& languages)
{
    w.ItemList(1, "Languages", languages.Count(), [&](int i, int level) {
        const TResLanguageItem* language = languages.Items(i);
        if (!language->TextId().empty()) w.StringLine(level, "TextId", language->TextId());
        if (language->SourceLanguageId() != -1) w.IntegerLine(level, "SourceLanguageId", language->SourceLanguageId());
        w.BooleanLine(level, "Visible", language->Visible());
        if (!language->ResFileName().empty()) w.StringLine(level, "ResFileName", language->ResFileName());
    });
}

void WriteTexts(TRprWriter& w, int level, const TResStringConstList& texts)
{
    w.ItemList(level, "StringConsts", texts.Count(), [&](int i, int itemLevel) {
        const TResStringConstItem* text = texts.Items(i);
        if (!text->Value().empty()) w.StringLine(itemLevel, "Value", text->Value());
        if (text->LanguageId() != -1) w.IntegerLine(itemLevel, "LanguageId", text->LanguageId());
    });
}

void WriteStrings(TRprWriter& w, const TResStringList& strings)
{
    w.ItemList(1, "Strings", strings.Count(), [&](int i, int level) {
        FetchAheadWithTexts(strings, i);
        const TResStringItem* item = strings.Items(i);
        if (!item->TextId().empty()) w.StringLine(level, "TextId", item->TextId());
        w.IntegerLine(level, "NumberId", item->NumberId());
        if (item->Standard()) w.BooleanLine(level, "Standard", true);
        if (item->FixedId()) w.BooleanLine(level, "FixedId", true);
        WriteTexts(w, level, *item->StringConsts());
    });
}

} // namespace

namespace {

// A little more than the text will take, so that it never regrows: every
// text value at most twice its length (escapes are rare), plus the lines
// around it. What is reserved and never written costs no memory.
size_t EstimatedSize(const TResProject& p)
{
    size_t size = 4096;
    for (int l = 0; l < p.Languages()->Count(); ++l)
        size += 160 + 2 * (p.Languages()->Items(l)->TextId().size() + p.Languages()->Items(l)->ResFileName().size());
    for (int i = 0; i < p.Strings()->Count(); ++i) {
        const TResStringItem* item = p.Strings()->Items(i);
        size += 160 + 2 * item->TextId().size();
        const TResStringConstList& texts = *item->StringConsts();
        for (int k = 0; k < texts.Count(); ++k) size += 96 + 2 * texts.Items(k)->Value().size();
    }
    return size + size / 8;
}

} // namespace

namespace {

// The whole project file text, into w.
void ComposeProject(const TResProject& p, TRprWriter& w)
{
    w.Put("object ");
    if (!p.Name().empty()) {
        w.Put(p.Name());
        w.Put(": ");
    }
    w.Put("TResProject");
    w.NewLine();
    if (p.Tag() != 0) w.IntegerLine(1, "Tag", p.Tag());
    WriteLanguages(w, *p.Languages());
    w.IntegerLine(1, "Strings.NumberIdBase", p.Strings()->NumberIdBase());
    WriteStrings(w, *p.Strings());
    const std::pair<const char*, const std::string*> options[] = {
        {"OutputDirectory", &p.OutputDirectory()},
        {"ConstFileName", &p.ConstFileName()},
        {"StringIdPrefix", &p.StringIdPrefix()},
        {"PtrIdPrefix", &p.PtrIdPrefix()},
        {"Comment", &p.Comment()},
    };
    for (const auto& [name, value] : options)
        if (!value->empty()) w.StringLine(1, name, *value);
    if (p.Left() != 0) w.IntegerLine(1, "Left", p.Left());
    if (p.Top() != 0) w.IntegerLine(1, "Top", p.Top());
    w.Put("end");
    w.NewLine();
}

void Compose(const TResProject& p, TTextOut& out)
{
    TRprWriter w(out);
    ComposeProject(p, w);
    out.Flush();
}

} // namespace

std::string TResProject::SaveToText() const
{
    return ComposedText([this](TTextOut& out) { Compose(*this, out); }, EstimatedSize(*this));
}

void TResProject::SaveToFile(const std::string& path) { SaveToFile(path, DefaultFileWriter()); }

void TResProject::SaveToFile(const std::string& path, TFileWriter& writer)
{
    // Written as it is composed: the text is never held whole.
    writer.ReplaceWhole(
        path,
        [this](const TFileWriter::TContentSink& sink) {
            TTextOut out(sink);
            Compose(*this, out);
        },
        path);
    m_FileName = path;
    m_Modified = false;
}
