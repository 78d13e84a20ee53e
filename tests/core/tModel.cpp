#include "tHelpers.h"

#include <functional>
#include <map>
#include <random>
#include <type_traits>

// A const project hands out nothing that could change it.
template <class T> constexpr bool kIsConstPtr = std::is_const_v<std::remove_pointer_t<T>>;
static_assert(kIsConstPtr<decltype(std::declval<const TResProject&>().Strings())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResProject&>().Languages())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().Items(0))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().FindByTextId(""))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().FindByNumberId(0))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().FindItemID(0))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().Project())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringList&>().SortedByNumberId(false))::value_type>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringItem&>().StringConsts())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringItem&>().List())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringConstList&>().Items(0))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringConstList&>().FindByLanguage(nullptr))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringConstList&>().StringItem())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResStringConstItem&>().Language())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResLanguageList&>().Items(0))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResLanguageList&>().FindByTextId(""))>);
static_assert(kIsConstPtr<decltype(std::declval<const TResLanguageItem&>().SourceLanguage())>);
static_assert(kIsConstPtr<decltype(std::declval<const TResLanguageItem&>().Collection())>);

TEST(Collections, IdsAreNeverReusedAcrossDeleteAndClear)
{
    TResProject p;
    TResStringList* s = p.Strings();
    s->Add();
    s->Add();
    s->Add();
    s->Delete(1);
    EXPECT_EQ(s->Add()->ID(), 3);
    s->Clear();
    EXPECT_EQ(s->Count(), 0);
    EXPECT_EQ(s->Add()->ID(), 4);
    EXPECT_EQ(p.Languages()->Add()->DisplayName(), "TResLanguageItem");
}

TEST(Collections, IndexErrorsAndMoves)
{
    TResProject p;
    TResStringList* s = p.Strings();
    EXPECT_THROW_MSG(s->Items(0), EListError, "List index out of bounds (0)");
    TResStringItem* a = s->Add();
    TResStringItem* b = s->Add();
    TResStringItem* c = s->Add();
    EXPECT_THROW_MSG(s->Delete(3), EListError, "List index out of bounds (3)");
    EXPECT_THROW_MSG(s->Insert(-1), EListError, "List index out of bounds (-1)");
    EXPECT_THROW_MSG(a->SetIndex(5), EListError, "List index out of bounds (5)");
    EXPECT_EQ(s->Count(), 3);
    c->SetIndex(0);
    EXPECT_EQ(s->Items(0), c);
    EXPECT_EQ(s->Items(1), a);
    EXPECT_EQ(s->Items(2), b);
    EXPECT_EQ(b->Index(), 2);
    TResStringItem* d = s->Insert(1);
    EXPECT_EQ(s->Items(1), d);
    EXPECT_EQ(a->Index(), 2);
    EXPECT_EQ(d->ID(), 3);
}

TEST(Modified, OnlyAcceptedSetterChangesMarkTheProject)
{
    TResProject p;
    TResLanguageItem* l = p.Languages()->Add();
    TResStringItem* s = p.Strings()->Add();
    s->StringConsts()->Add();
    p.Strings()->Insert(0);
    p.Strings()->Delete(0);
    l->SetVisible(true);
    l->SetChecked(true);
    l->SetResFileName("x.pas");
    p.Strings()->RenumberIds();
    p.Strings()->SortItems(false);
    EXPECT_FALSE(p.Modified());

    p.SetComment("");
    p.SetConstFileName("ResStr.pas");
    p.Strings()->SetNumberIdBase(1);
    s->SetNumberId(s->NumberId());
    s->SetFixedId(false);
    EXPECT_FALSE(p.Modified()) << "equal values change nothing";

    s->StringConsts()->Items(0)->SetValue("x");
    EXPECT_TRUE(p.Modified());
    p.SetModified(false);
    s->StringConsts()->Items(0)->SetLanguageId(0);
    EXPECT_TRUE(p.Modified());
    p.SetModified(false);
    EXPECT_THROW(p.Strings()->SetNumberIdBase(0), EResFile);
    EXPECT_FALSE(p.Modified()) << "a refused value changes nothing";
    p.SetPtrIdPrefix("p");
    EXPECT_TRUE(p.Modified());
}

