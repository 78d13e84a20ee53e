// The generated Pascal units: one per language, and the constants unit.
#include "uProject.h"
#include "uText.h"

#include "uErrors.h"
#include "uFileWrite.h"
#include "uOverwritePrompt.h"

#include <cstdio>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

// Upper-case hexadecimal with at least `digits` digits; a negative value is
// written as the eight digits of its 32-bit two's complement.
void AppendHex(std::string& out, int64_t value, int digits)
{
    uint64_t v = value < 0 ? uint64_t(static_cast<uint32_t>(value)) : uint64_t(value);
    if (value < 0) digits = 8;
    static const char kDigits[] = "0123456789ABCDEF";
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = kDigits[v % 16];
        v /= 16;
    } while (v);
    for (int i = n; i < digits; ++i) out += '0';
    while (n) out += buffer[--n];
}

std::string Hex(int64_t value, int digits)
{
    std::string s;
    AppendHex(s, value, digits);
    return s;
}

std::string Hex4(int64_t value) { return Hex(value, 4); }

class TUnitText {
public:
    std::string Text;
    void Line(std::string_view s = {})
    {
        Text += s;
        Text += "\r\n";
    }
};

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool EndsWithDelimiter(const std::string& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

// The text's bytes after the length byte: chunks of at most 60 characters,
// printable bytes quoted, the others as $hh numbers, then ", 0".
void AppendChunks(std::string& out, std::string_view t)
{
    size_t pos = 0;
    bool firstChunk = true;
    while (firstChunk || pos < t.size()) {
        if (!firstChunk) out += "\r\n         DB   ";
        const size_t chunkStart = out.size();
        bool quoted = false;
        while (pos < t.size() && out.size() - chunkStart < 60) {
            unsigned char b = static_cast<unsigned char>(t[pos++]);
            bool printable = (b >= 32 && b <= 126 && b != 39) || b >= 128;
            if (printable) {
                if (!quoted) {
                    if (out.size() > chunkStart) out += ", ";
                    out += '\'';
                    quoted = true;
                }
                out += static_cast<char>(b);
            } else {
                if (quoted) {
                    out += "', ";
                    quoted = false;
                } else if (out.size() > chunkStart) {
                    out += ", ";
                }
                out += '$';
                AppendHex(out, b, 2);
            }
        }
        if (quoted) out += '\'';
        // The first chunk follows the length byte on the label line.
        if (firstChunk && out.size() > chunkStart) out.insert(chunkStart, ", ");
        firstChunk = false;
    }
    out += ", 0\r\n";
}

const std::string kNoText;

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
    const TResStringSortArray items = m_Strings->SortedByNumberId(false);

    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || StartsNewRange(items[i - 1]->NumberId(), items[i]->NumberId())) ranges.push_back({i, i});
        else ranges.back().second = i;
    }
    // The range checks compare signed while every number fits 0..$7FFF; beyond
    // that they must compare unsigned, or numbers from $8000 on are never found.
    bool unsignedJumps = false;
    for (const TResStringItem* item : items)
        if (item->NumberId() < 0 || item->NumberId() > 0x7FFF) unsignedJumps = true;
    const char* jLess = unsignedJumps ? "         JB    " : "         JL    ";
    const char* jGreater = unsignedJumps ? "         JA    " : "         JG    ";

    const std::string unitName = UnitNameFromFileName(language->ResFileName());
    TUnitText u;
    u.Text.reserve(items.size() * 96 + 1024);
    u.Line("unit " + unitName + ";");
    u.Line();
    u.Line("interface");
    u.Line();
    u.Line("uses Objects;");
    u.Line();
    u.Line("function StringGetter( AId: Word ): PString;");
    u.Line();
    u.Line("implementation");
    u.Line();
    u.Line("uses RString;");
    u.Line();
    u.Line("function StringGetter( AId: Word ): PString; assembler;");
    u.Line("asm");
    u.Line("         MOV   BX, [AId]");

    int64_t previousFirst = 0;
    for (size_t n = 0; n < ranges.size(); ++n) {
        const int64_t first = items[ranges[n].first]->NumberId();
        const int64_t last = items[ranges[n].second]->NumberId();
        const std::string rangeNo = std::to_string(n + 1);
        if (n > 0) u.Line("@Range" + rangeNo + ":");
        u.Line("         SUB   BX, $" + Hex4(first - previousFirst));
        u.Line(std::string(jLess) + "@Null");
        u.Line("         CMP   BX, $" + Hex4(last - first));
        if (n + 1 < ranges.size()) u.Line(std::string(jGreater) + "@Range" + std::to_string(n + 2));
        else u.Line(std::string(jGreater) + "@Null");
        u.Line("         SHL   BX, 1");
        u.Line("         MOV   AX, CS:[ OFFSET @Tab" + rangeNo + " + BX ]");
        u.Line("         JMP   @Exit");
        u.Line("@Tab" + rangeNo + ":");
        size_t k = ranges[n].first;
        int onLine = 0;
        for (int64_t v = first; v <= last; ++v) {
            u.Text += onLine == 0 ? "         DW    " : ", ";
            if (items[k]->NumberId() == v) {
                u.Text += "OFFSET @S";
                AppendHex(u.Text, v, 4);
                ++k;
            } else {
                u.Text += "0             ";
            }
            if (++onLine == 4 || v == last) {
                u.Text += "\r\n";
                onLine = 0;
            }
        }
        u.Line();
        previousFirst = first;
    }

    u.Line("@Null:");
    u.Line("         XOR   AX, AX");
    u.Line("         JMP   @Exit");
    u.Line();

    std::string t;
    for (const TResStringItem* item : items) {
        t.assign(TextForLanguage(item, language));
        std::erase(t, '\n');
        u.Text += "@S";
        AppendHex(u.Text, item->NumberId(), 4);
        u.Text += ":  DB   $";
        AppendHex(u.Text, static_cast<int64_t>(std::min<size_t>(t.size(), 255)), 2);
        AppendChunks(u.Text, t);
    }

    u.Line();
    u.Line("@Exit:");
    u.Line("         XOR   DX, DX");
    u.Line("         OR    AX, AX");
    u.Line("         JZ    @Exit2");
    u.Line("         MOV   DX, CS");
    u.Line("@Exit2:");
    u.Line("end;");
    u.Line();
    u.Line("begin");
    u.Line("  RSRegister( rsl" + language->TextId() + ", StringGetter );");
    u.Line("end.");
    return u.Text;
}

