#include "uRprLexer.h"

#include "uCodePage.h"
#include "uErrors.h"
#include "uText.h"
#include "uWords.h"

#include <array>
#include <charconv>
#include <cstring>

// ---------------------------------------------------------------------------
// Message texts

std::string MsgOnLine(std::string_view message, int line)
{
    return std::string(message) + " on line " + std::to_string(line);
}
std::string MsgSymbolExpected(char symbol) { return std::string("''") + symbol + "'' expected"; }
std::string MsgNoProperty(std::string_view name) { return "Property " + std::string(name) + " does not exist"; }
std::string MsgInvalidComponentName(std::string_view name)
{
    return "''" + CodePage::ToUtf8(name) + "'' is not a valid component name";
}
std::string MsgClassNotFound(std::string_view className) { return "Class " + std::string(className) + " not found"; }
std::string MsgErrorReading(std::string_view object, std::string_view property, std::string_view message)
{
    std::string s = "Error reading ";
    s.append(object).append(".").append(property).append(": ").append(message);
    return s;
}
std::string MsgNotRegularFile(const std::string& path) { return MsgCannotOpen(path) + ": it is not a regular file"; }
std::string MsgFileTooLarge(const std::string& path)
{
    return MsgCannotOpen(path) + ": it is too large to be a project file (more than 1 GiB)";
}

// ---------------------------------------------------------------------------
// String values

void TRprStringDecoder::BeginToken()
{
    m_TokenStart = m_Size;
    m_Wide = false;
    m_TokenHasHigh = false;
}

// A high surrogate that no low one followed is a character of its own.
void TRprStringDecoder::FlushSurrogate()
{
    if (!m_HighSurrogate) return;
    Push('?');
    m_HighSurrogate = 0;
    m_TokenStart = m_Size;
}

void TRprStringDecoder::Unit(char16_t u)
{
    if (m_HighSurrogate) {
        const bool pair = u >= 0xDC00 && u < 0xE000;
        Push('?'); // a pair is one character, and the code page has none above U+FFFF
        m_HighSurrogate = 0;
        if (pair) return;
    }
    if (u >= 0xD800 && u < 0xDC00) m_HighSurrogate = u;
    else Push(CodePage::UnitToByte(u));
}

void TRprStringDecoder::RunConverted(std::string_view bytes, bool above127)
{
    if (!m_Wide) {
        // Only a previous token can have left a surrogate waiting; this token's
        // text does not complete it.
        if (m_HighSurrogate && !bytes.empty()) FlushSurrogate();
        Append(bytes);
        m_TokenHasHigh = m_TokenHasHigh || above127;
        return;
    }
    if (!above127 && !m_HighSurrogate) {
        Append(bytes); // below 128, the bytes are the code page's
        return;
    }
    // Each byte is the unit of its number; a run below 128 is the same bytes
    // in the code page, unless a surrogate waits for its partner.
    size_t i = 0;
    while (i < bytes.size()) {
        if (!m_HighSurrogate) {
            const size_t ascii = i + Words::AsciiPrefix(bytes.data() + i, bytes.size() - i);
            Append(bytes.substr(i, ascii - i));
            i = ascii;
            if (i == bytes.size()) break;
        }
        Unit(static_cast<unsigned char>(bytes[i++]));
    }
}

void TRprStringDecoder::EscapeAny(uint32_t value, bool above127)
{
    if (above127 && !m_Wide) {
        // The token is Unicode after all: what it gave so far are Latin-1
        // characters, not code-page bytes. Each becomes one byte in place;
        // below 128, a byte is its own character, and mostly all are.
        m_Wide = true;
        if (m_TokenHasHigh)
            for (size_t i = m_TokenStart; i < m_Size; ++i)
                if (static_cast<unsigned char>(m_Data[i]) >= 0x80)
                    m_Data[i] = CodePage::UnitToByte(static_cast<unsigned char>(m_Data[i]));
        Escape(value, above127); // now as any escape of a Unicode token
        return;
    }
    if (m_Wide) Unit(static_cast<char16_t>(value));
    else {
        FlushSurrogate();
        Push(static_cast<char>(value));
    }
}

std::string_view TRprStringDecoder::Finish()
{
    FlushSurrogate();
    return {m_Data.get(), m_Size};
}

void TRprStringDecoder::Grow(size_t n)
{
    const size_t capacity = std::max(m_Size + n, 2 * m_Capacity + 256);
    std::unique_ptr<char[]> data(new char[capacity]);
    if (m_Size) std::memcpy(data.get(), m_Data.get(), m_Size);
    m_Data = std::move(data);
    m_Capacity = capacity;
}

