#include "tHelpers.h"

#include <cstdio>
#include <cstring>

#include "uOverwritePrompt.h"
#include "uTextOut.h"

namespace {

const std::string kGen = QUILLET_TEST_DATA "/gen/";

// The lines of a unit between two markers, LF-joined, for readable checks.
std::string Lines(const std::string& text, const std::string& from, const std::string& to)
{
    size_t a = text.find(from);
    size_t b = text.find(to, a);
    std::string part = text.substr(a, b - a);
    std::erase(part, '\r');
    return part;
}

std::string DataOf(const TResProject& p, int language = 0)
{
    return Lines(p.LanguageUnitText(p.Languages()->Items(language)), "@Null:", "@Exit:");
}

std::string TablesOf(const TResProject& p)
{
    return Lines(p.LanguageUnitText(p.Languages()->Items(0)), "         SUB", "@Null:");
}

} // namespace

TEST(Generators, WorkedExampleByteForByte)
{
    TTempDir dir;
    std::filesystem::copy_file(kGen + "worked-example/project.rpr", dir / "project.rpr");
    std::filesystem::create_directory(dir.Path() / "out");
    TResProject p;
    p.LoadFromFile(dir / "project.rpr");
    TScriptedPrompt prompt;
    p.WriteConstUnit(prompt);
    for (int i = 0; i < p.Languages()->Count(); ++i) p.WriteLanguageUnit(p.Languages()->Items(i), prompt);
    for (const char* name : {"ResStr.pas", "ResStrEN.pas", "ResStrCZ.pas"})
        EXPECT_EQ(ReadBytes(dir / (std::string("out/") + name)), ReadBytes(kGen + "worked-example/expected/" + name))
            << name;
    EXPECT_TRUE(prompt.Asked.empty());
    EXPECT_FALSE(p.Modified());
}

TEST(Generators, OverwriteQuestionYesReplacesNoKeeps)
{
    TTempDir dir;
    TResProject p;
    AddLanguage(p, "EN");
    AddItem(p, "A", 1);
    p.SetOutputDirectory(dir.Path().string());
    WriteBytes(dir / "ResStr.pas", "keep me");
    WriteBytes(dir / "ResStrEN.pas", "replace me");
    TScriptedPrompt prompt;
    prompt.Answers = {false, true};
    p.WriteConstUnit(prompt);
    p.WriteLanguageUnit(p.Languages()->Items(0), prompt);
    ASSERT_EQ(prompt.Asked.size(), 2u);
    EXPECT_EQ(prompt.Asked[0], dir / "ResStr.pas");
    EXPECT_EQ(OverwriteQuestion(prompt.Asked[0]), "File " + (dir / "ResStr.pas") + " exists. Overwrite ?");
    EXPECT_EQ(ReadBytes(dir / "ResStr.pas"), "keep me");
    EXPECT_EQ(ReadBytes(dir / "ResStrEN.pas"), p.LanguageUnitText(p.Languages()->Items(0)));
}

TEST(Generators, UnchangedUnitsKeptWithoutAskingWhenThePromptSaysSo)
{
    TTempDir dir;
    TResProject p;
    AddLanguage(p, "EN");
    AddItem(p, "A", 1);
    p.SetOutputDirectory(dir.Path().string());
    // A prompt that keeps unchanged files and replaces the others.
    struct TKeepUnchanged : TScriptedPrompt {
        std::vector<std::string> Kept;
        bool KeepsUnchanged() const override { return true; }
        void Unchanged(const std::string& path) override { Kept.push_back(path); }
    } prompt;
    WriteBytes(dir / "ResStr.pas", p.ConstUnitText());
    const std::string enText = p.LanguageUnitText(p.Languages()->Items(0));
    WriteBytes(dir / "ResStrEN.pas", enText + "x"); // one byte more: changed
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(dir / "ResStr.pas", old);
    p.WriteConstUnit(prompt);
    p.WriteLanguageUnit(p.Languages()->Items(0), prompt);
    EXPECT_EQ(prompt.Kept, std::vector<std::string>{dir / "ResStr.pas"});
    EXPECT_EQ(prompt.Asked, std::vector<std::string>{dir / "ResStrEN.pas"});
    EXPECT_EQ(std::filesystem::last_write_time(dir / "ResStr.pas"), old);
    EXPECT_EQ(ReadBytes(dir / "ResStrEN.pas"), enText);

    // The plain prompt asks as before, even when nothing would change.
    TScriptedPrompt plain;
    plain.Answers = {false};
    p.WriteConstUnit(plain);
    EXPECT_EQ(plain.Asked.size(), 1u);
}

