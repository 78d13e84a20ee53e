// Finding items by typed text, and the walk to the next untranslated item.
#include "tHelpers.h"

#include "uCodePage.h"
#include "uTextMatch.h"

namespace {

// Model text from UTF-8 source text.
std::string Cp(const char* utf8)
{
    std::u16string units;
    for (const char* p = utf8; *p;) {
        auto c = static_cast<unsigned char>(*p++);
        char32_t u = c;
        if (c >= 0xE0) {
            u = (c & 0x0F) << 12;
            u |= (static_cast<unsigned char>(*p++) & 0x3F) << 6;
            u |= static_cast<unsigned char>(*p++) & 0x3F;
        } else if (c >= 0xC0) {
            u = (c & 0x1F) << 6;
            u |= static_cast<unsigned char>(*p++) & 0x3F;
        }
        units.push_back(static_cast<char16_t>(u));
    }
    return CodePage::FromUnicode(units);
}

bool Finds(const char* pattern, const char* text) { return TTextMatcher(Cp(pattern)).Matches(Cp(text)); }

} // namespace

TEST(TextMatch, CaseAndDiacriticsAreOptional)
{
    EXPECT_TRUE(Finds("zrusit", "Zrušit"));
    EXPECT_TRUE(Finds("ZRUSIT", "zrušit"));
    EXPECT_TRUE(Finds("zrušit", "ZRUŠIT"));
    EXPECT_TRUE(Finds("prilis zlutoucky kun", "Příliš žluťoučký kůň úpěl"));
    EXPECT_TRUE(Finds("ŽLUŤ", "příliš žluťoučký"));
    EXPECT_TRUE(Finds("ulozit", "Uložit změny?"));
    EXPECT_TRUE(Finds("", "anything"));
    EXPECT_TRUE(Finds("", ""));
    // A letter typed with its diacritic stands for that letter only.
    EXPECT_FALSE(Finds("zrušit", "Zrusit"));
    EXPECT_FALSE(Finds("kůň", "kun"));
    EXPECT_FALSE(Finds("kůň", "kúň"));
    EXPECT_FALSE(Finds("zrusitx", "Zrušit"));
    EXPECT_FALSE(Finds("abc", "ab"));
    // The whole pattern is found where a first candidate fails on a mark.
    EXPECT_TRUE(Finds("ša", "sa ša"));
    // Neither signs nor the other letters of the code page are folded away.
    EXPECT_FALSE(Finds("x", "×"));
    EXPECT_FALSE(Finds("ss", "Straße"));
    EXPECT_TRUE(Finds("stras", "Straße"));
    EXPECT_TRUE(Finds("łódź", "ŁÓDŹ"));
    EXPECT_TRUE(Finds("lodz", "ŁÓDŹ"));
    EXPECT_TRUE(Finds("?", "Why?"));
    EXPECT_FALSE(Finds("?", "Zrušit"));
}

TEST(TextMatch, FoldingTablesCoverTheCodePage)
{
    // Every letter of the code page folds to a lower-case letter of it, and
    // the folds agree with each other.
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        EXPECT_EQ(TextMatch::LowerOf(TextMatch::LowerOf(c)), TextMatch::LowerOf(c)) << b;
        EXPECT_EQ(TextMatch::BaseOf(TextMatch::LowerOf(c)), TextMatch::BaseOf(c)) << b;
    }
    EXPECT_EQ(TextMatch::LowerOf(0x8A), 0x9A); // Š š
    EXPECT_EQ(TextMatch::BaseOf(0x8A), 's');
    EXPECT_EQ(TextMatch::LowerOf(0xA3), 0xB3); // Ł ł
    EXPECT_EQ(TextMatch::LowerOf(0xBC), 0xBE); // Ľ ľ
    EXPECT_EQ(TextMatch::BaseOf(0xD7), 0xD7);  // ×
    EXPECT_EQ(TextMatch::LowerOf('?'), '?');
}

TEST(TextMatch, FilterLooksAtTextIdAndTheGivenLanguagesOnly)
{
    TResProject p;
    TResLanguageItem* cz = AddLanguage(p, "CZ");
    TResLanguageItem* en = AddLanguage(p, "EN");
    AddLanguage(p, "DE", false);
    AddText(AddItem(p, "sCancel", 1), 0, Cp("Zrušit"));
    TResStringItem* two = AddItem(p, "sSave", 2);
    AddText(two, 1, "Save");
    AddText(two, 2, "Speichern abbrechen");
    AddItem(p, "sCancelAll", 3);
    TResStringItem* four = AddItem(p, "sFour", 4);
    AddText(four, 0, "first");
    AddText(four, 0, Cp("second zrušit")); // not the one the grid shows

    const std::vector<const TResLanguageItem*> shown{cz, en};
    EXPECT_EQ(FilterItems(*p.Strings(), shown, TTextMatcher("CANCEL")), (std::vector<int>{0, 2}));
    EXPECT_EQ(FilterItems(*p.Strings(), shown, TTextMatcher("zrusit")), (std::vector<int>{0}));
    EXPECT_EQ(FilterItems(*p.Strings(), shown, TTextMatcher("save")), (std::vector<int>{1}));
    EXPECT_EQ(FilterItems(*p.Strings(), shown, TTextMatcher("abbrechen")), std::vector<int>{});
    EXPECT_EQ(FilterItems(*p.Strings(), {cz}, TTextMatcher("save")), (std::vector<int>{1})); // its text ID
    EXPECT_EQ(FilterItems(*p.Strings(), {}, TTextMatcher("")), (std::vector<int>{0, 1, 2, 3}));
}

TEST(NextUntranslated, WrapsRoundAndEndsWithTheStartRow)
{
    TResProject p;
    TResLanguageItem* cz = AddLanguage(p, "CZ");
    for (int i = 0; i < 5; ++i) AddItem(p, "s" + std::to_string(i), i + 1);
    for (int i : {0, 2, 3}) AddText(p.Strings()->Items(i), 0, "x");
    const TResStringList& s = *p.Strings();
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 0), 1);
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 1), 4);
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 4), 1); // round the end
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, -1), 1);
    AddText(p.Strings()->Items(4), 0, "");              // an empty text is a text
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 1), 1); // the only one left
    AddText(p.Strings()->Items(1), 0, "y");
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 1), -1);

    // Under a row map, rows are counted, not items.
    p.Strings()->Items(3)->StringConsts()->Delete(0);
    p.Strings()->Items(0)->StringConsts()->Delete(0);
    const std::vector<int> rows{1, 3, 4};
    EXPECT_EQ(NextUntranslated(s, *cz, &rows, 0), 1);
    EXPECT_EQ(NextUntranslated(s, *cz, &rows, 1), 1);
    EXPECT_EQ(NextUntranslated(s, *cz, nullptr, 3), 0);
    EXPECT_EQ(NextUntranslated(s, *cz, &rows, -1), 1);
    const std::vector<int> none;
    EXPECT_EQ(NextUntranslated(s, *cz, &none, 0), -1);
}
