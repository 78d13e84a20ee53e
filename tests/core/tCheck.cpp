#include "tHelpers.h"

#include "uProjectCheck.h"

#include <functional>
#include <set>

namespace {

// A finding as one line: kind, row, language, message.
std::string Describe(const TFinding& f)
{
    return std::string(FindingKindName(f.Kind)) + " " + std::to_string(f.Row) + " " +
        (f.Language.empty() ? "-" : f.Language) + ": " + f.Message;
}

std::vector<std::string> Findings(const TResProject& p)
{
    std::vector<std::string> r;
    for (const TFinding& f : CheckProject(p).Findings) r.push_back(Describe(f));
    return r;
}

// EN, and CZ whose source language is EN; the items numbered 1, 2, ... in
// list order, so that nothing is renumbered.
struct TBase {
    TResProject P;
    TBase()
    {
        AddLanguage(P, "EN");
        AddLanguage(P, "CZ", true, 0);
    }
    TResStringItem* Item(const std::string& id, const std::string& en = {}, const std::string& cz = {})
    {
        TResStringItem* item = AddItem(P, id, P.Strings()->Count() + 1);
        if (!en.empty()) AddText(item, 0, en);
        if (!cz.empty()) AddText(item, 1, cz);
        return item;
    }
};

} // namespace