TEST(Generators, OutputPaths)
{
    TTempDir dir;
    TResProject p;
    AddLanguage(p, "EN")->SetResFileName("sub\\en.pas");
    std::filesystem::create_directories(dir.Path() / "proj" / "sub");
    std::filesystem::create_directories(dir.Path() / "Source");
    p.SaveToFile(dir / "proj/p.rpr");
    EXPECT_EQ(p.OutputPath("ResStr.pas"), dir / "proj/ResStr.pas") << "empty: the project's folder";
    p.SetOutputDirectory("..\\Source");
    EXPECT_EQ(p.OutputPath("ResStr.pas"), dir / "Source/ResStr.pas");
    p.SetOutputDirectory("");
    TScriptedPrompt prompt;
    p.WriteLanguageUnit(p.Languages()->Items(0), prompt);
    EXPECT_TRUE(std::filesystem::exists(dir / "proj/sub/en.pas"));

    p.SetOutputDirectory("missing");
    EXPECT_THROW_MSG(p.WriteConstUnit(prompt), EFCreateError, "Cannot create file missing/ResStr.pas");
    p.SetOutputDirectory("missing\\");
    EXPECT_THROW_MSG(p.WriteConstUnit(prompt), EFCreateError, "Cannot create file missing\\ResStr.pas");
    p.SetOutputDirectory("");
    p.Languages()->Items(0)->SetResFileName("");
    EXPECT_THROW_MSG(p.WriteLanguageUnit(p.Languages()->Items(0), prompt), EFCreateError, "Cannot create file ");
    p.SetConstFileName("");
    p.SetOutputDirectory("out");
    EXPECT_THROW_MSG(p.WriteConstUnit(prompt), EFCreateError, "Cannot create file out/");
    EXPECT_TRUE(prompt.Asked.empty());

    const std::string elsewhere = dir / "Source";
    p.SetConstFileName("c.pas");
    p.WriteConstUnit(prompt, &elsewhere);
    EXPECT_TRUE(std::filesystem::exists(dir / "Source/c.pas"));
}

TEST(UnitName, FromFileName)
{
    EXPECT_EQ(UnitNameFromFileName("ResStrEN.pas"), "ResStrEN");
    EXPECT_EQ(UnitNameFromFileName("my.strings.pas"), "my.strings");
    EXPECT_EQ(UnitNameFromFileName("x.pas"), "x");
    EXPECT_EQ(UnitNameFromFileName("..\\dir\\ResStr.pas"), "ResStr");
    EXPECT_EQ(UnitNameFromFileName("a/b/.pas"), ".pas");
    EXPECT_EQ(UnitNameFromFileName("noext"), "noext");
}

TEST(LanguageUnit, EmptyProjectAndRanges)
{
    TResProject p;
    AddLanguage(p, "EN");
    const std::string text = p.LanguageUnitText(p.Languages()->Items(0));
    EXPECT_NE(text.find("         MOV   BX, [AId]\r\n@Null:\r\n"), std::string::npos);
    EXPECT_NE(text.find("         JMP   @Exit\r\n\r\n\r\n@Exit:\r\n"), std::string::npos);

    AddItem(p, "a", 1);
    AddItem(p, "b", 8);
    EXPECT_EQ(TablesOf(p),
              "         SUB   BX, $0001\n         JL    @Null\n         CMP   BX, $0007\n"
              "         JG    @Null\n         SHL   BX, 1\n         MOV   AX, CS:[ OFFSET @Tab1 + BX ]\n"
              "         JMP   @Exit\n@Tab1:\n"
              "         DW    OFFSET @S0001, 0             , 0             , 0             \n"
              "         DW    0             , 0             , 0             , OFFSET @S0008\n\n");
    p.Strings()->Items(1)->SetNumberId(9);
    const std::string two = TablesOf(p);
    EXPECT_NE(two.find("@Range2:\n         SUB   BX, $0008\n"), std::string::npos) << two;
    EXPECT_NE(two.find("         JG    @Range2\n"), std::string::npos);
}

