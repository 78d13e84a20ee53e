#include "tHelpers.h"

#include <functional>

#include <fcntl.h>
#include <future>
#include <random>
#include <sys/stat.h>
#include <tuple>

namespace {

// A whole file from LF-separated lines.
std::string File(const std::string& body) { return Crlf(body); }

// A project file with the given lines inside the root.
std::string Root(const std::string& lines) { return File("object TResProject\n" + lines + "end\n"); }

std::string Item(const std::string& lines) { return "    item\n" + lines + "    end"; }

struct TErrorCase {
    std::string Text;
    std::string Class;
    std::string Message;
};

// What a load leaves: the project saved again, or the error and what stayed
// loaded.
std::string LoadOutcome(TResProject& p, const std::function<void()>& load)
{
    try {
        load();
        return p.SaveToText();
    } catch (const Exception& e) {
        return "error: " + e.Message() + " / " + p.SaveToText();
    }
}

// A project file of count items, each with one text of a length that
// varies up to xRun.
std::string NumberedItemsText(int count, int xRun)
{
    TResProject source;
    AddLanguage(source, "CZ");
    for (int i = 0; i < count; ++i)
        AddText(AddItem(source, "sItem" + std::to_string(i), i + 1), 0,
                "Text " + std::to_string(i) + std::string(static_cast<size_t>(i % xRun), 'x'));
    return source.SaveToText();
}

std::string ClassOf(const std::exception& e)
{
    if (dynamic_cast<const EParserError*>(&e)) return "EParserError";
    if (dynamic_cast<const EReadError*>(&e)) return "EReadError";
    if (dynamic_cast<const EConvertError*>(&e)) return "EConvertError";
    if (dynamic_cast<const EFOpenError*>(&e)) return "EFOpenError";
    return "other";
}

} // namespace

