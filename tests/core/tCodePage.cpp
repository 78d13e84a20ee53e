#include "tHelpers.h"

#include "uCodePage.h"
#include "uIntText.h"

TEST(CodePage, EveryByteRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        char16_t u = CodePage::ByteToUnit(static_cast<unsigned char>(b));
        EXPECT_EQ(static_cast<unsigned char>(CodePage::UnitToByte(u)), b) << b;
    }
    for (int b : {0x81, 0x83, 0x88, 0x90, 0x98}) EXPECT_EQ(CodePage::ByteToUnit(static_cast<unsigned char>(b)), b);
    EXPECT_EQ(CodePage::ByteToUnit(0x9A), u'\u0161'); // š
    EXPECT_EQ(CodePage::ByteToUnit(0xE1), u'\u00E1'); // á
    EXPECT_EQ(CodePage::ByteToUnit(0x80), u'\u20AC'); // €
    EXPECT_EQ(CodePage::ByteToUnit(0xFF), u'\u02D9');
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(CodePage::FromUnicode(u"Zru\u0161it"), "Zru\x9Ait");
    EXPECT_EQ(CodePage::FromUnicode(u"\u00E6\u4E2D\u0416"), "???"); // æ, a CJK sign, Cyrillic
    EXPECT_EQ(CodePage::FromUnicode(u"a\U0001F600b"), "a?b");
    EXPECT_EQ(CodePage::ToUnicode("\x8A\xE8"), u"\u0160\u010D");
}

TEST(CodePage, Utf8OfModelText)
{
    EXPECT_EQ(CodePage::ToUtf8("Zru\x9Ait"), "Zru\xC5\xA1it");             // š: two bytes
    EXPECT_EQ(CodePage::ToUtf8("\x80 \x84"), "\xE2\x82\xAC \xE2\x80\x9E"); // €, „: three bytes
    EXPECT_EQ(CodePage::ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Every byte comes back through the UTF-16 route.
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, char(b));
        const std::u16string u = CodePage::ToUnicode(one);
        EXPECT_EQ(CodePage::ToUtf8(one).size(), u[0] < 0x80 ? 1u : u[0] < 0x800 ? 2u : 3u) << b;
    }
}

TEST(IntText, AcceptsTheUsersNumberSyntax)
{
    struct TCase {
        const char* Text;
        bool Ok;
        int32_t Value;
    } cases[] = {
        {"12", true, 12},
        {" 12", true, 12},
        {"-3", true, -3},
        {"+12", true, 12},
        {"$1F", true, 31},
        {"0x1f", true, 31},
        {"x1F", true, 31},
        {"X10", true, 16},
        {"0X10", true, 16},
        {"-$10", true, -16},
        {" $7FFF", true, 32767},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"$7FFFFFFF", true, INT32_MAX},
        {"", false, 0},
        {"12 ", false, 0},
        {"1e3", false, 0},
        {"12a", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"2147483648", false, 0},
        {"$80000000", false, 0},
        {"- 1", false, 0},
        {"\t1", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const TCase& c : cases) {
        int32_t v = -999;
        EXPECT_EQ(TryParseIntText(c.Text, v), c.Ok) << '"' << c.Text << '"';
        if (c.Ok) EXPECT_EQ(v, c.Value) << c.Text;
    }
    EXPECT_THROW_MSG(StrToInt("12 "), EConvertError, "'12 ' is not a valid integer value");
}