namespace {

// One row per setter of the model: setting the value the object holds
// leaves Modified alone; a new value is stored and marks the project, unless
// the property is a plain field that marks nothing.
struct TSetterCase {
    const char* Name;
    std::function<void(TResProject&)> SetSame; // none where "the same" cannot be given
    std::function<void(TResProject&)> SetNew;
    std::function<std::string(TResProject&)> Get;
    std::string NewValue;
    bool NewMarks = true;
};

// Two languages, one item with one text; unmodified.
void BuildSetterFixture(TResProject& p)
{
    AddLanguage(p, "EN");
    AddLanguage(p, "CZ");
    AddText(AddItem(p, "sA", 1), 0, "v");
    p.SetModified(false);
}

TResLanguageItem* Lang(TResProject& p) { return p.Languages()->Items(0); }
TResStringItem* Item(TResProject& p) { return p.Strings()->Items(0); }
TResStringConstItem* Text(TResProject& p) { return Item(p)->StringConsts()->Items(0); }
std::string Str(int64_t v) { return std::to_string(v); }

const std::vector<TSetterCase>& SetterCases()
{
    static const std::vector<TSetterCase> cases = {
        {"OutputDirectory", [](TResProject& p) { p.SetOutputDirectory(""); },
         [](TResProject& p) { p.SetOutputDirectory("out"); }, [](TResProject& p) { return p.OutputDirectory(); },
         "out"},
        {"ConstFileName", [](TResProject& p) { p.SetConstFileName("ResStr.pas"); },
         [](TResProject& p) { p.SetConstFileName("resstr.pas"); }, [](TResProject& p) { return p.ConstFileName(); },
         "resstr.pas"},
        {"StringIdPrefix", [](TResProject& p) { p.SetStringIdPrefix("sid"); },
         [](TResProject& p) { p.SetStringIdPrefix("Sid"); }, [](TResProject& p) { return p.StringIdPrefix(); }, "Sid"},
        {"PtrIdPrefix", [](TResProject& p) { p.SetPtrIdPrefix("rsp"); }, [](TResProject& p) { p.SetPtrIdPrefix(""); },
         [](TResProject& p) { return p.PtrIdPrefix(); }, ""},
        {"Comment", [](TResProject& p) { p.SetComment(""); }, [](TResProject& p) { p.SetComment("c"); },
         [](TResProject& p) { return p.Comment(); }, "c"},
        {"Languages", nullptr, [](TResProject& p) { p.SetLanguages(std::make_unique<TResLanguageList>(&p)); },
         [](TResProject& p) { return Str(p.Languages()->Count()); }, "0"},
        {"Strings", nullptr, [](TResProject& p) { p.SetStrings(std::make_unique<TResStringList>(&p)); },
         [](TResProject& p) { return Str(p.Strings()->Count()); }, "0"},
        {"Language.TextId", [](TResProject& p) { Lang(p)->SetTextId("en"); },
         [](TResProject& p) { Lang(p)->SetTextId("DE"); }, [](TResProject& p) { return Lang(p)->TextId(); }, "DE"},
        {"Language.SourceLanguageId", [](TResProject& p) { Lang(p)->SetSourceLanguageId(-1); },
         [](TResProject& p) { Lang(p)->SetSourceLanguageId(1); },
         [](TResProject& p) { return Str(Lang(p)->SourceLanguageId()); }, "1"},
        {"Strings.NumberIdBase", [](TResProject& p) { p.Strings()->SetNumberIdBase(1); },
         [](TResProject& p) { p.Strings()->SetNumberIdBase(5); },
         [](TResProject& p) { return Str(p.Strings()->NumberIdBase()); }, "5"},
        {"Item.TextId", [](TResProject& p) { Item(p)->SetTextId("sA"); },
         [](TResProject& p) { Item(p)->SetTextId("SA"); }, [](TResProject& p) { return Item(p)->TextId(); }, "SA"},
        {"Item.NumberId", [](TResProject& p) { Item(p)->SetNumberId(1); },
         [](TResProject& p) { Item(p)->SetNumberId(7); }, [](TResProject& p) { return Str(Item(p)->NumberId()); }, "7"},
        {"Item.Standard", [](TResProject& p) { Item(p)->SetStandard(false); },
         [](TResProject& p) { Item(p)->SetStandard(true); }, [](TResProject& p) { return Str(Item(p)->Standard()); },
         "1"},
        {"Item.FixedId", [](TResProject& p) { Item(p)->SetFixedId(false); },
         [](TResProject& p) { Item(p)->SetFixedId(true); }, [](TResProject& p) { return Str(Item(p)->FixedId()); },
         "1"},
        {"Item.StringConsts", nullptr,
         [](TResProject& p) { Item(p)->SetStringConsts(std::make_unique<TResStringConstList>(nullptr)); },
         [](TResProject& p) { return Str(Item(p)->StringConsts()->Count()); }, "0"},
        {"Text.Value", [](TResProject& p) { Text(p)->SetValue("v"); }, [](TResProject& p) { Text(p)->SetValue("V"); },
         [](TResProject& p) { return Text(p)->Value(); }, "V"},
        {"Text.LanguageId", [](TResProject& p) { Text(p)->SetLanguageId(0); },
         [](TResProject& p) { Text(p)->SetLanguageId(1); }, [](TResProject& p) { return Str(Text(p)->LanguageId()); },
         "1"},
        {"Text.Language", [](TResProject& p) { Text(p)->SetLanguage(p.Languages()->Items(0)); },
         [](TResProject& p) { Text(p)->SetLanguage(nullptr); },
         [](TResProject& p) { return Str(Text(p)->LanguageId()); }, "-1"},
        // Plain fields: stored, never marked.
        {"Language.Visible", [](TResProject& p) { Lang(p)->SetVisible(true); },
         [](TResProject& p) { Lang(p)->SetVisible(false); }, [](TResProject& p) { return Str(Lang(p)->Visible()); },
         "0", false},
        {"Language.Checked", [](TResProject& p) { Lang(p)->SetChecked(false); },
         [](TResProject& p) { Lang(p)->SetChecked(true); }, [](TResProject& p) { return Str(Lang(p)->Checked()); }, "1",
         false},
        {"Language.ResFileName", [](TResProject& p) { Lang(p)->SetResFileName("ResStrEN.pas"); },
         [](TResProject& p) { Lang(p)->SetResFileName("en.pas"); },
         [](TResProject& p) { return Lang(p)->ResFileName(); }, "en.pas", false},
    };
    return cases;
}

} // namespace

