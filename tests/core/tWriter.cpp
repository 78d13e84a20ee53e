#include "tHelpers.h"

#include "uFileWrite.h"

#include <sys/stat.h>

namespace {

const std::string kExample = QUILLET_TEST_DATA "/rpr/worked-example.rpr";

// The value part of the single Comment line(s) of a saved project.
std::string SavedComment(const std::string& comment)
{
    TResProject p;
    p.SetComment(comment);
    std::string text = p.SaveToText();
    size_t at = text.find("  Comment = ");
    return text.substr(at, text.rfind("end\r\n") - at);
}

} // namespace

TEST(Writer, WorkedExampleRoundTripsByteForByte)
{
    const std::string original = ReadBytes(kExample);
    TResProject p;
    p.LoadFromFile(kExample);
    EXPECT_EQ(p.SaveToText(), original);
    EXPECT_EQ(p.Strings()->Items(1)->StringConsts()->Items(0)->Value().size(), 73u);

    TTempDir dir;
    p.SetModified(true);
    p.SaveToFile(dir / "copy.rpr");
    EXPECT_EQ(ReadBytes(dir / "copy.rpr"), original);
    EXPECT_EQ(p.FileName(), dir / "copy.rpr");
    EXPECT_FALSE(p.Modified());
}

TEST(Writer, EmptyProjectIsEightLines)
{
    TResProject p;
    EXPECT_EQ(p.SaveToText(),
              Crlf("object TResProject\n"
                   "  Languages = <>\n"
                   "  Strings.NumberIdBase = 1\n"
                   "  Strings = <>\n"
                   "  ConstFileName = 'ResStr.pas'\n"
                   "  StringIdPrefix = 'sid'\n"
                   "  PtrIdPrefix = 'rsp'\n"
                   "end\n"));
}

TEST(Writer, OmitsDefaultsAndEmptyStrings)
{
    TResProject p;
    p.SetConstFileName("");
    p.SetStringIdPrefix("");
    p.SetPtrIdPrefix("");
    TResLanguageItem* l = p.Languages()->Add();
    l->SetVisible(false);
    TResStringItem* s = p.Strings()->Add();
    s->SetStandard(true);
    s->StringConsts()->Add();
    AddText(s, 0, "")->SetValue("");
    p.SetName("Proj");
    p.SetTag(-3);
    p.SetLeft(65535);
    EXPECT_EQ(p.SaveToText(),
              Crlf("object Proj: TResProject\n"
                   "  Tag = -3\n"
                   "  Languages = <\n"
                   "    item\n"
                   "      Visible = False\n"
                   "    end>\n"
                   "  Strings.NumberIdBase = 1\n"
                   "  Strings = <\n"
                   "    item\n"
                   "      NumberId = 1\n"
                   "      Standard = True\n"
                   "      StringConsts = <\n"
                   "        item\n"
                   "        end\n"
                   "        item\n"
                   "          LanguageId = 0\n"
                   "        end>\n"
                   "    end>\n"
                   "  Left = 65535\n"
                   "end\n"));
}

TEST(Writer, StringValuesSplitAfter64Characters)
{
    const std::string s64(64, 'a'), s65 = std::string(64, 'a') + "b";
    EXPECT_EQ(SavedComment(s64), "  Comment = '" + s64 + "'\r\n");
    EXPECT_EQ(SavedComment(s65), "  Comment = \r\n    '" + s64 + "' +\r\n    'b'\r\n");

    std::string breaks;
    for (int i = 0; i < 40; ++i) breaks += "\r\n";
    std::string first, second;
    for (int i = 0; i < 32; ++i) first += "#13#10";
    for (int i = 0; i < 8; ++i) second += "#13#10";
    EXPECT_EQ(SavedComment(breaks), "  Comment = \r\n    " + first + " +\r\n    " + second + "\r\n");

    EXPECT_EQ(SavedComment("Zru\x9Ait"), "  Comment = 'Zru'#353'it'\r\n");
    EXPECT_EQ(SavedComment("it's"), "  Comment = 'it'#39's'\r\n");
    EXPECT_EQ(SavedComment("\t"), "  Comment = #9\r\n");
    EXPECT_EQ(SavedComment("'"), "  Comment = #39\r\n");
    EXPECT_EQ(SavedComment("\xE9\\#\x7F"), "  Comment = #233'\\#\x7F'\r\n");

    // A byte that needs an escape, wherever it stands in a run.
    for (size_t at = 0; at <= 40; ++at) {
        const std::string before(at, 'a'), after(40 - at, 'b');
        for (const auto& [byte, escape] :
             {std::pair<std::string, std::string>{"\x1F", "#31"}, {"'", "#39"}, {"\x80", "#8364"}}) {
            std::string expected = "  Comment = ";
            if (!before.empty()) expected += "'" + before + "'";
            expected += escape;
            if (!after.empty()) expected += "'" + after + "'";
            EXPECT_EQ(SavedComment(before + byte + after), expected + "\r\n") << at << " " << escape;
        }
    }
    // The 64th character an escape, and runs that end at 64.
    EXPECT_EQ(SavedComment(std::string(63, 'a') + "\x1F" + "b"),
              "  Comment = \r\n    '" + std::string(63, 'a') + "'#31 +\r\n    'b'\r\n");
    EXPECT_EQ(SavedComment("\x1F" + std::string(70, 'a')),
              "  Comment = \r\n    #31'" + std::string(63, 'a') + "' +\r\n    '" + std::string(7, 'a') + "'\r\n");
}