TEST(Reader, ReportsEveryErrorWithItsExactText)
{
    const std::string longLine = "  Comment = '" + std::string(5000, 'x') + "'\n";
    const std::vector<TErrorCase> cases = {
        {"", "EParserError", "OBJECT expected on line 1"},
        {"\xEF\xBB\xBFobject TResProject\r\nend\r\n", "EParserError",
         "OBJECT expected on line 1: the file starts with a UTF-8 byte-order mark; project files are Windows-1250 "
         "text"},
        {"\xEF\xBBobject TResProject\r\nend\r\n", "EParserError", "OBJECT expected on line 1"},
        {"object\r\nend", "EParserError", "Identifier expected on line 2"},
        {File("object TResProject\n  Comment = 'x'\n"), "EParserError", "Identifier expected on line 3"},
        {Root("  Comment = 'abc' 'def'\n"), "EParserError", "Identifier expected on line 2"},
        {Root("  Comment 'x'\n"), "EParserError", "''='' expected on line 2"},
        {Root("  Strings. = 1\n"), "EParserError", "Identifier expected on line 2"},
        {Root("  Comment = 'a' +\n  = \n"), "EParserError", "String expected on line 3"},
        {Root("  Comment = 'abc\n"), "EParserError", "Invalid string constant on line 2"},
        {Root("  Comment = =\n"), "EParserError", "Invalid property value on line 2"},
        {Root("  Comment = )\n"), "EParserError", "Invalid property value on line 2"},
        {Root("  X = [a b]\n"), "EParserError", "'','' expected on line 2"},
        {Root("  X = [a, 'b']\n"), "EParserError", "Identifier expected on line 2"},
        {Root("  X = {00 1}\n"), "EParserError", "Invalid binary value on line 2"},
        {Root("  X = {0G}\n"), "EParserError", "Invalid binary value on line 2"},
        {Root("  Strings = <\n    itm\n    end>\n"), "EParserError", "item expected on line 3"},
        {Root("  Strings = <\n    item [x]\n    end>\n"), "EParserError", "Number expected on line 3"},
        {Root("  Strings = <\n    item [1\n    end>\n"), "EParserError", "'']'' expected on line 4"},
        {File("object TResProject\n  object X: TFoo\n  end\n  Comment = 'x'\nend\n"), "EParserError",
         "OBJECT expected on line 4"},
        {Root(longLine) + std::string(100, ' '), "EParserError", "Line too long on line 2"},
        {Root("  Tag = -\n"), "EConvertError", "'-' is not a valid integer value"},
        {Root("  Tag = $\n"), "EConvertError", "'$' is not a valid integer value"},
        {Root("  Tag = 99999999999999999999\n"), "EConvertError",
         "'99999999999999999999' is not a valid integer value"},
        {Root("  Tag = 1.2.3\n"), "EConvertError", "'1.2.3' is not a valid floating point value"},
        {Root("  Strings.NumberIdBase = 0\n"), "EReadError",
         "Error reading TResProject.Strings.NumberIdBase: Invalid number ID base"},
        {Root("  Strings = <\n" + Item("      TextId = 'sOk'\n") + "\n" + Item("      TextId = 'SOK'\n") + ">\n"),
         "EReadError",
         "Error reading TResProject.Strings: Error reading TResStringItem.TextId: Duplicate string text ID"},
        {Root("  Strings = <\n" +
              Item("      StringConsts = <\n        item\n          LanguageId = 'CZ'\n        end>\n") + ">\n"),
         "EReadError",
         "Error reading TResProject.Strings: Error reading TResStringItem.StringConsts: Error reading "
         "TResStringConstItem.LanguageId: Invalid property value"},
        {Root("  Version = 2\n"), "EReadError", "Error reading TResProject.Version: Property Version does not exist"},
        {Root("  Comment.Text = 'x'\n"), "EReadError", "Error reading TResProject.Comment.Text: Invalid property path"},
        {Root("  Languages = <\n" + Item("      Visible = 1\n") + ">\n"), "EReadError",
         "Error reading TResProject.Languages: Error reading TResLanguageItem.Visible: Invalid property value"},
        {Root("  Languages = <\n" + Item("      Visible = nil\n") + ">\n"), "EReadError",
         "Error reading TResProject.Languages: Error reading TResLanguageItem.Visible: Invalid property value"},
        {Root("  Languages = nil\n"), "EReadError", "Error reading TResProject.Languages: Invalid property value"},
        {Root("  Strings = Foo.Bar\n"), "EReadError", "Error reading TResProject.Strings: Invalid property value"},
        {Root("  Name = '1x'\n"), "EReadError", "Error reading TResProject.Name: ''1x'' is not a valid component name"},
        {Root("  Tag = $80000000\n"), "EReadError", "Error reading TResProject.Tag: Invalid property value"},
        {Root("  Comment = 1.5\n"), "EReadError", "Error reading TResProject.Comment: Invalid property value"},
        {Root("  Comment = (1 2)\n"), "EReadError", "Error reading TResProject.Comment: Invalid property value"},
        {Root("  Tag = [a]\n"), "EReadError", "Error reading TResProject.Tag: Invalid property value"},
        {Root("  Tag = {0A0b}\n"), "EReadError", "Error reading TResProject.Tag: Invalid property value"},
        {Root("  Languages.Foo = 1\n"), "EReadError",
         "Error reading TResProject.Languages.Foo: Property Foo does not exist"},
        {Root("  Strings.Count = 1\n"), "EReadError",
         "Error reading TResProject.Strings.Count: Property Count does not exist"},
        {File("object Proj: TResProject\n  Bad = 1\nend\n"), "EReadError",
         "Error reading Proj.Bad: Property Bad does not exist"},
        {File("object TResProject\n  object Child: TButton\n  end\nend\n"), "EReadError",
         "Error reading TResProject.Child: Class TButton not found"},
    };
    for (const TErrorCase& c : cases) {
        TResProject p;
        try {
            p.LoadFromText(c.Text);
            ADD_FAILURE() << "loaded: " << c.Message;
        } catch (const Exception& e) {
            EXPECT_EQ(ClassOf(e), c.Class) << c.Message;
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
}

TEST(Reader, SyntaxErrorsLeaveTheProjectUntouched)
{
    TResProject p;
    EXPECT_THROW(p.LoadFromText(Root("  Comment = 'x'\n  Tag = 1\n  Comment = \n")), EParserError);
    EXPECT_EQ(p.Comment(), "");
    EXPECT_FALSE(p.Modified());

    // An apply error keeps what came before it.
    EXPECT_THROW(p.LoadFromText(Root("  Comment = 'x'\n  Bad = 1\n  PtrIdPrefix = 'q'\n")), EReadError);
    EXPECT_EQ(p.Comment(), "x");
    EXPECT_EQ(p.PtrIdPrefix(), "rsp");
    EXPECT_TRUE(p.Modified());
}

TEST(Reader, ReadsValuesAndNames)
{
    TResProject p;
    p.LoadFromText(File("OBJECT MainForm: TFoo [3]\n"
                        "  languages = <\n"
                        "    ITEM [7]\n"
                        "      textid = 'CZ'\n"
                        "      VISIBLE = true\n"
                        "    End\n"
                        "    item\n"
                        "      TextId = 'EN'\n"
                        "      SourceLanguageId = 0\n"
                        "      ResFileName = 'english.pas'\n"
                        "    end>\n"
                        "  Strings.NumberIdBase = $10\n"
                        "  Strings = <\n"
                        "    item\n"
                        "      TextId = 'a'\n"
                        "      NumberId = $7FFFFFFF\n"
                        "      StringConsts = <\n"
                        "        item\n"
                        "          Value = 'it''s' + 'it'#39's' + 'it' + #39 + 's'\n"
                        "          LanguageId = 1\n"
                        "        end\n"
                        "        item\n"
                        "          Value = 'x'#8364'\xE9'\n"
                        "        end>\n"
                        "    end\n"
                        "    item\n"
                        "      TextId = 'b'\n"
                        "      NumberId = -2147483648\n"
                        "      StringConsts = <>\n"
                        "    end>\n"
                        "  Tag = 7\n"
                        "  Left = 65537\n"
                        "  Top = -1\n"
                        "end\n") +
                   "anything after the end is ignored 'even broken");
    EXPECT_EQ(p.Name(), "MainForm_1");
    EXPECT_EQ(p.Languages()->Count(), 2);
    EXPECT_TRUE(p.Languages()->Items(0)->Visible());
    EXPECT_EQ(p.Languages()->Items(0)->ResFileName(), "ResStrCZ.pas");
    EXPECT_EQ(p.Languages()->Items(1)->ResFileName(), "english.pas");
    EXPECT_EQ(p.Strings()->NumberIdBase(), 16);
    const TResStringItem* a = p.Strings()->Items(0);
    EXPECT_EQ(a->NumberId(), INT32_MAX);
    EXPECT_EQ(a->StringConsts()->Items(0)->Value(), "it'sit'sit's");
    EXPECT_EQ(a->StringConsts()->Items(0)->Language(), p.Languages()->Items(1));
    // Unicode text: the euro sign maps into the code page, the quoted byte
    // is read as Latin-1 (é is in the code page too).
    EXPECT_EQ(a->StringConsts()->Items(1)->Value(), "x\x80\xE9");
    EXPECT_EQ(a->StringConsts()->Items(1)->LanguageId(), -1);
    EXPECT_EQ(p.Strings()->Items(1)->NumberId(), INT32_MIN);
    EXPECT_EQ(p.Tag(), 7);
    EXPECT_EQ(p.Left(), 1);
    EXPECT_EQ(p.Top(), 65535);
    EXPECT_EQ(p.ConstFileName(), "ResStr.pas") << "absent options keep their initial values";
    EXPECT_TRUE(p.SaveToText().starts_with("object MainForm_1: TResProject\r\n  Tag = 7\r\n"));
}

TEST(Reader, BlanksAroundTheEqualsSignDoNotMatter)
{
    // The usual " = " and every other spacing, also a value on the next line
    // and a dotted name, read the same.
    const std::string usual = Root("  Tag = 7\n  Comment = 'x' + 'y'\n  Strings.NumberIdBase = 5\n");
    TResProject expected;
    expected.LoadFromText(usual);
    ASSERT_EQ(expected.Comment(), "xy");
    for (const std::string& text :
         {Root("  Tag=7\n  Comment ='x'+'y'\n  Strings.NumberIdBase= 5\n"),
          Root("  Tag  =  7\n  Comment =\n    'x' +\n    'y'\n  Strings . NumberIdBase =\t5\n"),
          Root("  Tag\n  =\n  7\n  Comment = 'x'\n  + 'y'\n  Strings.NumberIdBase =5\n")}) {
        TResProject p;
        p.LoadFromText(text);
        EXPECT_EQ(p.SaveToText(), expected.SaveToText()) << text;
    }
    // What follows " =" is still checked.
    TResProject p;
    EXPECT_THROW_MSG(p.LoadFromText(Root("  Tag = = 7\n")), EParserError, "Invalid property value on line 2");
}

// An item's line with a name spelt as the class spells it and " =" is read
// on a shorter path; with the name in other letters, or other blanks, it
// goes the general way. Both read every value alike, and fail alike.
TEST(Reader, UsualLinesReadAsAnyOther)
{
    const std::string values[] = {"'x'",
                                  "'x' + #269 + 'y'",
                                  "\r\n          'x' +\r\n          'y'",
                                  "7",
                                  "-2147483648",
                                  "2147483648",
                                  "1.5",
                                  "True",
                                  "<>",
                                  "<\r\n        item\r\n        end>",
                                  "'x' + 7",
                                  "'sFirst'",
                                  "'a' + '",
                                  "[1, 2]"};
    for (const std::string& value : values)
        for (const char* property : {"Value", "LanguageId", "TextId", "NumberId"}) {
            const bool ofText = std::string_view(property) == "Value" || std::string_view(property) == "LanguageId";
            const auto project = [&](const std::string& line) {
                const std::string text = ofText
                    ? "      StringConsts = <\r\n        item\r\n          " + line + "\r\n        end>\r\n"
                    : "      " + line + "\r\n";
                return File(
                           "object TResProject\n  Strings = <\n    item\n      TextId = 'sFirst'\n    end\n"
                           "    item\n") +
                    text + File("    end>\nend\n");
            };
            const std::string usual = project(std::string(property) + " = " + value);
            std::string upper(property);
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            TResProject a, b, c;
            const std::string expected = LoadOutcome(a, [&] { a.LoadFromText(usual); });
            // A message names the property as the file spells it.
            std::string otherLetters = LoadOutcome(b, [&] { b.LoadFromText(project(upper + " = " + value)); });
            if (const size_t at = otherLetters.find("." + upper + ":"); at != std::string::npos)
                otherLetters.replace(at + 1, upper.size(), property);
            EXPECT_EQ(otherLetters, expected) << property << " = " << value;
            EXPECT_EQ(LoadOutcome(c, [&] { c.LoadFromText(project(std::string(property) + "  =  " + value)); }),
                      expected)
                << property << " = " << value;
        }
}

// The lines of an item that stand right after its "item", and the "end"
// after them, are read straight from the text while they are usual; an item
// reads the same whether or not its lines are. Two blanks before "=" make
// every line unusual, and change nothing else.
TEST(Reader, ItemsReadAsAnyOther)
{
    const std::string texts[] = {
        "Value = 'x'\nLanguageId = 0\nend",
        "Value = 'x' + #269 +\n  'y'\nLanguageId = 1\nend",
        "Value = 'x'\nLanguageId = 1\nend>",
        "Value = 'x'\nLanguageId = 0\nEND",
        "Value = 'x' LanguageId = 0 end",
        "LanguageId = 1\nValue = 'x'\nValue = 'y'\nend",
        "Value = 'x'\nLanguageId = 0\nendx\nend",
        "Value = 'x'\nLanguageId = 0\nend.x",
        "Value = 'x'\n[7]\nend",
        "[7]\nValue = 'x'\nend",
        "Value = 'x'\nLanguageId = 0\nVisible = True\nend",
        "Value = 'x'\nLanguageId = 0\nLanguageId.X = 1\nend",
        "Value = 'x'\nLanguageId = 007\nend",
        "Value = 'x'\nLanguageId = 123456789\nend",
        "Value = 'x'\nLanguageId = 1234567890\nend",
        "Value = 'x'\nLanguageId = 99999999999999999999\nend",
        "Value = 'x'\nLanguageId = -1\nend",
        "Value = 'x'\nLanguageId = 7s\nend",
        "Value = 'x'\nLanguageId = 7e3\nend",
        "Value = 'x'\nLanguageId = 7.\nend",
        "Value = 'x'\nLanguageId = 7x\nend",
        "Value = 'x'\nLanguageId = 7",
        "Value = 'x' 'y'\nend",
        "Value = 'x'.y\nend",
        "Value = 'x' +\nLanguageId = 0\nend",
        "Value = 'x\nLanguageId = 0\nend",
        "Value = 'x'#\nend",
        "Value = 7\nend",
        "Value == 'x'\nend",
        "Value = 'x'\nLanguageId = 0\nitem",
    };
    // The texts stand in the second item's list; its string item has usual
    // lines of its own, and a third item follows.
    // Lines after the list, and another item after them, are read as usual.
    const auto project = [](const std::string& text, const std::string& assign, const std::string& after = "") {
        std::string body = text + "\n>\n" + after;
        for (size_t at = 0; (at = body.find(" = ", at)) != std::string::npos; at += assign.size())
            body.replace(at, 3, assign);
        for (size_t at = 0; (at = body.find('\n', at)) != std::string::npos; at += 11)
            body.replace(at, 1, "\n          ");
        return File(
            "object TResProject\n  Languages = <\n    item\n      TextId = 'CZ'\n    end\n    item\n"
            "      TextId = 'EN'\n    end>\n  Strings = <\n    item\n      TextId = 'sFirst'\n    end\n"
            "    item\n      TextId" +
            assign + "'sSecond'\n      NumberId" + assign + "7\n      StringConsts" + assign +
            "<\n        item\n          " + body + "\n    end\n    item\n      NumberId" + assign +
            "9\n    end>\nend\n");
    };
    for (const std::string& text : texts)
        for (const char* after : {"", "NumberId = 8\nFixedId = True", "StringConsts = <>", "Bad = 1"}) {
            TResProject usual, unusual;
            const std::string expected =
                LoadOutcome(unusual, [&] { unusual.LoadFromText(project(text, "  =  ", after)); });
            EXPECT_EQ(LoadOutcome(usual, [&] { usual.LoadFromText(project(text, " = ", after)); }), expected)
                << text << " / " << after;
        }
    // The usual item itself loads.
    TResProject p;
    p.LoadFromText(project(texts[1], " = "));
    ASSERT_EQ(p.Strings()->Count(), 3);
    const TResStringConstItem* t = p.Strings()->Items(1)->StringConsts()->Items(0);
    EXPECT_EQ(t->Value(), "x\xE8y");
    EXPECT_EQ(t->LanguageId(), 1);
    EXPECT_EQ(p.Strings()->Items(1)->NumberId(), 7);
}

// The text ends at its first zero byte, which the lexer finds as it goes:
// a zero byte anywhere reads exactly as the text cut there, also where the
// cut decides whether a line is too long.
TEST(Reader, AZeroByteAnywhereEndsTheText)
{
    const std::string text = NumberedItemsText(120, 70);
    ASSERT_GT(text.size(), 3u * 4096);
    // A line longer than the window, before the end of the text.
    std::string longLine = text;
    longLine.insert(longLine.find("  Strings = <"), "  Comment = '" + std::string(5000, 'c') + "'\r\n");
    const auto outcome = [](std::string_view t) {
        TResProject p;
        return LoadOutcome(p, [&] { p.LoadFromText(t); });
    };
    for (const std::string& base : {text, longLine})
        for (size_t at = 0; at < base.size(); at += (at < 64 || base.size() - at < 64 ? 1 : 97)) {
            std::string withZero = base;
            withZero[at] = '\0';
            ASSERT_EQ(outcome(withZero), outcome(std::string_view(base).substr(0, at))) << at;
        }
}

TEST(Reader, UnicodeTextsGoToTheCodePage)
{
    TResProject p;
    // A pair of surrogates is one missing character; a lone one too. Quoted
    // bytes in a Unicode token are Latin-1, so 0x8A is a control, not "Š".
    p.LoadFromText(Root("  Comment = 'a'#55357#56832'b'#55357 + '\x8A' + '\x8A'#353\n"));
    EXPECT_EQ(p.Comment(), "a?b?\x8A?\x9A");
}

TEST(Reader, SecondListReplacesTheFirstAndIdsGoOn)
{
    TResProject p;
    p.LoadFromText(Root("  Languages = <\n" + Item("      TextId = 'CZ'\n") +
                        ">\n"
                        "  Languages = <>\n"
                        "  Languages = <\n" +
                        Item("      TextId = 'CZ'\n") + "\n" + Item("      TextId = 'EN'\n") + ">\n"));
    ASSERT_EQ(p.Languages()->Count(), 2);
    EXPECT_EQ(p.Languages()->Items(0)->ID(), 1);
    EXPECT_EQ(p.Languages()->Items(1)->ID(), 2);
}

TEST(Reader, DanglingLanguageIdLoadsAndSavesBack)
{
    const std::string text =
        Root("  Languages = <>\n  Strings.NumberIdBase = 1\n  Strings = <\n" +
             Item("      NumberId = 1\n      StringConsts = <\n        item\n          Value = 'x'\n"
                  "          LanguageId = 5\n        end>\n") +
             ">\n  ConstFileName = 'ResStr.pas'\n  StringIdPrefix = 'sid'\n  PtrIdPrefix = 'rsp'\n");
    TResProject p;
    p.LoadFromText(text);
    EXPECT_EQ(p.SaveToText(), text);
}

TEST(LoadFromFile, SetsFileNameOnlyOnSuccess)
{
    TTempDir dir;
    TResProject p;
    EXPECT_THROW_MSG(p.LoadFromFile(dir / "none.rpr"), EFOpenError, "Cannot open file " + (dir / "none.rpr"));
    try {
        p.LoadFromFile(dir / "none.rpr");
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Reason(), "No such file or directory"); // the system's reason, shown beside the message
    }
    WriteBytes(dir / "bad.rpr", Root("  Comment = 'x'\n  Tag = 'y'\n"));
    EXPECT_THROW(p.LoadFromFile(dir / "bad.rpr"), EReadError);
    EXPECT_EQ(p.FileName(), "");
    EXPECT_TRUE(p.Modified());

    TResProject q;
    WriteBytes(dir / "good.rpr", Root("  Comment = 'x'\n"));
    q.LoadFromFile(dir / "good.rpr");
    EXPECT_EQ(q.FileName(), dir / "good.rpr");
    EXPECT_FALSE(q.Modified());
}

TEST(Reader, HostileInputOnlyRaisesOurExceptions)
{
    const std::string seed = ReadBytes(QUILLET_TEST_DATA "/rpr/worked-example.rpr");
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = seed;
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % (text.size() + 1);
            switch (rng() % 3) {
                case 0: text.insert(at, 1, static_cast<char>(rng() % 256)); break;
                case 1:
                    if (at < text.size()) text.erase(at, 1 + rng() % 20);
                    break;
                default:
                    if (at < text.size()) text[at] = "'#<>[](){}=+.$-0\r\n"[rng() % 19];
                    break;
            }
        }
        TResProject p;
        try {
            p.LoadFromText(text);
        } catch (const Exception&) {}
    }
    std::string deep = "object T\n X = ";
    for (int i = 0; i < 20000; ++i) deep += "(\n";
    TResProject p;
    EXPECT_THROW_MSG(p.LoadFromText(deep), EParserError, "Invalid property value on line 501");
}

