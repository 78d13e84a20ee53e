// Changing the languages of a project through a working copy.
#include "tHelpers.h"

#include "uLanguageEdit.h"

namespace {

// CZ, EN (falls back to CZ), SK (falls back to CZ), two items with texts.
std::unique_ptr<TResProject> Sample()
{
    auto p = std::make_unique<TResProject>();
    AddLanguage(*p, "CZ");
    AddLanguage(*p, "EN", true, 0);
    AddLanguage(*p, "SK", false, 0);
    TResStringItem* a = AddItem(*p, "sA", 1);
    AddText(a, 0, "a-cz");
    AddText(a, 1, "a-en");
    AddText(a, 2, "a-sk");
    TResStringItem* b = AddItem(*p, "sB", 2);
    AddText(b, 2, "b-sk");
    AddText(b, 1, "b-en");
    p->SetModified(false);
    return p;
}

std::string Value(const TResProject& p, int item, const char* language)
{
    const TResStringConstItem* t =
        p.Strings()->Items(item)->StringConsts()->FindByLanguage(p.Languages()->FindByTextId(language));
    return t ? t->Value() : "<none>";
}

} // namespace

TEST(LanguageEdit, RefusalsUseTheModelsMessagesAndChangeNothing)
{
    auto p = Sample();
    TLanguageEdit edit(*p);
    EXPECT_THROW_MSG(edit.Add("en"), EResFile, "Duplicate language Id");
    EXPECT_THROW_MSG(edit.Add("1X"), EResFile, "Invalid language identifier");
    EXPECT_THROW_MSG(edit.Add(""), EResFile, "Invalid language identifier");
    EXPECT_THROW_MSG(edit.Rename(0, "sk"), EResFile, "Duplicate language Id");
    EXPECT_EQ(edit.Count(), 3);
    EXPECT_EQ(edit.Language(0)->TextId(), "CZ");

    // A chain that comes back names the languages it passes.
    EXPECT_THROW_MSG(edit.SetSource(0, 2), EResFile, "CZ would fall back to itself through SK");
    edit.SetSource(2, 1); // SK -> EN -> CZ
    EXPECT_THROW_MSG(edit.SetSource(0, 2), EResFile, "CZ would fall back to itself through SK and EN");
    EXPECT_THROW_MSG(edit.SetSource(0, 0), EResFile, "CZ would fall back to itself");
    EXPECT_EQ(edit.SourceIndex(0), -1);
    edit.SetSource(1, -1);
    edit.SetSource(0, 2); // now CZ -> SK -> EN, which ends
    EXPECT_EQ(edit.SourceIndex(0), 2);

    // Nothing reached the project.
    EXPECT_FALSE(p->Modified());
    EXPECT_EQ(p->Languages()->Items(0)->SourceLanguageId(), -1);
}

TEST(LanguageEdit, NothingChangedKeepsTheListAndTheFlag)
{
    auto p = Sample();
    const TResLanguageList* before = p->Languages();
    TLanguageEdit edit(*p);
    edit.Rename(0, "cz"); // a change of case alone is no change
    EXPECT_FALSE(edit.Changed());
    edit.Language(2)->SetVisible(true);
    EXPECT_TRUE(edit.Changed());
    EXPECT_TRUE(edit.Apply(*p).empty());
    EXPECT_EQ(p->Languages(), before);
    EXPECT_TRUE(p->Languages()->Items(2)->Visible());
    EXPECT_FALSE(p->Modified()); // visibility is no stored change

    TLanguageEdit moved(*p);
    moved.Move(0, 2);
    moved.Move(2, 0);
    EXPECT_FALSE(moved.Changed());
}