TEST(LanguageUnit, FourEntriesToADwLine)
{
    TResProject p;
    AddLanguage(p, "EN");
    for (int i = 1; i <= 5; ++i) AddItem(p, "i" + std::to_string(i), i);
    EXPECT_NE(TablesOf(p).find("OFFSET @S0004\n         DW    OFFSET @S0005\n\n"), std::string::npos);
}

TEST(LanguageUnit, SignedJumpsOnlyWhileNumbersFit7FFF)
{
    TResProject p;
    AddLanguage(p, "EN");
    AddItem(p, "a", 1);
    AddItem(p, "b", 0x7FFF);
    EXPECT_EQ(TablesOf(p).find("JB"), std::string::npos);
    AddItem(p, "c", 0x9000);
    const std::string tables = TablesOf(p);
    EXPECT_EQ(tables.find("JL"), std::string::npos);
    EXPECT_EQ(tables.find("JG"), std::string::npos);
    EXPECT_NE(tables.find("         JB    @Null\n         CMP   BX, $0000\n         JA    @Range2\n"),
              std::string::npos);
}

TEST(LanguageUnit, UnsignedFormByteForByte)
{
    TResProject p;
    p.LoadFromFile(kGen + "unsigned/project.rpr");
    EXPECT_EQ(p.LanguageUnitText(p.Languages()->Items(0)), ReadBytes(kGen + "unsigned/expected/ResStrEN.pas"));
}

TEST(LanguageUnit, NumbersBeyond16BitsAndNegative)
{
    TResProject p;
    AddLanguage(p, "EN");
    AddItem(p, "a", -5, true);
    AddItem(p, "b", 0x10000);
    AddItem(p, "c", INT32_MAX);
    const std::string text = p.LanguageUnitText(p.Languages()->Items(0));
    EXPECT_NE(text.find("         SUB   BX, $FFFFFFFB\r\n"), std::string::npos);
    EXPECT_NE(text.find("         SUB   BX, $10005\r\n"), std::string::npos);
    EXPECT_NE(text.find("         SUB   BX, $7FFEFFFF\r\n"), std::string::npos);
    EXPECT_NE(text.find("@SFFFFFFFB:  DB   $00, 0\r\n@S10000:  DB   $00, 0\r\n@S7FFFFFFF:  DB   $00, 0\r\n"),
              std::string::npos);
    const std::string consts = p.ConstUnitText();
    EXPECT_NE(consts.find("  sidb = $10000;\r\n"), std::string::npos);
    EXPECT_NE(consts.find("  rspb = PRString( Ptr( 0, $10000 ) );\r\n"), std::string::npos);
}

TEST(LanguageUnit, TextChunks)
{
    auto data = [&](const std::string& t) {
        TResProject q;
        AddLanguage(q, "EN");
        AddText(AddItem(q, "a", 1), 0, t);
        std::string d = DataOf(q);
        return d.substr(d.find("@S0001"));
    };
    EXPECT_EQ(data(std::string(59, 'a')), "@S0001:  DB   $3B, '" + std::string(59, 'a') + "', 0\n\n");
    EXPECT_EQ(data(std::string(60, 'a')),
              "@S0001:  DB   $3C, '" + std::string(59, 'a') + "'\n         DB   'a', 0\n\n");
    EXPECT_EQ(data("'x"), "@S0001:  DB   $02, $27, 'x', 0\n\n");
    EXPECT_EQ(data("\r"), "@S0001:  DB   $01, $0D, 0\n\n");
    EXPECT_EQ(data("a\x7F\x80\xFF"), "@S0001:  DB   $04, 'a', $7F, '\x80\xFF', 0\n\n");
    EXPECT_EQ(data("x\r\ny"), "@S0001:  DB   $03, 'x', $0D, 'y', 0\n\n");

    // A byte that cannot stand in quotes is found wherever it stands in a
    // long quoted run; the bytes 32, 126, 128 and 255 stay inside the quotes.
    for (const char special : {'\x01', '\x1F', '\'', '\x7F'})
        for (size_t i = 0; i <= 40; ++i) {
            const std::string before(i, 'a'), after(40 - i, 'b');
            char hex[4];
            std::snprintf(hex, sizeof hex, "$%02X", static_cast<unsigned char>(special));
            std::string expected = "@S0001:  DB   $29, ";
            if (!before.empty()) expected += "'" + before + "', ";
            expected += hex;
            if (!after.empty()) expected += ", '" + after + "'";
            EXPECT_EQ(data(before + special + after), expected + ", 0\n\n") << i << " " << int(special);
        }
    const std::string quotable =
        "abcdefgh ~\x80\xFF"
        "abcdefgh ~\x80\xFF";
    EXPECT_EQ(data(quotable), "@S0001:  DB   $18, '" + quotable + "', 0\n\n");

    const std::string big = data(std::string(300, 'z'));
    EXPECT_TRUE(big.starts_with("@S0001:  DB   $FF, '")) << big;
    EXPECT_EQ(std::count(big.begin(), big.end(), 'z'), 300);
}