TEST(Reader, EachPropertyLineSetsItsOwnField)
{
    // One line per property; every other field must keep its initial value.
    TResProject p;
    p.LoadFromText(
        Root("  Tag = 1\n  OutputDirectory = 'o'\n  ConstFileName = 'c'\n  StringIdPrefix = 's'\n"
             "  PtrIdPrefix = 'p'\n  Comment = 'm'\n  Left = 2\n  Top = 3\n  Name = 'N'\n"
             "  Strings.NumberIdBase = 4\n"
             "  Languages = <\n" +
             Item("      TextId = 'L'\n      SourceLanguageId = 5\n      Visible = True\n"
                  "      ResFileName = 'r'\n") +
             ">\n  Strings = <\n" +
             Item("      TextId = 'S'\n      NumberId = 6\n      Standard = True\n      FixedId = False\n"
                  "      StringConsts = <\n        item\n          Value = 'v'\n          LanguageId = 7\n"
                  "        end>\n") +
             ">\n"));
    EXPECT_EQ(std::make_tuple(p.Tag(), p.OutputDirectory(), p.ConstFileName(), p.StringIdPrefix(), p.PtrIdPrefix(),
                              p.Comment(), p.Left(), p.Top(), p.Name(), p.Strings()->NumberIdBase()),
              std::make_tuple(1, std::string("o"), std::string("c"), std::string("s"), std::string("p"),
                              std::string("m"), uint16_t(2), uint16_t(3), std::string("N"), 4));
    const TResLanguageItem* l = p.Languages()->Items(0);
    EXPECT_EQ(std::make_tuple(l->TextId(), l->SourceLanguageId(), l->Visible(), l->ResFileName()),
              std::make_tuple(std::string("L"), 5, true, std::string("r")));
    const TResStringItem* s = p.Strings()->Items(0);
    EXPECT_EQ(std::make_tuple(s->TextId(), s->NumberId(), s->Standard(), s->FixedId()),
              std::make_tuple(std::string("S"), 6, true, false));
    const TResStringConstItem* t = s->StringConsts()->Items(0);
    EXPECT_EQ(std::make_tuple(t->Value(), t->LanguageId()), std::make_tuple(std::string("v"), 7));
}