TEST(Modified, EverySetterMarksANewValueAndNotTheSameOne)
{
    for (const TSetterCase& c : SetterCases()) {
        SCOPED_TRACE(c.Name);
        TResProject p;
        BuildSetterFixture(p);
        if (c.SetSame) {
            c.SetSame(p);
            EXPECT_FALSE(p.Modified()) << "the same value";
        }
        c.SetNew(p);
        EXPECT_EQ(c.Get(p), c.NewValue);
        EXPECT_EQ(p.Modified(), c.NewMarks) << "a new value";
    }
}

TEST(LanguageTextId, DerivesResFileNameAndFoldsCase)
{
    TResProject p;
    TResLanguageItem* cz = p.Languages()->Add();
    cz->SetTextId("CZ");
    EXPECT_EQ(cz->ResFileName(), "ResStrCZ.pas");
    EXPECT_TRUE(p.Modified());

    TResLanguageItem* en = AddLanguage(p, "EN");
    p.SetModified(false);
    en->SetTextId("en");
    EXPECT_EQ(en->TextId(), "EN");
    EXPECT_FALSE(p.Modified());

    en->SetTextId("DE");
    EXPECT_EQ(en->ResFileName(), "ResStrDE.pas");
    en->SetResFileName("ResStrDe.pas");
    en->SetTextId("FR");
    EXPECT_EQ(en->ResFileName(), "ResStrDe.pas") << "a chosen file name stays";
    en->SetResFileName("");
    en->SetTextId("PL");
    EXPECT_EQ(en->ResFileName(), "ResStrPL.pas");

    EXPECT_THROW_MSG(en->SetTextId("cz"), EResFile, "Duplicate language Id");
    EXPECT_EQ(en->TextId(), "PL");
}