TEST(Check, OneFindingPerKind)
{
    struct TCase {
        const char* Name;
        std::function<void(TBase&)> Build;
        std::vector<std::string> Expected;
    } cases[] = {
        {"clean project", [](TBase& b) { b.Item("sOpen", "Open %s", "Otev\xF8\xEDt %s"); }, {}},
        {"empty text ID", [](TBase& b) { b.Item(""); }, {"empty-text-id 0 -: text ID is empty"}},
        {"text ID with a blank",
         [](TBase& b) { b.Item("has blank"); },
         {"invalid-identifier 0 -: text ID is not a Pascal identifier"}},
        {"prefix that makes no identifier",
         [](TBase& b) {
             b.P.SetStringIdPrefix("1");
             b.Item("Abc");
         },
         {"invalid-identifier 0 -: constant name '1Abc' is not a Pascal identifier"}},
        {"reserved word without a prefix",
         [](TBase& b) {
             b.P.SetPtrIdPrefix("");
             b.Item("Begin");
             b.Item("sBegin");
         },
         {"reserved-word 0 -: constant name 'Begin' is a reserved word"}},
        {"reserved word across the prefix",
         [](TBase& b) {
             b.P.SetStringIdPrefix("bE");
             b.Item("gIN");
             b.Item("gINs");
         },
         {"reserved-word 0 -: constant name 'bEgIN' is a reserved word"}},
        {"names that collide through the prefixes, ignoring case",
         [](TBase& b) {
             b.P.SetStringIdPrefix("s");
             b.P.SetPtrIdPrefix("");
             b.Item("Abc");
             b.Item("sabc");
         },
         {"duplicate-name 1 -: constant name 'sabc' is also a constant of item 0 ('Abc')"}},
        {"equal prefixes",
         [](TBase& b) {
             b.P.SetStringIdPrefix("x");
             b.P.SetPtrIdPrefix("X");
             b.Item("Abc");
         },
         {"duplicate-name 0 -: its number and pointer constants are both named 'xAbc'"}},
        {"three new rows",
         [](TBase& b) {
             b.Item("sFirst");
             for (int i = 0; i < 3; ++i) b.P.Strings()->Add();
         },
         {"empty-text-id 1 -: text ID is empty", "empty-text-id 2 -: text ID is empty",
          "empty-text-id 3 -: text ID is empty",
          "duplicate-name 2 -: constant name 'sid' is also a constant of item 1 ('')",
          "duplicate-name 2 -: constant name 'rsp' is also a constant of item 1 ('')",
          "duplicate-name 3 -: constant name 'sid' is also a constant of item 1 ('')",
          "duplicate-name 3 -: constant name 'rsp' is also a constant of item 1 ('')"}},
        {"fixed number above $FFFF",
         [](TBase& b) { AddItem(b.P, "sBig", 70000, true); },
         {"number-out-of-range 0 -: number 70000 is outside 0..$FFFF"}},
        {"numbers the next generation changes",
         [](TBase& b) {
             AddItem(b.P, "A", 9);
             AddItem(b.P, "B", 2, true);
             AddItem(b.P, "C", 8);
             AddItem(b.P, "D", 1, true);
         },
         {"number-will-change 0 -: number 9 becomes 3 at the next generation",
          "number-will-change 2 -: number 8 becomes 4 at the next generation"}},
        {"text of 256 bytes",
         [](TBase& b) {
             b.Item("sLong", std::string(256, 'a'));
             b.Item("sJust", std::string(255, 'a') + "\n\n"); // LF bytes are not written
         },
         {"text-too-long 0 EN: EN text is 256 bytes long; the target sees only the first 255"}},
        {"invalid format",
         [](TBase& b) { b.Item("sSale", "50% off"); },
         {"invalid-format 0 EN: EN text is not a valid format string: '% ' has no valid type letter"}},
        {"translation drops an argument",
         [](TBase& b) { b.Item("sFiles", "%d files", "soubory"); },
         {"format-arguments 0 CZ: CZ drops %d (argument 0) of EN"}},
        {"translation adds an argument",
         [](TBase& b) { b.Item("sFiles", "%d files", "%d soubor\xF9 v %s"); },
         {"format-arguments 0 CZ: CZ adds %s (argument 1), which EN does not have"}},
        {"translation changes an argument",
         [](TBase& b) { b.Item("sFiles", "%-5d files", "%s soubor\xF9"); },
         {"format-arguments 0 CZ: CZ takes argument 0 as a string (%s) where EN takes an integer (%-5d)"}},
        {"reordered by index, widths from the list, literal percent: same arguments",
         [](TBase& b) {
             b.Item("sHas", "%s has %d", "%1:d m\xE1 %0:s");
             b.Item("sWidth", "%*d items",
                    "%*x polo\x9E"
                    "ek");
             b.Item("sPercent", "%d%% done", "hotovo %d %%");
         },
         {}},
        {"source text found through the chain",
         [](TBase& b) {
             AddLanguage(b.P, "DE", false, 1);
             TResStringItem* item = b.Item("sFiles", "%d files");
             AddText(item, 2, "Dateien");
         },
         {"format-arguments 0 DE: DE drops %d (argument 0) of EN"}},
        {"UTF-8 read as Windows-1250",
         [](TBase& b) {
             b.Item("sCancel", "Cancel", "Zru\xC5\xA1it");
             b.Item("sCancel2", "Cancel", "Zru\x9Ait"); // the same word in Windows-1250
         },
         {"misread-utf8 0 CZ: CZ text 'Zru\u0139\u02C7it' looks like UTF-8 read as Windows-1250 ('Zrušit')"}},
        {"text of a language that does not exist",
         [](TBase& b) { AddText(b.Item("sLost", "x"), 7, "y"); },
         {"unknown-language 0 -: text 1 names no language (LanguageId 7)"}},
        {"source language that does not exist",
         [](TBase& b) { AddLanguage(b.P, "DE", false, 9); },
         {"unknown-source-language -1 DE: source language ID 9 names no language"}},
        {"source languages in a loop",
         [](TBase& b) { b.P.Languages()->Items(0)->SetSourceLanguageId(1); },
         {"source-loop -1 EN: the chain of source languages loops",
          "source-loop -1 CZ: the chain of source languages loops"}},
    };
    for (const TCase& c : cases) {
        TBase b;
        c.Build(b);
        EXPECT_EQ(Findings(b.P), c.Expected) << c.Name;
    }
}

TEST(Check, NumberThatRenumberingPushesPastFFFF)
{
    TResProject p;
    p.Strings()->SetNumberIdBase(65279);
    for (int i = 0; i < 258; ++i) AddItem(p, "s" + std::to_string(i), 65279 + i);
    p.Strings()->Items(0)->SetNumberId(1); // the others move down by one
    const TProjectCheck check = CheckProject(p);
    ASSERT_EQ(check.CountOf(TFindingKind::NumberOutOfRange), 1);
    for (const TFinding& f : check.Findings)
        if (f.Kind == TFindingKind::NumberOutOfRange) {
            EXPECT_EQ(f.Row, 257);
            EXPECT_EQ(f.Message, "number 65536 is outside 0..$FFFF");
        }
    p.Strings()->Items(257)->SetNumberId(2);
    for (const TFinding& f : CheckProject(p).Findings)
        if (f.Kind == TFindingKind::NumberOutOfRange)
            EXPECT_EQ(f.Message, "gets number 65536 at the next generation, outside 0..$FFFF");
}