TEST(Reader, DottedNamesPassOnlyThroughLists)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"  Left.X = 1\n", "Error reading TResProject.Left.X: Property Left does not exist"},
        {"  Name.X = 1\n", "Error reading TResProject.Name.X: Invalid property path"},
        {"  Strings.NumberIdBase.X = 1\n", "Error reading TResProject.Strings.NumberIdBase.X: Invalid property path"},
        {"  Strings.Left = 1\n", "Error reading TResProject.Strings.Left: Property Left does not exist"},
        {"  Strings.Strings = <>\n", "Error reading TResProject.Strings.Strings: Property Strings does not exist"},
        {"  Strings.NumberIdBase = <>\n", "Error reading TResProject.Strings.NumberIdBase: Invalid property value"},
        {"  Comment = <>\n", "Error reading TResProject.Comment: Invalid property value"},
        {"  Visible = True\n", "Error reading TResProject.Visible: Property Visible does not exist"},
        {"  Strings = <\n" + Item("      Value = 'x'\n") + ">\n",
         "Error reading TResProject.Strings: Error reading TResStringItem.Value: Property Value does not exist"},
        {"  Languages = <\n" + Item("      Visible = True.X\n") + ">\n",
         "Error reading TResProject.Languages: Error reading TResLanguageItem.Visible: Invalid property value"},
    };
    for (const auto& [lines, message] : cases) {
        TResProject p;
        EXPECT_THROW_MSG(p.LoadFromText(Root(lines)), EReadError, message);
    }
}