TEST(Writer, RoundTripOfEveryByte)
{
    TResProject p;
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    p.SetComment(all);
    AddLanguage(p, "CZ");
    AddText(AddItem(p, "x", 3), 0, std::string(200, 'y') + "\xE9");
    const std::string text = p.SaveToText();
    TResProject q;
    q.LoadFromText(text);
    EXPECT_EQ(q.Comment(), all);
    EXPECT_EQ(q.SaveToText(), text);
}

namespace {

class TFailingCommit : public TFileWriter {
protected:
    bool Commit(const std::string&, const std::string&) override { return false; }
};

} // namespace

TEST(SaveToFile, AFailedSaveKeepsTheOldFileWhole)
{
    TTempDir dir;
    const std::string path = dir / "p.rpr";
    WriteBytes(path, "old contents");
    ::chmod(path.c_str(), 0640);

    TResProject p;
    AddLanguage(p, "CZ");
    for (int i = 0; i < 300; ++i) AddItem(p, "item" + std::to_string(i), i + 1);
    ASSERT_GT(p.SaveToText().size(), 3 * 4096u);
    p.SetModified(true);

    int okBlocks = 2; // every write after them fails
    TBlockHook failing([&okBlocks](std::FILE*, size_t) { return okBlocks-- > 0; });
    EXPECT_THROW_MSG(p.SaveToFile(path, failing), EWriteError, "Stream write error");
    TFailingCommit noRename;
    EXPECT_THROW_MSG(p.SaveToFile(path, noRename), EWriteError, "Stream write error");
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file is left behind";
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.FileName(), "");

    EXPECT_THROW_MSG(p.SaveToFile(dir / "missing/p.rpr"), EFCreateError,
                     "Cannot create file " + (dir / "missing/p.rpr"));
    EXPECT_THROW_MSG(p.SaveToFile(dir.Path().string()), EFCreateError, "Cannot create file " + dir.Path().string());

    p.SaveToFile(path);
    EXPECT_EQ(ReadBytes(path), p.SaveToText());
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file keeps its permissions";
}

// The file is written while it is composed, in pieces; the bytes and the
// blocks must come out as if the whole text had been written at once.
TEST(SaveToFile, AFileWrittenAsItIsComposedIsTheWholeText)
{
    TTempDir dir;
    TResProject p;
    AddLanguage(p, "CZ");
    for (int i = 0; i < 6000; ++i)
        AddText(AddItem(p, "item" + std::to_string(i), i + 1), 0,
                std::string(static_cast<size_t>(i % 150), static_cast<char>('a' + i % 26)) + "\xE8'");
    const std::string text = p.SaveToText();
    ASSERT_GT(text.size(), 3 * 256 * 1024u) << "more than a few pieces";

    std::vector<size_t> sizes;
    TBlockHook blocks([&sizes](std::FILE*, size_t size) {
        sizes.push_back(size);
        return true;
    });
    p.SaveToFile(dir / "p.rpr", blocks);
    EXPECT_EQ(ReadBytes(dir / "p.rpr"), text);
    ASSERT_EQ(sizes.size(), (text.size() + 4095) / 4096);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) ASSERT_EQ(sizes[i], 4096u) << "block " << i;
    EXPECT_EQ(sizes.back(), text.size() - 4096 * (sizes.size() - 1));
}