TEST(Check, PredictsExactlyWhatRenumberIdsDoes)
{
    TResProject p;
    p.Strings()->SetNumberIdBase(10);
    // Fixed numbers below the base, inside the run and above it; others in disorder.
    const int numbers[] = {5, 40, 11, 3, 12, 13, 17, 2, 100, 14, 9, 15};
    const bool fixed[] = {true, false, true, false, false, true, false, false, true, false, false, false};
    for (int i = 0; i < 12; ++i) AddItem(p, "s" + std::to_string(i), numbers[i], fixed[i]);
    std::vector<int32_t> predicted;
    for (int i = 0; i < p.Strings()->Count(); ++i) predicted.push_back(p.Strings()->Items(i)->NumberId());
    for (const TFinding& f : CheckProject(p).Findings) {
        ASSERT_EQ(f.Kind, TFindingKind::NumberWillChange) << f.Message;
        int from = 0, to = 0;
        ASSERT_EQ(std::sscanf(f.Message.c_str(), "number %d becomes %d", &from, &to), 2);
        EXPECT_EQ(from, predicted[size_t(f.Row)]);
        predicted[size_t(f.Row)] = to;
    }
    p.Strings()->RenumberIds();
    for (int i = 0; i < p.Strings()->Count(); ++i) EXPECT_EQ(p.Strings()->Items(i)->NumberId(), predicted[size_t(i)]);
    EXPECT_TRUE(CheckProject(p).Findings.empty());
}

TEST(Check, StatisticsCountOwnInheritedAndMissingTexts)
{
    TBase b;
    AddLanguage(b.P, "DE", false);
    b.Item("a", "A", "\xE1");
    b.Item("b", "B");
    AddText(b.Item("c", "", "\xE8"), 0, ""); // an empty own text is a text
    b.Item("d");
    const TProjectCheck check = CheckProject(b.P);
    ASSERT_EQ(check.Stats.size(), 3u);
    auto line = [](const TLanguageStats& s) {
        return s.Language + ": " + std::to_string(s.Own) + " own, " + std::to_string(s.Inherited) + " inherited, " +
            std::to_string(s.Missing) + " missing" + (s.Visible ? "" : " (hidden)");
    };
    EXPECT_EQ(line(check.Stats[0]), "EN: 3 own, 0 inherited, 1 missing");
    EXPECT_EQ(line(check.Stats[1]), "CZ: 2 own, 1 inherited, 1 missing");
    EXPECT_EQ(line(check.Stats[2]), "DE: 0 own, 0 inherited, 4 missing (hidden)");
    EXPECT_EQ(check.Summary, (std::vector<std::string>{"Items: 4", "Languages: 3", "Numbers: 1 to 4"}));
}

TEST(Check, StatisticsFollowALoopingChainAsTheUnitsDo)
{
    TBase b;
    b.P.Languages()->Items(0)->SetSourceLanguageId(1); // EN -> CZ -> EN
    b.Item("a", "A");
    b.Item("b", "", "B");
    b.Item("c");
    const TProjectCheck check = CheckProject(b.P);
    for (const TLanguageStats& s : check.Stats) {
        EXPECT_EQ(s.Own, 1) << s.Language;
        EXPECT_EQ(s.Inherited, 1) << s.Language;
        EXPECT_EQ(s.Missing, 1) << s.Language;
    }
}

TEST(Check, UnitTooLargeForOneSegment)
{
    TBase b;
    for (int i = 0; i < 300; ++i) b.Item("s" + std::to_string(i), std::string(250, 'x'));
    std::vector<std::string> large;
    for (const TFinding& f : CheckProject(b.P).Findings)
        if (f.Kind == TFindingKind::UnitTooLarge) large.push_back(f.Language);
    // CZ inherits every text from EN, so its unit is as large.
    EXPECT_EQ(large, (std::vector<std::string>{"EN", "CZ"}));
    EXPECT_GT(EstimateLanguageUnitSize(b.P, 0), 65536);
}

TEST(Check, SameOutputFile)
{
    TBase b;
    b.P.Languages()->Items(1)->SetResFileName("resstr.PAS");
    const std::vector<std::string> f = Findings(b.P);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(
        f[0].rfind("same-output-file -1 CZ: the constants unit and the unit of language 'CZ' write the same file ", 0),
        0u)
        << f[0];
}