TEST(Reader, WideHexadecimalNumbersWrap)
{
    TResProject p;
    p.LoadFromText(Root("  Tag = $FFFFFFFFFFFFFFFE\n  Left = $FFFFFFFFFFFFFFFF\n"));
    EXPECT_EQ(p.Tag(), -2);
    EXPECT_EQ(p.Left(), 65535);
    EXPECT_THROW_MSG(p.LoadFromText(Root("  Tag = $FFFFFFFF\n")), EReadError,
                     "Error reading TResProject.Tag: Invalid property value");
    EXPECT_THROW_MSG(p.LoadFromText(Root("  Tag = $1FFFFFFFFFFFFFFFF\n")), EConvertError,
                     "'$1FFFFFFFFFFFFFFFF' is not a valid integer value");
}

TEST(Reader, SurrogatePairSplitByPlusIsOneCharacter)
{
    TResProject p;
    p.LoadFromText(Root("  Comment = 'a'#55357 + #56832'b'\n  PtrIdPrefix = #55357\n  StringIdPrefix = 'x'\n"));
    EXPECT_EQ(p.Comment(), "a?b");
    EXPECT_EQ(p.PtrIdPrefix(), "?") << "a value does not carry a half character into the next";
    EXPECT_EQ(p.StringIdPrefix(), "x");
}

