// The border between the model's Windows-1250 text and the system's UTF-8:
// paths, messages, characters the code page lacks, paths out of the project.
#include "tHelpers.h"

#include "uIntText.h"
#include "uOutputPaths.h"
#include "uOverwritePrompt.h"
#include "uProjectCheck.h"

namespace fs = std::filesystem;

namespace {

const std::string kVystupModel = "v\xFDstup";    // výstup in the code page
const std::string kVystupUtf8 = "v\xC3\xBDstup"; // the same in UTF-8
const std::string kCestinaModel =
    "ResStr\xC8"
    "e\x9Atina.pas"; // ResStrČeština.pas
const std::string kCestinaUtf8 =
    "ResStr\xC4\x8C"
    "e\xC5\xA1tina.pas";

} // namespace

TEST(Border, ValidUtf8KeepsUtf8AndReplacesTheRest)
{
    struct {
        std::string In, Out;
    } rows[] = {
        {"plain", "plain"},
        {"v\xC3\xBDstup \xE2\x86\x92 \xF0\x9F\x98\x80", "v\xC3\xBDstup \xE2\x86\x92 \xF0\x9F\x98\x80"},
        {"Zru\x9Ait", "Zru\xEF\xBF\xBDit"},                                         // a code-page byte
        {"\xC3", "\xEF\xBF\xBD"},                                                   // cut short
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                   // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                   // a surrogate
        {"\xF4\x90\x80\x80x", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx"}, // beyond U+10FFFF
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ValidUtf8(row.In), row.Out) << row.In;
        EXPECT_EQ(IsValidUtf8(row.In), row.In == row.Out) << row.In;
    }
    // The same in long ASCII runs, at every place.
    for (size_t at = 0; at <= 20; ++at) {
        const std::string before(at, 'a'), after(20 - at, 'b');
        for (const auto& row : rows) {
            EXPECT_EQ(ValidUtf8(before + row.In + after), before + row.Out + after) << at << " " << row.In;
            EXPECT_EQ(IsValidUtf8(before + row.In + after), row.In == row.Out) << at << " " << row.In;
        }
    }
    // IsValidUtf8 says whether ValidUtf8 keeps the bytes, for every pair of
    // bytes and every lead byte with two more after it.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string two{char(a), char(b)};
            ASSERT_EQ(IsValidUtf8(two), ValidUtf8(two) == two) << a << " " << b;
            const std::string three{char(a), char(b), '\x80'}, four{char(a), char(b), '\xBF', '\x80'};
            ASSERT_EQ(IsValidUtf8(three), ValidUtf8(three) == three) << a << " " << b;
            ASSERT_EQ(IsValidUtf8(four), ValidUtf8(four) == four) << a << " " << b;
        }
}

TEST(Border, MessagesWithModelTextAreUtf8)
{
    EXPECT_THROW_MSG(StrToInt("\x9A"
                              "1"),
                     EConvertError,
                     "'\xC5\xA1"
                     "1' is not a valid integer value");
    EXPECT_EQ(MsgCannotCreate("out/\xE8.pas"), "Cannot create file out/\xEF\xBF\xBD.pas");
    TResProject p;
    EXPECT_THROW_MSG(p.LoadFromText("object TResProject\r\n  Name = 'a'#353\r\nend\r\n"), EReadError,
                     "Error reading TResProject.Name: ''a\xC5\xA1'' is not a valid component name");

    // An output path in a finding is UTF-8 already: not converted twice.
    AddLanguage(p, "EN")->SetResFileName("\x8A.pas");
    AddLanguage(p, "CZ")->SetResFileName("\x8A.pas");
    const TProjectCheck check = CheckProject(p);
    ASSERT_EQ(check.CountOf(TFindingKind::SameOutputFile), 1);
    EXPECT_TRUE(check.Findings.back().Message.ends_with("/\xC5\xA0.pas")) << check.Findings.back().Message;
}

TEST(Border, CharactersTheCodePageLacksAreNamed)
{
    EXPECT_TRUE(UnstorableCharacters(u"Zru\u0161it \u201Eok\u201C \u20AC ?").empty());
    EXPECT_EQ(UnstorableCharacters(u"\u2192a\u0416\u2192\U0001F600"), (std::vector<char32_t>{0x2192, 0x416, 0x1F600}));
    EXPECT_EQ(UnstorableCharacters(u"x\xD800y"), std::vector<char32_t>{0xD800}); // a lone surrogate
    EXPECT_EQ(MsgUnstorable({}), "");
    EXPECT_EQ(MsgUnstorable({0x2192}),
              "The text contains characters that Windows-1250 cannot store: "
              "\xE2\x86\x92 (U+2192). They will be saved as ?.");
    EXPECT_EQ(MsgUnstorable({0x416, 0x1F600, 0xD800}),
              "The text contains characters that Windows-1250 cannot store: \xD0\x96 (U+0416), "
              "\xF0\x9F\x98\x80 (U+1F600), U+D800. They will be saved as ?.");
    std::vector<char32_t> many;
    for (char32_t c = 0x410; c < 0x41C; ++c) many.push_back(c);
    EXPECT_TRUE(MsgUnstorable(many).ends_with("\xD0\x99 (U+0419) and 2 more. They will be saved as ?."));
}

