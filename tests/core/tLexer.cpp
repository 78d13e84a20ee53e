#include "tHelpers.h"

#include "uRprLexer.h"
#include "uWords.h"

#include <bit>
#include <cstring>
#include <memory>

namespace {

struct TSeen {
    TRprTokenKind Kind;
    std::string Text;
    int Line;
    bool operator==(const TSeen&) const = default;
};

std::vector<TSeen> Tokens(std::string_view text)
{
    TRprLexer lexer(text);
    std::vector<TSeen> seen;
    for (TRprToken t = lexer.Next(); t.Kind != TRprTokenKind::Eof; t = lexer.Next())
        seen.push_back({t.Kind,
                        std::string(t.Kind == TRprTokenKind::String ? text.substr(t.Start, t.End - t.Start) : t.Text),
                        t.Line});
    return seen;
}

// A string value (tokens joined by "+") through the lexer into the code page.
std::string Decode(std::string_view value)
{
    TRprStringDecoder decoder;
    decoder.Begin();
    TRprLexer lexer(value);
    lexer.SetStringDecoder(&decoder);
    for (TRprToken t = lexer.Next(); t.Kind != TRprTokenKind::Eof; t = lexer.Next())
        if (t.Kind != TRprTokenKind::String && !t.IsSymbol('+')) ADD_FAILURE() << "not a string value: " << value;
    return std::string(decoder.Finish());
}

int64_t IntegerOf(std::string_view text)
{
    TRprLexer lexer(text);
    const TRprToken t = lexer.Next();
    EXPECT_EQ(t.Kind, TRprTokenKind::Integer) << text;
    return t.Integer;
}

// The message of the exception that reading all tokens raises.
std::string ErrorOf(std::string_view text)
{
    try {
        TRprLexer lexer(text);
        while (lexer.Next().Kind != TRprTokenKind::Eof) {}
    } catch (const EParserError& e) {
        return std::string("EParserError: ") + e.what();
    } catch (const EConvertError& e) {
        return std::string("EConvertError: ") + e.what();
    }
    return "no error";
}

using K = TRprTokenKind;

} // namespace

TEST(Lexer, TokensCarryTheirKindTextAndLine)
{
    const std::vector<TSeen> expected = {
        {K::Identifier, "object", 1}, {K::Identifier, "Foo_1", 1}, {K::Symbol, ":", 1},    {K::Identifier, "TBar", 1},
        {K::Symbol, "[", 1},          {K::Integer, "3", 1},        {K::Symbol, "]", 1},    {K::Identifier, "X", 3},
        {K::Symbol, ".", 3},          {K::Identifier, "Y", 3},     {K::Symbol, "=", 3},    {K::String, "'a'#13'b'", 3},
        {K::Symbol, "+", 3},          {K::String, "#10", 4},       {K::Integer, "-12", 4}, {K::Float, "1.5e3", 4},
        {K::Float, "2S", 4},          {K::Integer, "$fF", 4},      {K::Symbol, "\xE9", 4}, {K::Symbol, "<", 4},
    };
    EXPECT_EQ(Tokens("object Foo_1: TBar [3]\r\n\r\n  X.Y = 'a'#13'b' +\n#10 -12 1.5e3 2S $fF\xE9<"), expected);
    // The text ends at its first zero byte.
    EXPECT_EQ(Tokens(std::string_view("ab\0cd 'x", 8)), (std::vector<TSeen>{{K::Identifier, "ab", 1}}));
}

TEST(Lexer, KeywordsIgnoreCase)
{
    TRprLexer lexer("OBJECT Inherited inline itEM End objects");
    EXPECT_TRUE(lexer.Next().IsObjectKeyword());
    EXPECT_TRUE(lexer.Next().IsObjectKeyword());
    EXPECT_TRUE(lexer.Next().IsObjectKeyword());
    EXPECT_TRUE(lexer.Next().IsKeyword("item"));
    EXPECT_TRUE(lexer.Next().IsKeyword("end"));
    EXPECT_FALSE(lexer.Next().IsObjectKeyword());
}