TEST(Reader, SyntaxErrorAfterTheListsLeavesTheProjectUntouched)
{
    TResProject p;
    const std::string text = ReadBytes(QUILLET_TEST_DATA "/rpr/worked-example.rpr");
    const std::string broken = text.substr(0, text.rfind("end")) + "  Comment = 'x' 'y'\r\nend\r\n";
    EXPECT_THROW(p.LoadFromText(broken), EParserError);
    EXPECT_EQ(p.Languages()->Count(), 0);
    EXPECT_EQ(p.Strings()->Count(), 0);
    EXPECT_EQ(p.Languages()->NextID(), 0);
    EXPECT_EQ(p.Strings()->NextID(), 0);
    EXPECT_FALSE(p.Modified());
}

TEST(Reader, ASyntaxErrorWinsOverAnEarlierValueThatFails)
{
    // The value fails first, deep in a list; the syntax error comes later and
    // is the one reported, with nothing of the text kept.
    const std::string text = ReadBytes(QUILLET_TEST_DATA "/rpr/worked-example.rpr");
    const size_t at = text.find(" LanguageId = ");
    ASSERT_NE(at, std::string::npos);
    std::string failing = text;
    failing.replace(at, 14, " LanguageId = True\r\n          Wrong = ");
    const std::string broken = failing.substr(0, failing.rfind("end")) + "  Comment = 'x' 'y'\r\nend\r\n";
    TResProject p;
    EXPECT_THROW(p.LoadFromText(broken), EParserError);
    EXPECT_EQ(p.Strings()->Count(), 0);
    EXPECT_EQ(p.Strings()->NextID(), 0);
    EXPECT_FALSE(p.Modified());

    // Without the syntax error the first failing value is reported, named
    // through the lines around it, and the items before it stay.
    try {
        p.LoadFromText(failing);
        ADD_FAILURE() << "loaded";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(),
                  "Error reading TResProject.Strings: Error reading TResStringItem.StringConsts: "
                  "Error reading TResStringConstItem.LanguageId: Invalid property value");
    }
    EXPECT_EQ(p.Strings()->Count(), 1);

    // A project that is not new is checked whole before anything reaches it.
    TResProject q;
    q.SetComment("kept");
    q.SetModified(false);
    EXPECT_THROW(q.LoadFromText(broken), EParserError);
    EXPECT_EQ(q.Comment(), "kept");
    EXPECT_EQ(q.Strings()->Count(), 0);
    EXPECT_FALSE(q.Modified());
}