TEST(LanguageUnit, SourceLanguageChains)
{
    TResProject p;
    AddLanguage(p, "A");          // 0
    AddLanguage(p, "B", true, 0); // 1 -> A
    AddLanguage(p, "C", true, 1); // 2 -> B -> A
    AddLanguage(p, "D", true, 4); // 3 -> nothing
    AddLanguage(p, "E", true, 5); // 4 -> F
    AddLanguage(p, "F", true, 4); // 5 -> E: a loop
    TResStringItem* item = AddItem(p, "x", 1);
    AddText(item, 0, "from A");
    AddText(item, 1, "");
    EXPECT_EQ(p.TextForLanguage(item, p.Languages()->Items(2)), "") << "an own empty text wins";
    item->StringConsts()->Delete(1);
    EXPECT_EQ(p.TextForLanguage(item, p.Languages()->Items(2)), "from A");
    EXPECT_EQ(p.TextForLanguage(item, p.Languages()->Items(3)), "");
    EXPECT_EQ(p.TextForLanguage(item, p.Languages()->Items(4)), "");
    AddText(item, 99, "dangling");
    EXPECT_EQ(DataOf(p, 5), "@Null:\n         XOR   AX, AX\n         JMP   @Exit\n\n@S0001:  DB   $00, 0\n\n");
}

TEST(ConstUnit, PaddingOrderAndEmptyPrefixes)
{
    TResProject p;
    EXPECT_EQ(p.ConstUnitText(),
              Crlf("unit ResStr;\n\ninterface\n\nuses RString;\n\nconst\n\nconst\n\n"
                   "implementation\n\nend.\n"));
    AddItem(p, "Two", 2);
    AddItem(p, "One", 1);
    p.SetStringIdPrefix("");
    p.SetConstFileName("my.consts.pas");
    const std::string text = p.ConstUnitText();
    EXPECT_TRUE(text.starts_with("unit my.consts;\r\n"));
    EXPECT_NE(text.find("const\r\n  One = $0001;\r\n  Two = $0002;\r\n"), std::string::npos);
    AddItem(p, "Three", 3);
    EXPECT_NE(p.ConstUnitText().find("  rspOne   = PRString( Ptr( 0, $0001 ) );\r\n"), std::string::npos);
}

TEST(Generators, WriteUnitsWritesWhatTheSingleUnitsWould)
{
    // Large enough that every unit passes its composing buffer several times, with
    // one text larger than the buffer, several ranges and a source language.
    TTempDir dir;
    TResProject p;
    AddLanguage(p, "EN");
    AddLanguage(p, "CZ", true, 0);
    for (int i = 0; i < 6000; ++i) {
        TResStringItem* item = AddItem(p, "s" + std::to_string(i), 1 + i + (i / 100) * 9);
        AddText(item, i % 3 == 0 ? 1 : 0, "Text " + std::to_string(i) + (i % 7 == 0 ? "\r\nline 'two'" : ""));
    }
    AddText(p.Strings()->Items(5), 1, std::string(300000, 'z'));
    TScriptedPrompt prompt;
    const std::string out = dir.Path().string();
    p.WriteUnits(prompt, &out);
    EXPECT_EQ(ReadBytes(dir / "ResStr.pas"), p.ConstUnitText());
    for (int l = 0; l < 2; ++l) {
        const TResLanguageItem* language = p.Languages()->Items(l);
        const std::string text = p.LanguageUnitText(language);
        EXPECT_GT(text.size(), 256 * 1024u);
        EXPECT_EQ(ReadBytes(dir / language->ResFileName()), text) << language->TextId();
        EXPECT_TRUE(text.ends_with("  RSRegister( rsl" + language->TextId() + ", StringGetter );\r\nend.\r\n"));
    }
    const std::string cz = p.LanguageUnitText(p.Languages()->Items(1));
    EXPECT_EQ(std::count(cz.begin(), cz.end(), 'z'), 300000);
    EXPECT_NE(cz.find("@S0004:  DB   $06, 'Text 3', 0\r\n"), std::string::npos) << "CZ's own text";
    EXPECT_NE(cz.find("@S0002:  DB   $06, 'Text 1', 0\r\n"), std::string::npos) << "EN's text through the source";
    EXPECT_TRUE(prompt.Asked.empty());
}

