// SaveToFile: composes the project file text and replaces the file whole.
#include "uProject.h"

#include "uCodePage.h"
#include "uFileWrite.h"
#include "uWords.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>

namespace {

// The bytes written between apostrophes: 32 to 127 except the apostrophe.
bool IsPrintableAscii(unsigned char b) { return b >= 32 && b <= 127 && b != 39; }
bool AllPrintableAscii(uint64_t w)
{
    return !(w & Words::kHighs) && !Words::HasByteBelow(w, 32) && !Words::HasByte(w, 39);
}

class TRprWriter {
public:
    std::string Text;
    // When set, the text goes to it whenever an item has ended and a good
    // part of it has gathered; otherwise the whole text stays in Text.
    const TFileWriter::TContentSink* Out = nullptr;
    static constexpr size_t kPiece = 256 * 1024;

    void Spill()
    {
        if (!Out || Text.size() < kPiece) return;
        (*Out)(Text);
        Text.clear();
    }

    void Indent(int level) { Text.append(static_cast<size_t>(level) * 2, ' '); }
    void NewLine() { Text += "\r\n"; }

    void IntegerLine(int level, const char* name, int64_t value)
    {
        Indent(level);
        Text += name;
        Text += " = ";
        char digits[24];
        Text.append(digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
        NewLine();
    }

    void BooleanLine(int level, const char* name, bool value)
    {
        Indent(level);
        Text += name;
        Text += value ? " = True" : " = False";
        NewLine();
    }

    void StringLine(int level, const char* name, const std::string& value)
    {
        Indent(level);
        Text += name;
        Text += " = ";
        StringValue(level, value);
        NewLine();
    }

    // A string value on a property line of the given level: runs of printable
    // ASCII between apostrophes, "#" escapes with Unicode values for the rest,
    // at most 64 characters to a line.
    void StringValue(int level, const std::string& value)
    {
        const size_t n = value.size();
        if (n == 0) {
            Text += "''";
            return;
        }
        // Written through a pointer into room for the worst case: an escape of
        // at most six characters for every byte, and a line break with its
        // indentation before every 64 characters.
        const size_t indent = 2 * static_cast<size_t>(level + 1);
        const size_t start = Text.size();
        Text.resize(start + n * 6 + (n / 64 + 2) * (4 + indent));
        char* p = Text.data() + start;
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
                char digits[8];
                int k = 0;
                for (unsigned v = CodePage::ByteToUnit(b); v || k == 0; v /= 10)
                    digits[k++] = static_cast<char>('0' + v % 10);
                *p++ = '#';
                while (k) *p++ = digits[--k];
                ++i;
                ++onLine;
            } else {
                // A run of printable ASCII: the bytes are the characters, eight
                // at a time where they fit.
                const size_t limit = i + std::min(n - i, 64 - onLine);
                size_t end = i + 1;
                while (end + 8 <= limit && AllPrintableAscii(Words::At(value.data() + end))) end += 8;
                while (end < limit && IsPrintableAscii(static_cast<unsigned char>(value[end]))) ++end;
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
        Text.resize(static_cast<size_t>(p - Text.data()));
    }

    // An item list on a property line of the given level.
    void ItemList(int level, const char* name, int count, const std::function<void(int, int)>& writeItem)
    {
        Indent(level);
        Text += name;
        Text += " = <";
        for (int i = 0; i < count; ++i) {
            NewLine();
            Indent(level + 1);
            Text += "item";
            NewLine();
            writeItem(i, level + 2);
            Indent(level + 1);
            Text += "end";
            Spill();
        }
        Text += '>';
        NewLine();
    }
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
    w.Text += "object ";
    if (!p.Name().empty()) w.Text += p.Name() + ": ";
    w.Text += "TResProject";
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
    w.Text += "end";
    w.NewLine();
}

} // namespace

std::string TResProject::SaveToText() const
{
    TRprWriter w;
    w.Text.reserve(EstimatedSize(*this));
    ComposeProject(*this, w);
    return std::move(w.Text);
}

void TResProject::SaveToFile(const std::string& path) { SaveToFile(path, DefaultFileWriter()); }

void TResProject::SaveToFile(const std::string& path, TFileWriter& writer)
{
    // Written as it is composed: the text is never held whole.
    writer.ReplaceWhole(
        path,
        [this](const TFileWriter::TContentSink& out) {
            TRprWriter w;
            w.Out = &out;
            w.Text.reserve(2 * TRprWriter::kPiece);
            ComposeProject(*this, w);
            out(w.Text);
        },
        path);
    m_FileName = path;
    m_Modified = false;
}