namespace {

constexpr bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
constexpr bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

// Per byte, for the loops that run over most of the text.
template <class TTest> constexpr std::array<bool, 256> ByteTable(TTest test)
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) table[size_t(c)] = test(static_cast<unsigned char>(c));
    return table;
}
constexpr std::array<bool, 256> kIdentChar = ByteTable(IsIdentChar);
constexpr std::array<bool, 256> kEndsQuotedRun =
    ByteTable([](unsigned char c) { return c == '\'' || c == '\r' || c == '\n'; });
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(unsigned char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// Takes a string token's pieces when only its end is wanted.
struct TNoStringSink {
    void BeginToken() {}
    void Run(std::string_view, bool) {}
    void Escape(uint32_t, bool) {}
};

} // namespace

// ---------------------------------------------------------------------------
// Tokens

// Where the quoted run from pos ends: at its apostrophe, or at a line end or
// the end of the text, which leave it unfinished. Every byte of the run is
// or'ed into seen.
[[gnu::always_inline]] inline size_t QuotedRunEnd(const char* data, size_t pos, size_t size, uint64_t& seen)
{
    size_t end = pos;
#if QUILLET_BYTES16
    for (; end + 16 <= size; end += 16) {
        const Bytes16::TBytes v = Bytes16::At(data + end);
        const unsigned highs = Bytes16::Highs(v);
        const unsigned stops = Bytes16::Equal(v, '\'') | Bytes16::Equal(v, '\r') | Bytes16::Equal(v, '\n');
        if (stops) {
            const size_t k = Bytes16::First(stops);
            if (highs & ((1u << k) - 1)) seen |= Words::kHighs;
            return end + k;
        }
        if (highs) seen |= Words::kHighs;
    }
#endif
    while (end + 8 <= size) {
        // CR and LF are both below 14, where little else is: a byte of the
        // word that is an apostrophe or below 14 stops the word.
        const uint64_t w = Words::At(data + end);
        const uint64_t stops = Words::ZeroMask(w ^ (Words::kOnes * '\'')) | Words::BelowMask(w, 14);
        if (!stops) {
            seen |= w;
            end += 8;
            continue;
        }
        if constexpr (std::endian::native != std::endian::little) break; // the first stop is found byte by byte
        // The first stop of a little-endian word is its lowest marked byte.
        const size_t k = Words::ZeroBytesBefore(stops);
        seen |= w & ((uint64_t(1) << (8 * k)) - 1);
        end += k;
        if (kEndsQuotedRun[static_cast<unsigned char>(data[end])]) return end;
        ++end; // another control byte, which is text
    }
    while (end < size && !kEndsQuotedRun[static_cast<unsigned char>(data[end])])
        seen |= static_cast<unsigned char>(data[end++]);
    return end;
}

// One string token from pos: quoted parts and "#" escapes with no blank
// between them, handed to the sink piece by piece. Returns the position
// after the token, or npos when a quoted part does not end on its line.
template <class TSink> size_t TRprLexer::ScanStringToken(std::string_view text, size_t pos, TSink& sink)
{
    sink.BeginToken();
    const char* const data = text.data();
    const size_t size = text.size();
    while (pos < size) {
        const char c = data[pos];
        if (c == '\'') {
            ++pos;
            for (;;) {
                uint64_t seen = 0; // every byte of the run or'ed in: is any above 127?
                const size_t end = QuotedRunEnd(data, pos, size, seen);
                if (end >= size || data[end] != '\'') return std::string_view::npos;
                sink.Run(text.substr(pos, end - pos), (seen & Words::kHighs) != 0);
                pos = end + 1;
                if (pos >= size || data[pos] != '\'') break;
                sink.Run("'", false); // two apostrophes stand for one
                ++pos;
            }
        } else if (c == '#') {
            ++pos;
            uint32_t value = 0;
            bool above127 = false;
            while (pos < size && IsDigit(static_cast<unsigned char>(data[pos]))) {
                const uint64_t v = uint64_t(value) * 10 + static_cast<uint64_t>(data[pos] - '0');
                if (v > 127) above127 = true;
                value = static_cast<uint32_t>(v % 65536);
                ++pos;
            }
            sink.Escape(value, above127);
        } else {
            break;
        }
    }
    return pos;
}

bool TRprToken::SameTextAsciiSlow(std::string_view a, std::string_view b) { return SameTextAscii(a, b); }