TEST(StringItem, TextIdUniquenessIgnoresAsciiCaseOnly)
{
    TResProject p;
    TResStringItem* a = AddItem(p, "sAbc", 1);
    TResStringItem* b = p.Strings()->Add();
    TResStringItem* c = p.Strings()->Add();
    EXPECT_EQ(b->TextId(), "");
    EXPECT_EQ(c->TextId(), "") << "fresh items may share the empty text ID";
    a->SetTextId("SABC");
    EXPECT_EQ(a->TextId(), "SABC");
    EXPECT_THROW_MSG(b->SetTextId("sabc"), EResFile, "Duplicate string text ID");
    TResStringItem* d = AddItem(p, "x", 10);
    EXPECT_THROW_MSG(d->SetTextId(""), EResFile, "Duplicate string text ID");
    b->SetTextId(
        "\xC8"
        "a"); // "Ča" in the code page
    EXPECT_NO_THROW(
        c->SetTextId("\xE8"
                     "A")); // "čA": only a-z are folded
    EXPECT_FALSE(a->IsUniqueTextId("sabc") == false) << "an item may keep its own ID";
    EXPECT_FALSE(b->IsUniqueTextId("SABC"));
}

TEST(StringItem, NumberIdUniquenessAndRange)
{
    TResProject p;
    TResStringItem* a = AddItem(p, "a", 1);
    TResStringItem* b = AddItem(p, "b", 2);
    EXPECT_THROW_MSG(b->SetNumberId(1), EResFile, "Duplicate string number ID");
    EXPECT_EQ(b->NumberId(), 2);
    b->SetNumberId(-5);
    a->SetNumberId(70000);
    EXPECT_EQ(p.Strings()->FindByNumberId(-5), b);
    EXPECT_EQ(p.Strings()->FindByNumberId(2), nullptr);
}

TEST(NumberIdBase, AcceptsOneToFEFF)
{
    TResProject p;
    TResStringList* s = p.Strings();
    for (int32_t bad : {0, -1, 65280}) EXPECT_THROW_MSG(s->SetNumberIdBase(bad), EResFile, "Invalid number ID base");
    s->SetNumberIdBase(65279);
    EXPECT_EQ(s->NumberIdBase(), 65279);
    s->SetNumberIdBase(1);
    EXPECT_EQ(s->NumberIdBase(), 1);
}