TEST(Lexer, IntegersConvertToSigned64Bits)
{
    EXPECT_EQ(IntegerOf("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(IntegerOf("$80000000"), 2147483648);
    EXPECT_EQ(IntegerOf("$7FFFFFFFFFFFFFFF"), INT64_MAX);
    // Hexadecimal numbers of up to 64 bits wrap as two's complement.
    EXPECT_EQ(IntegerOf("$8000000000000000"), INT64_MIN);
    EXPECT_EQ(IntegerOf("$FFFFFFFFFFFFFFFE"), -2);
    EXPECT_EQ(IntegerOf("$0000000000000000000FF"), 255) << "leading zeros need no bits";
    EXPECT_EQ(IntegerOf("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(IntegerOf("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(IntegerOf("007"), 7);
    EXPECT_EQ(IntegerOf("-0"), 0);
    // Around the 18 digits that cannot overflow.
    EXPECT_EQ(IntegerOf("999999999999999999"), 999999999999999999);
    EXPECT_EQ(IntegerOf("-999999999999999999"), -999999999999999999);
    EXPECT_EQ(IntegerOf("1000000000000000000"), 1000000000000000000);
    EXPECT_EQ(IntegerOf("0000000000000000000000000042"), 42);
    EXPECT_THROW_MSG(IntegerOf("9223372036854775808"), EConvertError,
                     "'9223372036854775808' is not a valid integer value");
}

namespace {

std::string Repeat(const std::string& s, int times)
{
    std::string r;
    for (int i = 0; i < times; ++i) r += s;
    return r;
}

} // namespace

TEST(Lexer, ReportsEveryErrorWithItsExactText)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"$", "EConvertError: '$' is not a valid integer value"},
        {"$10000000000000000", "EConvertError: '$10000000000000000' is not a valid integer value"},
        {"x $FFFFFFFFFFFFFFFFF", "EConvertError: '$FFFFFFFFFFFFFFFFF' is not a valid integer value"},
        {"-", "EConvertError: '-' is not a valid integer value"},
        {"9223372036854775808", "EConvertError: '9223372036854775808' is not a valid integer value"},
        {"1.2.3", "EConvertError: '1.2.3' is not a valid floating point value"},
        {"1e", "EConvertError: '1e' is not a valid floating point value"},
        {"'abc", "EParserError: Invalid string constant on line 1"},
        {"\n\n 'ab\r\ncd'", "EParserError: Invalid string constant on line 3"},
        {"'ab'#65'cd", "EParserError: Invalid string constant on line 1"},
        {"x\n" + std::string(4095, 'y') + "\n" + std::string(10, 'z'), "EParserError: Line too long on line 2"},
        {std::string(4094, 'y') + "\n" + std::string(4095, 'z'), "no error"}, // the rest fits the window
        {std::string(5000, 'y'), "EParserError: Line too long on line 1"},
        // A long line after many short ones, and long lines that still fit.
        {Repeat("a\n", 100) + std::string(4095, 'y') + "\n" + std::string(10, 'z'),
         "EParserError: Line too long on line 101"},
        {Repeat("a\n", 3000) + std::string(4094, 'y') + "\n" + Repeat("a\n", 3000) + std::string(4094, 'y') + "\n" +
             Repeat("a\n", 3000),
         "no error"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(ErrorOf(text), message) << text.substr(0, 40);
}

TEST(Lexer, SkipsHexadecimalData)
{
    TRprLexer lexer("{00 fF\r\n 1a}x");
    EXPECT_TRUE(lexer.Next().IsSymbol('{'));
    lexer.SkipBinary();
    const TRprToken t = lexer.Next();
    EXPECT_EQ(t.Text, "x");
    EXPECT_EQ(t.Line, 2);
    for (const char* bad : {"{0}", "{0G}", "{00", "{"}) {
        TRprLexer l(bad);
        l.Next();
        EXPECT_THROW_MSG(l.SkipBinary(), EParserError, "Invalid binary value on line 1");
    }
}

// The eight- and sixteen-bytes-at-a-time tests agree with the byte they
// stand for, for every byte value at every place, among bytes that pass;
// the sixteen-byte masks mark exactly that byte.
TEST(Words, EachTestMatchesItsByteAtEveryPlace)
{
    for (int place = 0; place < 16; ++place)
        for (int b = 0; b < 256; ++b) {
            char bytes[16];
            std::memset(bytes, 'a', sizeof bytes);
            bytes[place] = static_cast<char>(b);
            const auto c = static_cast<unsigned char>(b);
            if (place < 8) {
                const uint64_t w = Words::At(bytes);
                EXPECT_EQ(Words::HasByte(w, 0x27), c == 0x27) << place << " " << b;
                EXPECT_EQ(Words::HasByte(w, 0x7F), c == 0x7F) << place << " " << b;
                EXPECT_EQ(Words::HasByteBelow(w, 32), c < 32) << place << " " << b;
            }
#if QUILLET_BYTES16
            const Bytes16::TBytes v = Bytes16::At(bytes);
            const unsigned bit = 1u << place;
            EXPECT_EQ(Bytes16::Equal(v, '\''), c == 0x27 ? bit : 0u) << place << " " << b;
            EXPECT_EQ(Bytes16::Highs(v), c >= 0x80 ? bit : 0u) << place << " " << b;
            EXPECT_EQ(Bytes16::Below(v, 32), c < 32 ? bit : 0u) << place << " " << b;
            if (c == 0x27) EXPECT_EQ(Bytes16::First(Bytes16::Equal(v, '\'') | (1u << 15)), size_t(place));
#endif
        }
}

// The lowest marked byte of a mask is the first byte that matches, in
// memory order on a little-endian machine, whatever the bytes after it.
TEST(Words, TheFirstMarkedByteIsTheFirstThatMatches)
{
    if constexpr (std::endian::native != std::endian::little) GTEST_SKIP() << "only used on little-endian machines";
    for (int first = 0; first < 8; ++first)
        for (const unsigned char match : {0x00, 0x01, 0x0D})
            for (const unsigned char after : {0x00, 0x01, 0x0D, 0x0E, 0x80, 0xFF}) {
                char bytes[8];
                std::memset(bytes, 'a', sizeof bytes);
                bytes[first] = static_cast<char>(match);
                for (int place = first + 1; place < 8; ++place) bytes[place] = static_cast<char>(after);
                const uint64_t w = Words::At(bytes);
                const uint64_t below = Words::BelowMask(w, 14), zero = Words::ZeroMask(w);
                ASSERT_NE(below, 0u);
                EXPECT_EQ(Words::ZeroBytesBefore(below), size_t(first)) << first << " " << int(after);
                if (match == 0) EXPECT_EQ(Words::ZeroBytesBefore(zero), size_t(first)) << first << " " << int(after);
            }
}

// Byte strings compared in place: equal, and unequal at every place, for
// every length up to past two words.
TEST(Words, SameBytesAtEveryLengthAndPlace)
{
    for (size_t n = 0; n <= 20; ++n) {
        const std::string a(n, 'q');
        // Copies without a terminator or anything beyond, so that a read past
        // the end shows under the sanitizers.
        const std::unique_ptr<char[]> x(new char[n]), y(new char[n]);
        std::memcpy(x.get(), a.data(), n);
        std::memcpy(y.get(), a.data(), n);
        EXPECT_TRUE(Words::SameBytes(x.get(), y.get(), n)) << n;
        for (size_t place = 0; place < n; ++place) {
            y[place] = 'r';
            EXPECT_FALSE(Words::SameBytes(x.get(), y.get(), n)) << n << " " << place;
            y[place] = 'q';
        }
    }
}

// The ASCII run at the start of a text ends at its first byte above 127,
// wherever that stands in or after the words.
TEST(Words, AsciiPrefixEndsAtTheFirstByteAbove127)
{
    for (size_t n = 0; n <= 20; ++n) {
        const std::unique_ptr<char[]> text(new char[n]); // nothing beyond, for the sanitizers
        std::memset(text.get(), 'a', n);
        EXPECT_EQ(Words::AsciiPrefix(text.get(), n), n) << n;
        for (size_t place = 0; place < n; ++place) {
            text[place] = '\x80';
            if (place + 1 < n) text[n - 1] = '\xFF'; // a later one does not count
            EXPECT_EQ(Words::AsciiPrefix(text.get(), n), place) << n << " " << place;
            std::memset(text.get(), 'a', n);
        }
    }
}

TEST(Lexer, IndentationOfEveryLength)
{
    for (size_t n = 0; n <= 20; ++n) {
        const std::string blanks(n, ' ');
        EXPECT_EQ(Tokens("a\r\n" + blanks + "b" + blanks),
                  (std::vector<TSeen>{{TRprTokenKind::Identifier, "a", 1}, {TRprTokenKind::Identifier, "b", 2}}))
            << n;
        EXPECT_EQ(Tokens(blanks + "\t" + blanks + "=" + blanks + "\n"),
                  (std::vector<TSeen>{{TRprTokenKind::Symbol, "=", 1}}))
            << n;
    }
}

TEST(Lexer, LongIdentifiersEndWhereTheirCharactersEnd)
{
    // Names of every length around a word's size, ended by each kind of byte.
    for (size_t n = 1; n <= 20; ++n)
        for (const char* end : {" ", "=", ".", "\r\n", "\x80", "+"}) {
            const std::string name = "N" + std::string(n - 1, n % 2 ? 'z' : '_');
            const auto seen = Tokens(name + end + "x");
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(seen[0].Text, name) << n << " " << end;
        }
}

TEST(StringDecoder, EightBitTokensKeepTheirBytes)
{
    EXPECT_EQ(Decode("'it''s'"), "it's");
    EXPECT_EQ(Decode("'it'#39's' + 'it' + #39 + 's'"), "it'sit's");
    EXPECT_EQ(Decode("''"), "");
    EXPECT_EQ(Decode("'a'#13#10'b'#0065"), "a\r\nbA");
    EXPECT_EQ(Decode("'x'#"), std::string("x\0", 2)) << "an escape without digits is zero";
    EXPECT_EQ(Decode("'\x8A\xE9'"), "\x8A\xE9") << "quoted bytes of an 8-bit token are code-page bytes";
    // Control bytes other than CR and LF, and doubled apostrophes, are text
    // wherever they stand in a long run; CR ends the run unfinished.
    for (size_t at = 0; at <= 40; ++at) {
        const std::string before(at, 'a'), after(40 - at, 'b');
        for (const std::string inside : {"\t", "\x01", "\x0B", "''"})
            EXPECT_EQ(Decode("'" + before + inside + after + "'"), before + (inside == "''" ? "'" : inside) + after)
                << at;
        EXPECT_THROW(Decode("'" + before + "\r" + after + "'"), EParserError) << at;
    }
}

TEST(StringDecoder, UnicodeTokensGoToTheCodePage)
{
    EXPECT_EQ(Decode("'Zru'#353'it'"), "Zru\x9Ait");
    EXPECT_EQ(Decode("#8364#8594"), "\x80?") << "the euro sign is in the code page, the arrow is not";
    EXPECT_EQ(Decode("#65601"), "A") << "escapes count modulo 65536";
    // Quoted bytes of a Unicode token are Latin-1: 0x8A is a control, 0xE9 is é.
    EXPECT_EQ(Decode("'\x8A\xE9'#353 + '\x8A'"), "?\xE9\x9A\x8A");
    // The same for such a byte at every place in a long run of other bytes,
    // before and after the escape that makes the token Unicode.
    for (size_t at = 0; at <= 40; ++at) {
        const std::string before(at, 'a'), after(40 - at, 'b');
        EXPECT_EQ(Decode("'" + before + "\x8A" + after + "'#353"), before + "?" + after + "\x9A") << at;
        EXPECT_EQ(Decode("#353'" + before + "\x8A" + after + "'"), "\x9A" + before + "?" + after) << at;
        // The run's end in the same sixteen bytes as the byte, or in the next.
        EXPECT_EQ(Decode("#353'" + before + "\x8A'#353'" + std::string(40, 'c') + "'"),
                  "\x9A" + before + "?\x9A" + std::string(40, 'c'))
            << at;
    }
}

TEST(StringDecoder, ASurrogatePairIsOneCharacterAlsoWhenSplitByPlus)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"'a'#55357#56832'b'", "a?b"},
        {"'a'#55357 + #56832'b'", "a?b"},
        {"'a'#55357 + '' + #56832'b'", "a?b"},
        {"#55357 + 'x'#56832", "?x?"},
        {"#55357 + 'x'", "?x"},
        {"#55357 + #65", "?A"},
        {"#55357", "?"},
        {"#55357#55357#56832", "??"},
        {"#56832#55357", "??"},
        {"#55357 + #55357 + #56832 + #56832", "???"},
        // Quoted runs of a Unicode token after a waiting surrogate.
        {"#55357'xy'#56832", "?xy?"},
        {"'ab'#353#55357'cd\xE9'", "ab\x9A?cd\xE9"},
        // A quoted byte above 127 after one waits, in a token made Unicode
        // only later: a Latin-1 character then (U+008A, which the code page
        // lacks).
        {"#55357 + '\x8A'#353", "??\x9A"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(Decode(value), expected) << value;
}

TEST(StringDecoder, BeginStartsAFreshValue)
{
    TRprStringDecoder decoder;
    TRprLexer lexer("'abc'#55357 'd'");
    lexer.SetStringDecoder(&decoder);
    decoder.Begin();
    lexer.Next();
    EXPECT_EQ(decoder.Finish(), "abc?");
    decoder.Begin();
    lexer.Next();
    EXPECT_EQ(decoder.Finish(), "d");
}