TEST(Check, EstimateSplitsRangesExactlyAsTheLanguageUnit)
{
    // Gaps around the range rule's edge, one by one and mixed; the estimate
    // must see the ranges and table entries the generated unit has.
    std::vector<std::vector<int32_t>> layouts;
    for (int gap = 1; gap <= 12; ++gap) layouts.push_back({1, 1 + gap});
    layouts.push_back({1, 2, 9, 17, 24, 32, 33, 40, 48});
    layouts.push_back({0, 7, 15, 0x7FFF, 0x8006, 0x800E, 0xFFFF});
    for (const auto& numbers : layouts) {
        TResProject p;
        AddLanguage(p, "EN");
        for (size_t i = 0; i < numbers.size(); ++i) AddText(AddItem(p, "s" + std::to_string(i), numbers[i]), 0, "t");
        const std::string unit = p.LanguageUnitText(p.Languages()->Items(0));
        auto count = [&](const std::string& what) {
            long long n = 0;
            for (size_t at = unit.find(what); at != std::string::npos; at = unit.find(what, at + 1)) ++n;
            return n;
        };
        const TUnitSizeEstimate e = EstimateLanguageUnit(p, 0);
        EXPECT_EQ(e.Ranges, count("\r\n@Tab")) << numbers.size() << " numbers, last " << numbers.back();
        EXPECT_EQ(e.Entries, count("OFFSET @S") + count("0             ")) << "last " << numbers.back();
    }
}

TEST(Check, MessagesAreUtf8WhateverTheProjectHolds)
{
    TResProject p;
    AddLanguage(p, "\xC8\x8A");
    AddLanguage(p, "EN\xE8", true, 0);
    p.Languages()->Items(1)->SetResFileName("ResStr.pas");
    p.SetPtrIdPrefix("");
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high += char(b);
    AddText(AddItem(p, "s\xE8\xED" + high, 1), 0, "%\xE8 " + high + high);
    AddText(AddItem(p, "", 70000, true), 1, "%s\x9A");
    AddText(AddItem(p, "\x8A", 3), 1,
            "Zru\xC5\xA1it \xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1"
            "\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1\xC5\xA1");
    const TProjectCheck check = CheckProject(p);
    EXPECT_GE(check.Findings.size(), 6u);
    for (const TFinding& f : check.Findings) {
        EXPECT_TRUE(IsValidUtf8(f.Message)) << f.Message;
        EXPECT_TRUE(IsValidUtf8(f.TextId)) << f.TextId;
        EXPECT_TRUE(IsValidUtf8(f.Language)) << f.Language;
        EXPECT_TRUE(IsValidUtf8(FindingLine(f))) << FindingLine(f);
    }
    for (const TLanguageStats& s : check.Stats) EXPECT_TRUE(IsValidUtf8(s.Language));
}

TEST(Check, FindingsComeGroupedByKindInItemOrder)
{
    TBase b;
    b.Item("");
    b.Item("x y", "%d", "-");
    b.Item("");
    const TProjectCheck check = CheckProject(b.P);
    for (size_t i = 1; i < check.Findings.size(); ++i) {
        const TFinding &a = check.Findings[i - 1], &c = check.Findings[i];
        EXPECT_TRUE(a.Kind < c.Kind || (a.Kind == c.Kind && a.Row <= c.Row)) << Describe(a) << " / " << Describe(c);
    }
    EXPECT_TRUE(check.BreaksCompilation());
    EXPECT_EQ(check.CountOf(TFindingKind::EmptyTextId), 2);

    // Many findings, found in an order far from the kinds' (texts and
    // languages in the walk over the items, names and numbers after it):
    // every one still ends up in its place, none lost or doubled.
    TBase many;
    for (int i = 0; i < 300; ++i) {
        TResStringItem* item =
            many.Item(i % 3 == 0 ? "" : "s" + std::to_string(i), i % 4 == 0 ? std::string(300, 'x') : "text");
        if (i % 5 == 0) AddText(item, 7, "for no language");
        if (i % 7 == 0) item->SetNumberId(70000 + i);
        if (i % 7 == 0) item->SetFixedId(true);
    }
    const TProjectCheck all = CheckProject(many.P);
    std::set<std::string> seen;
    for (size_t i = 0; i < all.Findings.size(); ++i) {
        EXPECT_TRUE(seen.insert(Describe(all.Findings[i])).second) << Describe(all.Findings[i]);
        if (i == 0) continue;
        const TFinding &a = all.Findings[i - 1], &c = all.Findings[i];
        ASSERT_TRUE(a.Kind < c.Kind || (a.Kind == c.Kind && a.Row <= c.Row)) << Describe(a) << " / " << Describe(c);
    }
    EXPECT_EQ(all.CountOf(TFindingKind::EmptyTextId), 100);
    EXPECT_EQ(all.CountOf(TFindingKind::TextTooLong), 75);
    EXPECT_EQ(all.CountOf(TFindingKind::UnknownLanguage), 60);
    EXPECT_EQ(all.CountOf(TFindingKind::NumberOutOfRange), 43);
}