TEST(Texts, LanguageLookupByIdAndDanglingIds)
{
    TResProject p;
    AddLanguage(p, "CZ");
    TResLanguageItem* en = AddLanguage(p, "EN");
    AddLanguage(p, "DE");
    TResStringItem* s = p.Strings()->Add();
    TResStringConstItem* t = s->StringConsts()->Add();
    EXPECT_EQ(t->LanguageId(), -1);
    EXPECT_EQ(t->Language(), nullptr);
    p.SetModified(false);
    t->SetLanguage(p.Languages()->Items(0));
    EXPECT_TRUE(p.Modified());
    t->SetLanguageId(1);
    EXPECT_EQ(t->Language(), en);

    // A text whose LanguageId names no language matches no language; reading
    // its Language is an internal error.
    TResStringItem* item = p.Strings()->Add();
    TResStringConstItem* dangling = AddText(item, 7, "lost");
    AddText(item, 0, "cz");
    EXPECT_EQ(item->StringConsts()->FindByLanguage(p.Languages()->Items(0))->Value(), "cz");
    EXPECT_EQ(item->StringConsts()->FindByLanguage(en), nullptr);
    try {
        dangling->Language();
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Assertion failure (uProject.cpp, line ")) << e.what();
    }
}

TEST(Texts, DeletingAnItemDestroysItsTexts)
{
    TResProject p;
    TResStringItem* s = p.Strings()->Add();
    AddText(s, -1, "x");
    p.Strings()->Delete(0); // sanitizer builds see a leak or a use after free
    EXPECT_EQ(p.Strings()->Count(), 0);
}

// The lookup structures must answer exactly as a plain scan in list order
// would, after every kind of change.
TEST(StringListLookups, AgreeWithAPlainScanUnderRandomChanges)
{
    std::mt19937 rng(12345);
    TResProject p;
    TResStringList* s = p.Strings();
    auto scanText = [&](const std::string& id) -> TResStringItem* {
        for (int i = 0; i < s->Count(); ++i)
            if (SameTextAscii(s->Items(i)->TextId(), id)) return s->Items(i);
        return nullptr;
    };
    auto scanNumber = [&](int32_t n) -> TResStringItem* {
        for (int i = 0; i < s->Count(); ++i)
            if (s->Items(i)->NumberId() == n) return s->Items(i);
        return nullptr;
    };
    auto scanNext = [&]() {
        int32_t r = s->NumberIdBase();
        for (bool again = true; again;) {
            again = false;
            for (int i = 0; i < s->Count(); ++i)
                if (s->Items(i)->NumberId() == r) {
                    ++r;
                    again = true;
                }
        }
        return r;
    };
    const char* names[] = {"", "a", "A", "b", "B", "c", "ab", "AB"};
    for (int step = 0; step < 4000; ++step) {
        int count = s->Count();
        int op = static_cast<int>(rng() % 11);
        int i = count ? static_cast<int>(rng() % static_cast<unsigned>(count)) : 0;
        try {
            switch (op) {
                case 0: s->Add(); break;
                case 1: s->Insert(count ? i : 0); break;
                case 2:
                    if (count) s->Delete(i);
                    break;
                case 3:
                    if (count) s->Items(i)->SetTextId(names[rng() % 8]);
                    break;
                case 4:
                    if (count) s->Items(i)->SetNumberId(static_cast<int32_t>(rng() % 40) - 3);
                    break;
                case 5:
                    if (count) s->Items(i)->SetIndex(static_cast<int>(rng() % static_cast<unsigned>(count)));
                    break;
                case 6:
                    if (count) s->Items(i)->SetFixedId(rng() % 2);
                    break;
                case 7: s->RenumberIds(); break;
                case 8: s->SortItems(rng() % 2); break;
                case 9: s->SetNumberIdBase(static_cast<int32_t>(rng() % 20) + 1); break;
                case 10:
                    if (rng() % 50 == 0) s->Clear();
                    break;
            }
        } catch (const EResFile&) {}
        for (const char* n : names) ASSERT_EQ(s->FindByTextId(n), scanText(n)) << "step " << step;
        for (int32_t n = -4; n < 45; ++n) ASSERT_EQ(s->FindByNumberId(n), scanNumber(n)) << "step " << step;
        ASSERT_EQ(s->NextNumberId(), scanNext()) << "step " << step;
        for (int k = 0; k < s->Count(); ++k) ASSERT_EQ(s->Items(k)->Index(), k);
    }
}

// The same over lists large enough for the lookup tables to grow several
// times and to wrap around their ends while entries are removed.
TEST(StringListLookups, AgreeWithAPlainScanWhileGrowingAndShrinking)
{
    std::mt19937 rng(777);
    TResProject p;
    TResStringList* s = p.Strings();
    std::map<int32_t, TResStringItem*> byNumber;
    std::map<std::string, TResStringItem*> byText; // upper case
    s->Reserve(1000);                              // room for some of them; the tables grow past it
    auto check = [&](int step) {
        for (int32_t n = -2; n < 6100; ++n) {
            auto it = byNumber.find(n);
            ASSERT_EQ(s->FindByNumberId(n), it == byNumber.end() ? nullptr : it->second) << step << " " << n;
        }
        for (const auto& [text, item] : byText) ASSERT_EQ(s->FindByTextId(text), item) << step;
        int32_t next = s->NumberIdBase();
        while (byNumber.count(next)) ++next;
        ASSERT_EQ(s->NextNumberId(), next) << step;
    };
    for (int step = 0; step < 6000; ++step) {
        const bool grow = step < 3000 ? rng() % 4 != 0 : rng() % 4 == 0;
        if (grow || s->Count() == 0) {
            TResStringItem* item = s->Insert(s->Count() ? static_cast<int>(rng() % unsigned(s->Count())) : 0);
            const auto number = static_cast<int32_t>(rng() % 6000);
            if (!byNumber.count(number)) item->SetNumberId(number);
            const std::string text = "T" + std::to_string(rng() % 5000);
            if (!byText.count(text)) item->SetTextId(rng() % 2 ? text : "t" + text.substr(1));
            byNumber[item->NumberId()] = item;
            if (!item->TextId().empty()) byText[UpperAscii(item->TextId())] = item;
        } else {
            const int i = static_cast<int>(rng() % unsigned(s->Count()));
            TResStringItem* item = s->Items(i);
            byNumber.erase(item->NumberId());
            if (!item->TextId().empty()) byText.erase(UpperAscii(item->TextId()));
            s->Delete(i);
        }
        if (step % 500 == 0) check(step);
    }
    check(6000);
}
