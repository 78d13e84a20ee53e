// The tokens of the project file, its string values, and every message text
// of the project file reader.
#pragma once

#include "uCodePage.h"
#include "uWords.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------
// Message texts of the reader. Syntax errors get " on line %d" appended.

inline constexpr const char* kMsgIdentExpected = "Identifier expected";
inline constexpr const char* kMsgStringExpected = "String expected";
inline constexpr const char* kMsgNumberExpected = "Number expected";
inline constexpr const char* kMsgObjectExpected = "OBJECT expected";
inline constexpr const char* kMsgItemExpected = "item expected";
inline constexpr const char* kMsgInvalidPropertyValue = "Invalid property value";
inline constexpr const char* kMsgInvalidString = "Invalid string constant";
inline constexpr const char* kMsgInvalidBinary = "Invalid binary value";
inline constexpr const char* kMsgLineTooLong = "Line too long";
inline constexpr const char* kMsgInvalidPropertyPath = "Invalid property path";
// Added to the message of a file that starts with a UTF-8 byte-order mark.
inline constexpr const char* kMsgUtf8Bom =
    ": the file starts with a UTF-8 byte-order mark; project files are Windows-1250 text";

std::string MsgOnLine(std::string_view message, int line);  // "%s on line %d"
std::string MsgSymbolExpected(char symbol);                 // "''%s'' expected"
std::string MsgNoProperty(std::string_view name);           // "Property %s does not exist"
std::string MsgInvalidComponentName(std::string_view name); // "''%s'' is not a valid component name"
std::string MsgClassNotFound(std::string_view className);   // "Class %s not found"
std::string MsgErrorReading(std::string_view object, std::string_view property,
                            std::string_view message);  // "Error reading %s.%s: %s"
std::string MsgNotRegularFile(const std::string& path); // "Cannot open file %s: it is not a regular file"
std::string MsgFileTooLarge(const std::string& path);   // "Cannot open file %s: it is too large ..."
// "Cannot open file %s", "'%s' is not a valid integer value" and "'%s' is not
// a valid floating point value" are shared with the rest of the core (uErrors.h).

// The largest project file that LoadFromFile reads.
inline constexpr int64_t kMaxProjectFileSize = int64_t(1) << 30;

// ---------------------------------------------------------------------------
// String values. A value is one or more string tokens joined by "+"; each
// token is quoted runs and "#" escapes. A token without an escape above 127
// is 8-bit text: its bytes are taken as they are. A token with one is Unicode:
// each escape is a UTF-16 unit (its value modulo 65536), each quoted byte the
// unit of the same number (Latin-1). The joined Unicode text goes to the code
// page, where a surrogate pair, also one split by "+", is one missing
// character.

class TRprStringDecoder {
public:
    // Starts a new value; the buffer is kept and reused.
    void Begin()
    {
        m_Size = 0;
        m_HighSurrogate = 0;
    }
    // The value in the code page; valid until the next Begin.
    std::string_view Finish();

private:
    // The lexer hands over each token as it scans it.
    friend class TRprLexer;
    void BeginToken();
    // A quoted run; above127 tells whether it holds a byte above 127. Mostly
    // its bytes are the text's, with no surrogate waiting.
    void Run(std::string_view bytes, bool above127)
    {
        if (!m_HighSurrogate && (!m_Wide || !above127)) {
            Append(bytes);
            m_TokenHasHigh = m_TokenHasHigh || above127;
        } else RunConverted(bytes, above127);
    }
    // An escape; above127 tells whether its number exceeds 127. Mostly it is
    // one character, in a token that is Unicode already or stays 8-bit.
    void Escape(uint32_t value, bool above127)
    {
        if (!m_HighSurrogate) {
            if (!m_Wide && !above127) {
                Push(static_cast<char>(value));
                return;
            }
            if (m_Wide && (value < 0xD800 || value >= 0xDC00)) {
                Push(CodePage::UnitToByte(static_cast<char16_t>(value)));
                return;
            }
        }
        EscapeAny(value, above127);
    }
    void RunConverted(std::string_view bytes, bool above127);
    void EscapeAny(uint32_t value, bool above127);
    void Unit(char16_t u);
    void FlushSurrogate();