TEST(Check, EveryKindHasItsOwnNameAndTitle)
{
    std::set<std::string> names, titles;
    for (int k = 0; k <= int(TFindingKind::SameOutputFile); ++k) {
        names.insert(FindingKindName(TFindingKind(k)));
        titles.insert(FindingKindTitle(TFindingKind(k)));
    }
    EXPECT_EQ(names.size(), size_t(TFindingKind::SameOutputFile) + 1);
    EXPECT_EQ(titles.size(), names.size());
}

TEST(Check, KindsThatBreakTheConstantsUnit)
{
    for (TFindingKind k : {TFindingKind::EmptyTextId, TFindingKind::InvalidTextId, TFindingKind::ReservedWord,
                           TFindingKind::DuplicateName, TFindingKind::NumberOutOfRange})
        EXPECT_TRUE(BreaksCompilation(k)) << FindingKindName(k);
    for (TFindingKind k : {TFindingKind::NumberWillChange, TFindingKind::FormatArguments, TFindingKind::TextTooLong,
                           TFindingKind::MisreadUtf8})
        EXPECT_FALSE(BreaksCompilation(k)) << FindingKindName(k);
    TBase b;
    b.Item("sFine", "%d", "");
    EXPECT_FALSE(CheckProject(b.P).BreaksCompilation());
}

TEST(Check, MisreadUtf8Shapes)
{
    EXPECT_TRUE(LooksLikeMisreadUtf8("Zru\xC5\xA1it"));
    EXPECT_TRUE(LooksLikeMisreadUtf8("\xE2\x82\xAC 5"));   // € as three bytes
    EXPECT_TRUE(LooksLikeMisreadUtf8("\xF0\x9F\x98\x80")); // an emoji as four
    EXPECT_FALSE(LooksLikeMisreadUtf8("plain ASCII"));
    EXPECT_FALSE(LooksLikeMisreadUtf8("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2")); // Czech in Windows-1250
    EXPECT_FALSE(LooksLikeMisreadUtf8("\xC5"));                                            // a lead byte at the end
    EXPECT_FALSE(LooksLikeMisreadUtf8("\xC0\x80"));                                        // an overlong form
    EXPECT_FALSE(LooksLikeMisreadUtf8("\xED\xA0\x80"));                                    // a surrogate
    EXPECT_FALSE(LooksLikeMisreadUtf8("\xC5\xA1 and \x9A")); // one stray byte is enough to tell
    // The same wherever the bytes stand in long ASCII runs.
    for (size_t at = 0; at <= 20; ++at) {
        const std::string before(at, 'a'), after(20 - at, 'b');
        EXPECT_TRUE(LooksLikeMisreadUtf8(before + "\xC5\xA1" + after)) << at;
        EXPECT_FALSE(LooksLikeMisreadUtf8(before + "\xC5\xA1" + after + "\x9A")) << at;
        EXPECT_FALSE(LooksLikeMisreadUtf8(before + "\x9A" + after)) << at;
    }
}

// The facts a text check needs are found wherever the bytes stand in a text:
// a "%" calls for the format check, an LF does not count in the length.
TEST(Check, PercentAndLineFeedsFoundAtEveryPlace)
{
    const auto kinds = [](const std::string& text) {
        TBase b;
        b.Item("sText", text);
        std::vector<TFindingKind> found;
        for (const TFinding& f : CheckProject(b.P).Findings) found.push_back(f.Kind);
        return found;
    };
    const std::vector<TFindingKind> invalidFormat{TFindingKind::InvalidFormat};
    const std::vector<TFindingKind> tooLong{TFindingKind::TextTooLong};
    for (size_t at = 0; at < 24; ++at) {
        EXPECT_EQ(kinds(std::string(at, 'a') + "% " + std::string(24 - at, 'b')), invalidFormat) << at;
        std::string text(256, 'x');
        EXPECT_EQ(kinds(text), tooLong);
        text[at * 10] = '\n';
        EXPECT_TRUE(kinds(text).empty()) << at;
    }
    // In the bytes after the last whole word, for every length of them.
    for (size_t extra = 1; extra < 8; ++extra) {
        EXPECT_EQ(kinds(std::string(16 + extra - 2, 'a') + "% "), invalidFormat) << extra;
        EXPECT_TRUE(kinds(std::string(255, 'x') + std::string(extra, '\n')).empty()) << extra;
    }
}