TEST(LanguageEdit, RemoveDeletesItsTextsAndItsUseAsSource)
{
    auto p = Sample();
    TLanguageEdit edit(*p);
    EXPECT_EQ(edit.TextsOf(0), 1);
    EXPECT_EQ(edit.TextsOf(2), 2);
    edit.Remove(0); // CZ: EN and SK fall back to none now
    EXPECT_EQ(edit.Count(), 2);
    EXPECT_EQ(edit.SourceIndex(0), -1);
    const int de = edit.Add("DE");
    EXPECT_EQ(edit.TextsOf(de), 0);
    EXPECT_EQ(edit.Language(de)->ResFileName(), "ResStrDE.pas");
    edit.SetSource(de, 0);
    const std::vector<int32_t> map = edit.Apply(*p);
    EXPECT_EQ(map, (std::vector<int32_t>{-1, 0, 1}));
    EXPECT_TRUE(p->Modified());

    const TResLanguageList& l = *p->Languages();
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Items(0)->TextId(), "EN");
    EXPECT_EQ(l.Items(2)->TextId(), "DE");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(l.Items(i)->ID(), i);
    EXPECT_EQ(l.Items(0)->SourceLanguageId(), -1);
    EXPECT_EQ(l.Items(2)->SourceLanguageId(), 0);
    // No text is left pointing at CZ, or at anything else that is gone.
    EXPECT_EQ(p->Strings()->Items(0)->StringConsts()->Count(), 2);
    EXPECT_EQ(Value(*p, 0, "EN"), "a-en");
    EXPECT_EQ(Value(*p, 0, "SK"), "a-sk");
    EXPECT_EQ(Value(*p, 1, "SK"), "b-sk");
    EXPECT_EQ(Value(*p, 1, "DE"), "<none>");
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < p->Strings()->Items(i)->StringConsts()->Count(); ++k)
            EXPECT_NE(p->Strings()->Items(i)->StringConsts()->Items(k)->Language(), nullptr);
}

TEST(LanguageEdit, RenameMoveAndFileNamesSurviveSaveAndLoad)
{
    auto p = Sample();
    p->Languages()->Items(1)->SetResFileName("english.pas");
    TLanguageEdit edit(*p);
    edit.Rename(2, "SL"); // ResStrSK.pas follows the ID
    edit.Move(2, 0);      // SL, CZ, EN
    edit.Rename(2, "GB"); // english.pas stays
    edit.Language(1)->SetResFileName("czech.pas");
    EXPECT_EQ(edit.SourceIndex(0), 1);
    edit.Apply(*p);

    TResProject q;
    q.LoadFromText(p->SaveToText());
    const TResLanguageList& l = *q.Languages();
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Items(0)->TextId(), "SL");
    EXPECT_EQ(l.Items(0)->ResFileName(), "ResStrSL.pas");
    EXPECT_EQ(l.Items(0)->SourceLanguage(), l.Items(1));
    EXPECT_EQ(l.Items(1)->ResFileName(), "czech.pas");
    EXPECT_EQ(l.Items(2)->TextId(), "GB");
    EXPECT_EQ(l.Items(2)->ResFileName(), "english.pas");
    EXPECT_EQ(l.Items(2)->SourceLanguage(), l.Items(1));
    EXPECT_EQ(Value(q, 0, "SL"), "a-sk");
    EXPECT_EQ(Value(q, 0, "CZ"), "a-cz");
    EXPECT_EQ(Value(q, 1, "GB"), "b-en");
}

TEST(LanguageEdit, ASourceThatNamesNoLanguageIsCarriedThrough)
{
    auto p = Sample();
    p->Languages()->Items(1)->SetSourceLanguageId(9);
    AddText(p->Strings()->Items(1), 7, "dangling");
    TLanguageEdit edit(*p);
    EXPECT_FALSE(edit.Changed());
    EXPECT_EQ(edit.SourceIndex(1), -1);
    edit.Rename(0, "CS");
    edit.Apply(*p);
    EXPECT_EQ(p->Languages()->Items(1)->SourceLanguageId(), 9);
    EXPECT_EQ(p->Strings()->Items(1)->StringConsts()->Items(2)->LanguageId(), 7);
}