    // The value so far, in a buffer kept from value to value.
    void Append(std::string_view bytes)
    {
        if (m_Capacity - m_Size < bytes.size()) Grow(bytes.size());
        Words::Copy(m_Data.get() + m_Size, bytes.data(), bytes.size());
        m_Size += bytes.size();
    }
    void Push(char c)
    {
        if (m_Size == m_Capacity) Grow(1);
        m_Data[m_Size++] = c;
    }
    void Grow(size_t n); // room for n more bytes

    std::unique_ptr<char[]> m_Data;
    size_t m_Size = 0, m_Capacity = 0;
    size_t m_TokenStart = 0;      // where the current token's text begins in m_Data
    bool m_Wide = false;          // the current token is Unicode
    bool m_TokenHasHigh = false;  // it may have given a byte above 127 while 8-bit
    char16_t m_HighSurrogate = 0; // waiting for its partner, possibly in the next token
};

// ---------------------------------------------------------------------------
// Tokens

enum class TRprTokenKind { Symbol, Identifier, String, Integer, Float, Eof };

struct TRprToken {
    TRprTokenKind Kind = TRprTokenKind::Eof;
    std::string_view Text;     // as written; for a string token empty
    size_t Start = 0, End = 0; // where the token stands in the text
    int64_t Integer = 0;       // an integer token's value
    int Line = 1;

    bool IsSymbol(char c) const { return Kind == TRprTokenKind::Symbol && Text[0] == c; }
    // Keywords are mostly written as they are spelt here: that comparison is
    // the cheaper one, and inline it is a compare of a few bytes.
    bool IsKeyword(std::string_view word) const
    {
        return Kind == TRprTokenKind::Identifier && Text.size() == word.size() &&
            (Text == word || SameTextAsciiSlow(Text, word));
    }
    bool IsObjectKeyword() const { return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"); }

private:
    static bool SameTextAsciiSlow(std::string_view a, std::string_view b);
};

// The token source: owns the position and the line count. Errors raise
// EParserError with the line, or EConvertError for a number that does not
// convert. The text ends at its first zero byte, found as the text is read:
// Text() gives what is known of it so far.
class TRprLexer {
public:
    explicit TRprLexer(std::string_view text);
    std::string_view Text() const { return m_Text; }

    // When set, every string token is decoded into it as it is read.
    void SetStringDecoder(TRprStringDecoder* decoder) { m_Decoder = decoder; }

    TRprToken Next();
    // The same, into a token the caller keeps: no copy of it.
    void Next(TRprToken& token);
    // Passes " =" when the text goes on with it, which Next would read as the
    // symbol "="; false, and nothing passed, otherwise.
    bool SkipAssignment()
    {
        if (m_Pos + 1 >= m_Text.size() || m_Text[m_Pos] != ' ' || m_Text[m_Pos + 1] != '=') return false;
        m_Pos += 2;
        return true;
    }
    // Hexadecimal data after "{": pairs of hex digits up to "}".
    void SkipBinary();

    // Steps for the reader's fast path over its most common lines, which it
    // reads straight from the text. Each Take step passes blanks and line
    // ends as Next does, then takes what it looks for and returns true, or
    // returns false with that not taken. Reset goes back to a Mark, undoing
    // the steps since; what they learnt of the text's line ends stays, as
    // they would learn it again.