std::string TResProject::ConstUnitText() const
{
    const TResStringSortArray items = m_Strings->SortedByNumberId(false);
    size_t width = 0;
    for (const TResStringItem* item : items) width = std::max(width, item->TextId().size());
    auto padded = [&](const TResStringItem* item) {
        std::string s = item->TextId();
        s.resize(width, ' ');
        return s;
    };
    TUnitText u;
    u.Line("unit " + UnitNameFromFileName(m_ConstFileName) + ";");
    u.Line();
    u.Line("interface");
    u.Line();
    u.Line("uses RString;");
    u.Line();
    u.Line("const");
    for (const TResStringItem* item : items)
        u.Line("  " + m_StringIdPrefix + padded(item) + " = $" + Hex4(item->NumberId()) + ";");
    u.Line();
    u.Line("const");
    for (const TResStringItem* item : items)
        u.Line("  " + m_PtrIdPrefix + padded(item) + " = PRString( Ptr( 0, $" + Hex4(item->NumberId()) + " ) );");
    u.Line();
    u.Line("implementation");
    u.Line();
    u.Line("end.");
    return u.Text;
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
bool FileHolds(const std::string& path, const std::string& content)
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

// Decides whether the unit at path is written: a new file always; an
// existing one when the prompt agrees, unless it already holds text and the
// prompt keeps such files. compose makes the unit's text, at most once.
bool MayWrite(const std::string& path, TOverwritePrompt& prompt, std::string& text,
              const std::function<std::string()>& compose)
{
    if (!FileExists(path)) return true;
    const std::string shown = fs::path(path).lexically_normal().string();
    if (prompt.KeepsUnchanged()) {
        text = compose();
        if (FileHolds(path, text)) {
            prompt.Unchanged(shown);
            return false;
        }
    }
    return prompt.AskOverwrite(shown);
}

} // namespace

// Units can be generated again: the batches do not wait for the disk.

void TResProject::WriteConstUnit(TOverwritePrompt& prompt, const std::string* outputDir) const
{
    const std::string path = OutputPath(m_ConstFileName, outputDir);
    std::string text;
    if (!MayWrite(path, prompt, text, [this] { return ConstUnitText(); })) return;
    if (text.empty()) text = ConstUnitText();
    TFileBatch batch(DefaultFileWriter());
    batch.Add(path, text, ComposedOutputPath(m_ConstFileName, outputDir));
    batch.Commit();
}

void TResProject::WriteLanguageUnit(const TResLanguageItem* language, TOverwritePrompt& prompt,
                                    const std::string* outputDir) const
{
    const std::string path = OutputPath(language->ResFileName(), outputDir);
    std::string text;
    if (!MayWrite(path, prompt, text, [this, language] { return LanguageUnitText(language); })) return;
    if (text.empty()) text = LanguageUnitText(language);
    TFileBatch batch(DefaultFileWriter());
    batch.Add(path, text, ComposedOutputPath(language->ResFileName(), outputDir));
    batch.Commit();
}

void TResProject::WriteUnits(TOverwritePrompt& prompt, const std::string* outputDir) const
{
    // Every unit goes into its temporary file first; only when all of them are
    // written are they renamed, so the units never disagree on the numbers.
    TFileBatch batch(DefaultFileWriter());
    const std::string constPath = OutputPath(m_ConstFileName, outputDir);
    std::string text;
    if (MayWrite(constPath, prompt, text, [this] { return ConstUnitText(); }))
        batch.Add(constPath, text.empty() ? ConstUnitText() : text, ComposedOutputPath(m_ConstFileName, outputDir));
    for (int i = 0; i < m_Languages->Count(); ++i) {
        const TResLanguageItem* language = m_Languages->Items(i);
        const std::string path = OutputPath(language->ResFileName(), outputDir);
        text.clear();
        if (MayWrite(path, prompt, text, [this, language] { return LanguageUnitText(language); }))
            batch.Add(path, text.empty() ? LanguageUnitText(language) : text,
                      ComposedOutputPath(language->ResFileName(), outputDir));
    }
    batch.Commit();
}