TRprLexer::TRprLexer(std::string_view text) : m_Text(text) { CheckLine(0); }

void TRprLexer::Fail(std::string_view message) const { throw EParserError(MsgOnLine(message, m_Line)); }

TRprToken TRprLexer::Next()
{
    TRprToken t;
    Next(t);
    return t;
}

void TRprLexer::Next(TRprToken& t)
{
    PassBlanks();
    t.Kind = TRprTokenKind::Eof;
    t.Text = {};
    t.Integer = 0;
    t.Line = m_Line;
    t.Start = t.End = m_Pos;
    if (m_Pos >= m_Text.size()) return;
    const unsigned char c = Peek();
    if (IsIdentStart(c)) {
        size_t end = m_Pos;
        while (end < m_Text.size() && kIdentChar[static_cast<unsigned char>(m_Text[end])]) ++end;
        m_Pos = end;
        t.Kind = TRprTokenKind::Identifier;
        t.Text = m_Text.substr(t.Start, m_Pos - t.Start);
    } else if (c == '\'' || c == '#') {
        ReadString(t);
    } else if (c == '$') {
        ++m_Pos;
        while (m_Pos < m_Text.size() && IsHexDigit(Peek())) ++m_Pos;
        t.Kind = TRprTokenKind::Integer;
        t.Text = m_Text.substr(t.Start, m_Pos - t.Start);
        t.Integer = ConvertHexToken(t.Text);
    } else if (c == '-' || IsDigit(c)) {
        ReadNumber(t);
    } else {
        ++m_Pos;
        t.Kind = TRprTokenKind::Symbol;
        t.Text = m_Text.substr(t.Start, 1);
    }
    t.End = m_Pos;
}

bool TRprLexer::IsWordByte(unsigned char c) { return kIdentChar[c]; }

bool TRprLexer::TakeString()
{
    PassBlanks();
    if (!m_Decoder || m_Pos >= m_Text.size() || (Peek() != '\'' && Peek() != '#')) return false;
    const size_t end = ScanStringToken(m_Text, m_Pos, *m_Decoder);
    if (end == std::string_view::npos) return false;
    m_Pos = end;
    return true;
}

bool TRprLexer::TakeSmallNumber(int32_t& value)
{
    PassBlanks();
    size_t end = m_Pos;
    int32_t v = 0;
    while (end < m_Text.size() && end - m_Pos < 9 && IsDigit(static_cast<unsigned char>(m_Text[end])))
        v = v * 10 + (m_Text[end++] - '0');
    // A blank after the digits makes them an integer token; nothing else
    // does for sure (a digit, a sign, an exponent or a type letter).
    if (end == m_Pos || end >= m_Text.size() || static_cast<unsigned char>(m_Text[end]) > 32) return false;
    value = v;
    m_Pos = end;
    return true;
}

void TRprLexer::SkipBinary()
{
    for (;;) {
        SkipBlanks();
        if (m_Pos >= m_Text.size()) Fail(kMsgInvalidBinary);
        if (Peek() == '}') {
            ++m_Pos;
            return;
        }
        if (m_Pos + 1 >= m_Text.size() || !IsHexDigit(Peek()) ||
            !IsHexDigit(static_cast<unsigned char>(m_Text[m_Pos + 1])))
            Fail(kMsgInvalidBinary);
        m_Pos += 2;
    }
}

void TRprLexer::SkipBlanks()
{
    const char* const data = m_Text.data();
    size_t size = m_Text.size(); // a line start may find the end of the text
    size_t pos = m_Pos;
    // Mostly the end of a line, CR LF, then the next line's indentation
    // (PassBlanks passes the usual ones without coming here).
    if (pos + 1 < size && data[pos] == '\r' && data[pos + 1] == '\n') {
        pos += 2;
        LineStarts(pos);
        size = m_Text.size();
    }
    while (pos < size) {
        const auto c = static_cast<unsigned char>(data[pos]);
        if (c == ' ') { // indentation: eight spaces at a time, to the first other byte
            for (;;) {
                if (pos + 8 > size) {
                    while (pos < size && data[pos] == ' ') ++pos;
                    break;
                }
                const uint64_t others = Words::At(data + pos) ^ (Words::kOnes * ' ');
                if (others) {
                    pos += Words::ZeroBytesBefore(others);
                    break;
                }
                pos += 8;
            }
            continue;
        }
        if (c > 32) break;
        ++pos;
        if (c == '\n') {
            LineStarts(pos);
            size = m_Text.size();
        }
    }
    m_Pos = pos;
}