    // What lies before a token: mostly one blank between tokens on a line, or
    // a line end and the next line's indentation.
    void PassBlanks()
    {
        if (m_Pos < m_Text.size() && static_cast<unsigned char>(m_Text[m_Pos]) > 32) return;
        if (m_Pos + 1 < m_Text.size() && m_Text[m_Pos] == ' ' && static_cast<unsigned char>(m_Text[m_Pos + 1]) > 32)
            ++m_Pos;
        else if (!PassLineEnd()) SkipBlanks();
    }
    struct TMark {
        size_t Pos;
        int Line;
    };
    TMark Mark() const { return {m_Pos, m_Line}; }
    // Where the lexer stands in the text.
    size_t Position() const { return m_Pos; }
    void Reset(TMark mark)
    {
        m_Pos = mark.Pos;
        m_Line = mark.Line;
    }
    // The name, spelt as given, and " =": the name's token followed by what
    // SkipAssignment passes. Unlike the other steps, it passes no blanks.
    bool TakeAssignment(std::string_view name)
    {
        const size_t end = m_Pos + name.size();
        if (end + 1 >= m_Text.size() || m_Text[end] != ' ' || m_Text[end + 1] != '=' ||
            !Words::SameBytes(m_Text.data() + m_Pos, name.data(), name.size()))
            return false;
        m_Pos = end + 2;
        return true;
    }
    // A word spelt as given, which no character of a word follows. Inline,
    // and of a length known where it is called: the words are short.
    template <size_t N> bool TakeWord(const char (&word)[N])
    {
        PassBlanks();
        const size_t end = m_Pos + (N - 1);
        if (end > m_Text.size() || std::memcmp(m_Text.data() + m_Pos, word, N - 1) != 0) return false;
        if (end < m_Text.size() && IsWordByte(static_cast<unsigned char>(m_Text[end]))) return false;
        m_Pos = end;
        return true;
    }
    // One string token, decoded into the decoder.
    bool TakeString();
    // A symbol of one character.
    bool TakeSymbol(char c)
    {
        PassBlanks();
        if (m_Pos >= m_Text.size() || m_Text[m_Pos] != c) return false;
        ++m_Pos;
        return true;
    }
    // One to nine decimal digits, which Next would read as an integer token:
    // a blank or line end follows them.
    bool TakeSmallNumber(int32_t& value);

    [[noreturn]] void Fail(std::string_view message) const;

private:
    unsigned char Peek() const { return static_cast<unsigned char>(m_Text[m_Pos]); }
    static bool IsWordByte(unsigned char c);
    void SkipBlanks();
    // CR LF, the next line's indentation and nothing else up to a token: true
    // when it passed them. Inline, as the most common blanks.
    bool PassLineEnd()
    {
        size_t pos = m_Pos;
        if (pos + 1 >= m_Text.size() || m_Text[pos] != '\r' || m_Text[pos + 1] != '\n') return false;
        pos += 2;
        LineStarts(pos);
        m_Pos = pos; // the line end is passed; what follows may need SkipBlanks
        const char* const data = m_Text.data();
        for (; pos + 8 <= m_Text.size(); pos += 8)
            if (const uint64_t others = Words::At(data + pos) ^ (Words::kOnes * ' ')) {
                pos += Words::ZeroBytesBefore(others);
                if (static_cast<unsigned char>(data[pos]) <= 32) return false;
                m_Pos = pos;
                return true;
            }
        return false;
    }
    void CheckLine(size_t lineStart);
    // Ends the text at its first zero byte, when one lies in the length bytes
    // from from; true when it did.
    bool CutAtZero(size_t from, size_t length);
    // Counts a line that starts at pos; most lie before a line end found
    // already, and need no check.
    void LineStarts(size_t pos)
    {
        ++m_Line;
        if (m_KnownLineEnd == std::string_view::npos || pos > m_KnownLineEnd) CheckLine(pos);
    }
    void ReadString(TRprToken& t);
    void ReadNumber(TRprToken& t);
    template <class TSink> static size_t ScanStringToken(std::string_view text, size_t pos, TSink& sink);

    std::string_view m_Text;
    size_t m_Pos = 0;
    int m_Line = 1;
    size_t m_KnownLineEnd = std::string_view::npos; // a line end that CheckLine found ahead
    bool m_TailSearched = false;                    // for a zero byte, to the end of the text
    TRprStringDecoder* m_Decoder = nullptr;         // not owned
};

// A "$" and hexadecimal digits to a signed 64-bit number; values above
// $7FFFFFFFFFFFFFFF wrap as two's complement. Raises EConvertError for "$"
// alone and for a value that needs more than 64 bits.
int64_t ConvertHexToken(std::string_view text);