namespace {

// What loading text leaves, through LoadFromText and through LoadFromFile
// reading and mapping the file: the project saved again, or the error and
// what stayed loaded. The file goes to path. Whether the project read from
// the file is modified goes to *fileModified.
struct TLoaded {
    std::string Text, Read, Mapped;
};
TLoaded LoadEveryWay(const std::string& text, const std::filesystem::path& path, bool* fileModified = nullptr)
{
    TResProject fromText, read, mapped;
    WriteBytes(path, text);
    TLoaded loaded{LoadOutcome(fromText, [&] { fromText.LoadFromText(text); }),
                   LoadOutcome(read, [&] { read.LoadFromFile(path, TProjectFileAccess::Read); }),
                   LoadOutcome(mapped, [&] { mapped.LoadFromFile(path, TProjectFileAccess::Map); })};
    if (fileModified) *fileModified = read.Modified();
    return loaded;
}

} // namespace

TEST(LoadFromFile, LoadsWhatLoadFromTextLoads)
{
    // Read from the mapped file or from a string, a project loads the same,
    // or fails with the same error and keeps the same part of it.
    TTempDir dir;
    const std::string text = ReadBytes(QUILLET_TEST_DATA "/rpr/worked-example.rpr");
    // The last item's line that starts with key, replaced by line.
    auto variantOf = [](std::string t, std::string_view key, const std::string& line) {
        const size_t at = t.rfind("\n      " + std::string(key));
        EXPECT_NE(at, std::string::npos) << key;
        if (at != std::string::npos) t.replace(at + 1, t.find('\n', at + 1) - at, line);
        return t;
    };
    auto variant = [&](std::string_view key, const std::string& line) { return variantOf(text, key, line); };
    // The first string item's value of key, as written.
    auto firstValue = [&](std::string_view key) {
        const std::string line = "\n      " + std::string(key);
        const size_t at = text.find(line, text.find("Strings = <")) + line.size();
        return text.substr(at, text.find('\r', at) - at);
    };
    // Reading a file reads it once, checking each text ID as it is set; the
    // other ways check them all at the end and read again when two clash,
    // also when a later value fails too.
    const std::string duplicateId = "      TextId = " + UpperAscii(firstValue("TextId = ")) + "\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", text},
        {"", variant("NumberId = ", "")}, // no number: the next free one
        {"Duplicate string text ID", variant("TextId = ", duplicateId)},
        {"Duplicate string text ID", variantOf(variant("NumberId = ", "      Tag = 1\r\n"), "TextId = ", duplicateId)},
        {"Duplicate string number ID",
         variant("NumberId = ", "      NumberId = " + firstValue("NumberId = ") + "\r\n")},
        {"Property Tag does not exist", variant("NumberId = ", "      Tag = 1\r\n")},
    };
    for (const auto& [error, c] : cases) {
        bool fileModified = false;
        const TLoaded loaded = LoadEveryWay(c, dir / "p.rpr", &fileModified);
        if (error.empty()) EXPECT_FALSE(loaded.Read.starts_with("error: ")) << loaded.Read.substr(0, 200);
        else EXPECT_NE(loaded.Read.find(error + " / "), std::string::npos) << loaded.Read.substr(0, 200);
        EXPECT_EQ(loaded.Text, loaded.Read);
        EXPECT_EQ(loaded.Mapped, loaded.Read);
        EXPECT_TRUE(loaded.Read.starts_with("error: Error reading") || !fileModified) << loaded.Read.substr(0, 200);
    }

    // A clash that a later value would hide: the item's text ID set again,
    // or the whole list replaced by a second one.
    const std::string twoLists =
        Root("  Strings = <\n" + Item("      TextId = 'a'\n") + "\n" + Item("      TextId = 'A'\n") +
             ">\n  Strings = <\n" + Item("      TextId = 'b'\n") + ">\n");
    for (const std::string& hidden : {variant("TextId = ", duplicateId + "      TextId = 'sFresh'\r\n"), twoLists}) {
        const TLoaded loaded = LoadEveryWay(hidden, dir / "p.rpr");
        EXPECT_NE(loaded.Read.find("Duplicate string text ID / "), std::string::npos) << loaded.Read.substr(0, 200);
        EXPECT_EQ(loaded.Text, loaded.Read);
        EXPECT_EQ(loaded.Mapped, loaded.Read);
    }

    // Text IDs checked at the end are looked up and guarded as ever after.
    TResProject p;
    p.LoadFromText(text);
    TResStringList& strings = *p.Strings();
    ASSERT_GE(strings.Count(), 2);
    for (int i = 0; i < strings.Count(); ++i)
        EXPECT_EQ(strings.FindByTextId(UpperAscii(strings.Items(i)->TextId())), strings.Items(i));
    EXPECT_THROW_MSG(strings.Items(1)->SetTextId(strings.Items(0)->TextId()), EResFile, "Duplicate string text ID");
}