TEST(Generators, UnitsComposedTogetherTakeEachLanguagesOwnChain)
{
    // The language units are composed in one walk over the items. Each must
    // still hold what looking its texts up one by one finds: compared with a
    // project that holds only those texts, one language at a time.
    TResProject p;
    AddLanguage(p, "A");          // 0
    AddLanguage(p, "B", true, 0); // 1 -> A
    AddLanguage(p, "C", true, 1); // 2 -> B -> A
    AddLanguage(p, "D", true, 9); // 3 -> a language that does not exist
    AddLanguage(p, "E", true, 5); // 4 -> F -> E: a loop
    AddLanguage(p, "F", true, 4); // 5 -> E -> F
    AddLanguage(p, "G", true, 6); // 6 -> itself
    for (int i = 0; i < 400; ++i) {
        TResStringItem* item = AddItem(p, "s" + std::to_string(i), 400 - i + (i % 50 == 0 ? 100 : 0));
        // Texts in a changing choice of languages and order, some twice (the
        // first counts), some for no language or one that does not exist.
        for (int k = 0; k < i % 6; ++k) {
            const int32_t language = (i * 7 + k * 3) % 9 - 1; // -1 to 7
            AddText(item, language, "t" + std::to_string(i) + "/" + std::to_string(k) + (k == 2 ? "\r\nx" : ""));
        }
    }
    TTempDir dir;
    TScriptedPrompt prompt;
    const std::string out = dir.Path().string();
    p.WriteUnits(prompt, &out);
    for (int l = 0; l < p.Languages()->Count(); ++l) {
        const TResLanguageItem* language = p.Languages()->Items(l);
        TResProject only;
        AddLanguage(only, language->TextId());
        for (int i = 0; i < p.Strings()->Count(); ++i) {
            const TResStringItem* item = p.Strings()->Items(i);
            AddText(AddItem(only, item->TextId(), item->NumberId()), 0, p.TextForLanguage(item, language));
        }
        const std::string expected = only.LanguageUnitText(only.Languages()->Items(0));
        EXPECT_EQ(ReadBytes(dir / language->ResFileName()), expected) << language->TextId();
        EXPECT_EQ(p.LanguageUnitText(language), expected) << language->TextId();
    }
}

// Short pieces are copied in place, in overlapping words: every length
// comes out whole, and nothing after it is touched.
TEST(TextOut, PutTextCopiesEveryLengthExactly)
{
    for (size_t n = 0; n <= 40; ++n) {
        std::string from;
        for (size_t i = 0; i < n; ++i) from += static_cast<char>('A' + i);
        std::string to(n + 16, '#');
        EXPECT_EQ(PutText(to.data(), from), to.data() + n) << n;
        EXPECT_EQ(to, from + std::string(16, '#')) << n;
    }
}

TEST(TextOut, PiecesOfEverySizeKeepTheirOrder)
{
    // Small pieces gather in the buffer; one larger than the buffer goes to
    // the sink on its own, after what gathered before it.
    std::vector<std::string> pieces;
    std::string expected;
    {
        TTextOut out([&pieces](std::string_view piece) { pieces.emplace_back(piece); }, 16);
        const std::string parts[] = {
            "ab", "cdefgh", std::string(40, 'x'), "ij", std::string(16, 'y'), "k", std::string(17, 'z')};
        for (const std::string& part : parts) {
            out.Put(part);
            expected += part;
        }
        out.Line("end");
        expected += "end\r\n";
        char* p = out.Room(30); // room larger than the buffer
        std::memset(p, 'r', 30);
        out.Advance(p + 30);
        expected += std::string(30, 'r');
        out.Flush();
    }
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(pieces[1], std::string(40, 'x')) << "the large piece is handed on whole";
}