TEST(Border, CzechFolderAndUnitNamesAreUtf8OnDisk)
{
    TTempDir dir;
    fs::create_directories(dir.Path() / "proj" / kVystupUtf8);
    TResProject p;
    AddLanguage(p, "CZ")->SetResFileName(kCestinaModel);
    AddItem(p, "Hello", 1);
    p.SaveToFile(dir / "proj/p.rpr");
    p.SetOutputDirectory(kVystupModel);
    EXPECT_EQ(p.OutputPath(kCestinaModel), dir / ("proj/" + kVystupUtf8 + "/" + kCestinaUtf8));
    TScriptedPrompt prompt;
    p.WriteUnits(prompt);
    const fs::path unit = dir.Path() / "proj" / kVystupUtf8 / kCestinaUtf8;
    ASSERT_TRUE(fs::exists(unit));
    // Inside the unit the name stays code-page text, like every text there.
    EXPECT_TRUE(
        ReadBytes(unit).starts_with("unit ResStr\xC8"
                                    "e\x9Atina;\r\n"));
    EXPECT_TRUE(fs::exists(dir.Path() / "proj" / kVystupUtf8 / "ResStr.pas"));
    EXPECT_EQ(FilesIn(dir.Path() / "proj" / kVystupUtf8), 2u);

    // The question and the error name the paths in UTF-8.
    p.WriteUnits(prompt);
    ASSERT_EQ(prompt.Asked.size(), 2u);
    EXPECT_EQ(prompt.Asked[1], unit.string());
    p.SetOutputDirectory("chyb\xED");
    EXPECT_THROW_MSG(p.WriteUnits(prompt), EFCreateError, "Cannot create file chyb\xC3\xAD/ResStr.pas");
}

TEST(OutputPaths, ThoseOutOfTheProjectsFolderAreListed)
{
    TTempDir dir;
    fs::create_directories(dir.Path() / "proj");
    TResProject p;
    AddLanguage(p, "EN");
    AddLanguage(p, "CZ");
    p.SetOutputDirectory("/");
    EXPECT_TRUE(OutsideUnitPaths(p).empty()) << "a project without a file: the user typed every path";
    p.SetOutputDirectory("");
    p.SaveToFile(dir / "proj/p.rpr");
    auto outside = [&](const std::string* outputDir = nullptr) {
        std::vector<std::string> r;
        for (const TUnitPath& u : OutsideUnitPaths(p, outputDir)) r.push_back(u.Who + " " + u.Path);
        return r;
    };
    const std::string root = dir.Path().string();
    EXPECT_TRUE(outside().empty()) << "empty: the project's folder";
    p.SetOutputDirectory("out\\sub");
    EXPECT_TRUE(outside().empty());
    p.SetOutputDirectory((dir.Path() / "proj/abs").string());
    EXPECT_TRUE(outside().empty()) << "an absolute folder inside";

    p.SetOutputDirectory("out");
    p.Languages()->Items(0)->SetResFileName("..\\..\\..\\victim.txt");
    EXPECT_EQ(outside(),
              std::vector<std::string>{"language 'EN' " + fs::path(root).parent_path().string() + "/victim.txt"});
    p.Languages()->Items(0)->SetResFileName("ResStrEN.pas");
    p.SetOutputDirectory("/");
    EXPECT_EQ(outside(),
              (std::vector<std::string>{"the constants unit /ResStr.pas", "language 'EN' /ResStrEN.pas",
                                        "language 'CZ' /ResStrCZ.pas"}));
    p.SetOutputDirectory("..\\proj2");
    EXPECT_EQ(outside().size(), 3u) << "a folder whose name only begins like the project's";
    p.SetOutputDirectory("..\\proj\\..\\proj");
    EXPECT_TRUE(outside().empty());

    // A folder the user names is trusted; names that climb out of it are not.
    const std::string chosen = root + "/build";
    EXPECT_TRUE(outside(&chosen).empty());
    p.SetConstFileName("..\\..\\x.pas");
    EXPECT_EQ(outside(&chosen).size(), 1u);

    // The check names each of them.
    p.Languages()->Items(1)->SetResFileName("..\\..\\..\\..\\..\\..\\..\\..\\..\\x.pas");
    const TProjectCheck check = CheckProject(p);
    ASSERT_EQ(check.CountOf(TFindingKind::OutsideProjectFolder), 2);
    std::vector<std::string> lines;
    for (const TFinding& f : check.Findings)
        if (f.Kind == TFindingKind::OutsideProjectFolder) lines.push_back(FindingLine(f));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"the constants unit is written outside the project's folder: " +
                                            fs::path(root).parent_path().string() + "/x.pas",
                                        "language 'CZ': the unit is written outside the project's folder: /x.pas"}));
}

TEST(OutputPaths, InsideAFolder)
{
    EXPECT_TRUE(IsInsideFolder("/a/b/c.pas", "/a/b"));
    EXPECT_TRUE(IsInsideFolder("/a/b/c.pas", "/a/b/"));
    EXPECT_TRUE(IsInsideFolder("/a/b/sub/c.pas", "/a/"));
    EXPECT_FALSE(IsInsideFolder("/a/bc/c.pas", "/a/b"));
    EXPECT_FALSE(IsInsideFolder("/a/b", "/a/b"));
    EXPECT_FALSE(IsInsideFolder("/a/b/", "/a/b"));
}