// The text is read through a 4096-byte window refilled at the start of the
// line reached; a line that cannot fit it fails, unless the rest of the text
// fits the window as a whole.
// The last line end seen in a window serves every line that starts before
// it, so one search covers a window's worth of lines.
// The text ends at its first zero byte. The windows follow one another with
// no gap, and each is searched for a zero byte before any of its bytes is
// read, while it is in the cache for the line end; the text is cut there.
void TRprLexer::CheckLine(size_t lineStart)
{
    QUILLET_ASSERT(lineStart <= m_Text.size());
    const size_t rest = m_Text.size() - lineStart;
    if (rest < 4096) {
        if (!m_TailSearched) {
            m_TailSearched = true;
            CutAtZero(lineStart, rest);
        }
        return;
    }
    if (m_KnownLineEnd != std::string_view::npos && lineStart <= m_KnownLineEnd) return;
    if (CutAtZero(lineStart, 4095)) {
        CheckLine(lineStart); // the text now ends inside the window
        return;
    }
    const void* lf = ::memrchr(m_Text.data() + lineStart, '\n', 4095);
    if (!lf) Fail(kMsgLineTooLong);
    m_KnownLineEnd = static_cast<size_t>(static_cast<const char*>(lf) - m_Text.data());
}

bool TRprLexer::CutAtZero(size_t from, size_t length)
{
    const void* zero = std::memchr(m_Text.data() + from, 0, length);
    if (!zero) return false;
    m_Text = m_Text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - m_Text.data()));
    return true;
}

void TRprLexer::ReadString(TRprToken& t)
{
    t.Kind = TRprTokenKind::String;
    size_t end;
    if (m_Decoder) end = ScanStringToken(m_Text, m_Pos, *m_Decoder);
    else {
        TNoStringSink none;
        end = ScanStringToken(m_Text, m_Pos, none);
    }
    if (end == std::string_view::npos) Fail(kMsgInvalidString);
    m_Pos = end;
}

void TRprLexer::ReadNumber(TRprToken& t)
{
    ++m_Pos;
    while (m_Pos < m_Text.size() && IsDigit(Peek())) ++m_Pos;
    bool isFloat = false;
    auto inFloatSet = [](unsigned char c) {
        return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
    };
    if (m_Pos < m_Text.size() && inFloatSet(Peek())) {
        isFloat = true;
        while (m_Pos < m_Text.size() && inFloatSet(Peek())) ++m_Pos;
    }
    const size_t numberEnd = m_Pos;
    if (m_Pos < m_Text.size()) {
        const unsigned char s = Peek() | 0x20;
        if (s == 's' || s == 'c' || s == 'd') {
            isFloat = true;
            ++m_Pos;
        }
    }
    t.Text = m_Text.substr(t.Start, m_Pos - t.Start);
    const char* first = m_Text.data() + t.Start;
    if (isFloat) {
        t.Kind = TRprTokenKind::Float;
        // The number without its type letter must convert; the value itself
        // is not kept, since no property takes one.
        const char* last = m_Text.data() + numberEnd;
        double value = 0;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last) throw EConvertError(MsgInvalidFloat(std::string(t.Text)));
    } else {
        t.Kind = TRprTokenKind::Integer;
        const char* last = first + t.Text.size();
        // Up to 18 digits cannot overflow: they are summed here. Longer ones,
        // and a "-" alone, go to from_chars, which takes or refuses them.
        const bool negative = *first == '-';
        const char* digits = first + (negative ? 1 : 0);
        if (last > digits && last - digits <= 18) {
            int64_t value = 0;
            for (const char* d = digits; d < last; ++d) value = value * 10 + (*d - '0');
            t.Integer = negative ? -value : value;
            return;
        }
        auto [end, ec] = std::from_chars(first, last, t.Integer);
        if (ec != std::errc() || end != last) throw EConvertError(MsgInvalidInteger(std::string(t.Text)));
    }
}

int64_t ConvertHexToken(std::string_view text)
{
    if (text.size() < 2) throw EConvertError(MsgInvalidInteger(std::string(text)));
    uint64_t v = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        if (v > (UINT64_MAX >> 4)) throw EConvertError(MsgInvalidInteger(std::string(text)));
        v = v * 16 + static_cast<uint64_t>(HexValue(static_cast<unsigned char>(text[i])));
    }
    return static_cast<int64_t>(v); // two's complement: $FFFFFFFFFFFFFFFE is -2
}