TEST(LoadFromFile, RefusesWhatIsNoProjectFile)
{
    TTempDir dir;
    TResProject p;
    EXPECT_THROW_MSG(p.LoadFromFile(dir.Path().string()), EFOpenError,
                     "Cannot open file " + dir.Path().string() + ": it is not a regular file");
    // No writer opens the FIFO: the load must not wait for one. Should it
    // wait, the test opens one after a while, so that it fails, not hangs.
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto load = std::async(std::launch::async, [&] {
        try {
            TResProject q;
            q.LoadFromFile(fifo);
            return std::string("loaded");
        } catch (const EFOpenError& e) {
            return std::string(e.what());
        }
    });
    if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "LoadFromFile waits for a writer of the FIFO";
        ::close(::open(fifo.c_str(), O_WRONLY));
    }
    EXPECT_EQ(load.get(), "Cannot open file " + fifo + ": it is not a regular file");
    EXPECT_THROW_MSG(p.LoadFromFile("/dev/zero"), EFOpenError, "Cannot open file /dev/zero: it is not a regular file");
    // A sparse file one byte over the limit takes no disk space and is not read.
    WriteBytes(dir / "big.rpr", "");
    std::filesystem::resize_file(dir / "big.rpr", (uintmax_t(1) << 30) + 1);
    EXPECT_THROW_MSG(p.LoadFromFile(dir / "big.rpr"), EFOpenError,
                     "Cannot open file " + (dir / "big.rpr") +
                         ": it is too large to be a project file (more than 1 GiB)");
    WriteBytes(dir / "empty.rpr", "");
    EXPECT_THROW_MSG(p.LoadFromFile(dir / "empty.rpr"), EParserError, "OBJECT expected on line 1");
    EXPECT_EQ(p.FileName(), "");
}

// LoadFromFile hands the file's pages back behind the items it has read; a
// large file must load, and fail, exactly as its text does through
// LoadFromText.
TEST(LoadFromFile, ALargeFileLoadsAndFailsAsItsText)
{
    TTempDir dir;
    const std::string text = NumberedItemsText(30000, 90);
    ASSERT_GT(text.size(), 4u * 1024 * 1024) << "several megabytes are handed back";

    WriteBytes(dir / "p.rpr", text);
    TResProject fromFile;
    fromFile.LoadFromFile(dir / "p.rpr");
    EXPECT_EQ(fromFile.SaveToText(), text);

    // Errors near the end, after most pages went back: a duplicate text ID
    // (a value that fails) and a syntax error.
    std::string duplicate = text;
    const size_t at = duplicate.rfind("'sItem29990'");
    ASSERT_NE(at, std::string::npos);
    duplicate.replace(at, 12, "'sItem7'");
    std::string syntax = text;
    syntax.insert(syntax.rfind("NumberId = ") + 11, "= ");
    for (const std::string& damaged : {duplicate, syntax}) {
        const TLoaded loaded = LoadEveryWay(damaged, dir / "damaged.rpr");
        EXPECT_TRUE(loaded.Read.starts_with("error: ")) << loaded.Read.substr(0, 200);
        EXPECT_EQ(loaded.Text, loaded.Read);
        EXPECT_EQ(loaded.Mapped, loaded.Read);
    }
}
