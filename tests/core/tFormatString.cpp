#include "uFormatString.h"

#include <gtest/gtest.h>

namespace {

// The arguments as "index:class-letter" joined by spaces, for short checks.
std::string Args(const std::string& text)
{
    const TFormatString f = ParseFormatString(text);
    std::string r;
    for (const TFormatArgument& a : f.Arguments) {
        if (!r.empty()) r += ' ';
        r += std::to_string(a.Index) + ":" + "ifsp"[static_cast<int>(a.Class)];
    }
    return r;
}

} // namespace

TEST(FormatString, ValidSpecifiersAndTheirArguments)
{
    struct TCase {
        const char* Text;
        const char* Args;
    } cases[] = {
        {"no arguments", ""},
        {"", ""},
        {"%s", "0:s"},
        {"%d files in %s", "0:i 1:s"},
        {"%u %x %X %D", "0:i 1:i 2:i 3:i"},
        {"%e %f %g %n %m", "0:f 1:f 2:f 3:f 4:f"},
        {"%p", "0:p"},
        {"%-10.2f|%8d|%.3s|%-s", "0:f 1:i 2:s 3:s"},
        {"%*d", "0:i 1:i"},
        {"%-*.*f", "0:i 1:i 2:f"},
        {"%.*f", "0:i 1:f"},
        // An index sets the position; the next specifier without one follows it.
        {"%1:s %0:d", "0:i 1:s"},
        {"%1:s %s %0:d", "0:i 1:s 2:s"},
        {"%0:s %0:s", "0:s"},
        {"%2:-5d", "2:i"},
        {"100%% sure", ""},
        {"%%d", ""},
        {"%%%d%%", "0:i"},
    };
    for (const TCase& c : cases) {
        const TFormatString f = ParseFormatString(c.Text);
        EXPECT_TRUE(f.Valid) << c.Text << ": " << f.Error;
        EXPECT_EQ(Args(c.Text), c.Args) << c.Text;
    }
}

TEST(FormatString, InvalidSpecifiersSayWhere)
{
    struct TCase {
        const char* Text;
        size_t Pos;
        const char* Error;
    } cases[] = {
        {"50%", 2, "'%' has no type letter"},
        {"50% off", 2, "'% ' has no valid type letter"},
        {"a %q", 2, "'%q' has no valid type letter"},
        {"%10-d", 0, "'%10-' has no valid type letter"},
        {"%s and %5", 7, "'%5' has no type letter"},
        {"%1:", 0, "'%1:' has no type letter"},
        {"%.", 0, "'%.' has no type letter"},
        {"%d %z %s", 3, "'%z' has no valid type letter"},
        // One argument cannot be two things.
        {"%d and %0:s", 7, "'%0:s' takes argument 0 as a string where '%d' takes an integer"},
        {"%*d %0:f", 4, "'%0:f' takes argument 0 as a floating-point number where '%*d' takes an integer"},
    };
    for (const TCase& c : cases) {
        const TFormatString f = ParseFormatString(c.Text);
        EXPECT_FALSE(f.Valid) << c.Text;
        EXPECT_EQ(f.ErrorPos, c.Pos) << c.Text;
        EXPECT_EQ(f.Error, c.Error) << c.Text;
    }
}

TEST(FormatString, SpecifiersKeepTheirTextAndPosition)
{
    const TFormatString f = ParseFormatString("a%1:-10.2fb%0:Sc%%");
    ASSERT_EQ(f.Specifiers.size(), 2u);
    EXPECT_EQ(f.Specifiers[0].Text, "%1:-10.2f");
    EXPECT_EQ(f.Specifiers[0].Pos, 1u);
    EXPECT_EQ(f.Specifiers[0].Type, 'f');
    EXPECT_EQ(f.Specifiers[1].Text, "%0:S");
    EXPECT_EQ(f.Specifiers[1].Type, 's');
    ASSERT_EQ(f.Arguments.size(), 2u);
    EXPECT_EQ(f.Arguments[0].Specifier, "%0:S");
    EXPECT_EQ(f.Arguments[1].Specifier, "%1:-10.2f");
    // An argument taken twice is named by the first specifier that takes it.
    EXPECT_EQ(ParseFormatString("%0:s %0:5s").Arguments.at(0).Specifier, "%0:s");
}

TEST(FormatString, AnIndexFromTheArgumentsMakesPositionsUnknown)
{
    const TFormatString f = ParseFormatString("%*:d %s");
    EXPECT_TRUE(f.Valid);
    EXPECT_FALSE(f.Static);
    EXPECT_TRUE(f.Arguments.empty());
    EXPECT_TRUE(ParseFormatString("%d").Static);
}

TEST(FormatString, HugeIndexesDoNotAllocate)
{
    const TFormatString f = ParseFormatString("%99999999999999999999:s");
    EXPECT_TRUE(f.Valid);
    EXPECT_TRUE(f.Arguments.empty());
}
