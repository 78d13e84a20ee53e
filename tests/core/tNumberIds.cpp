#include "tAdversarialOrder.h"
#include "tHelpers.h"

namespace {

struct TEntry {
    const char* Id;
    int32_t Number;
    bool Fixed;
};

// Builds a list with the given numbers, bypassing NextNumberId's choice.
void Fill(TResProject& p, int32_t base, std::initializer_list<TEntry> entries)
{
    p.Strings()->SetNumberIdBase(base);
    int32_t scratch = 100000;
    for (const TEntry& e : entries) AddItem(p, e.Id, scratch++);
    int i = 0;
    for (const TEntry& e : entries) {
        p.Strings()->Items(i)->SetNumberId(e.Number);
        p.Strings()->Items(i++)->SetFixedId(e.Fixed);
    }
}

std::string Listing(const TResProject& p)
{
    std::string r;
    for (int i = 0; i < p.Strings()->Count(); ++i) {
        if (i) r += ' ';
        r += p.Strings()->Items(i)->TextId() + std::to_string(p.Strings()->Items(i)->NumberId());
    }
    return r;
}

int32_t NewItemNumber(int32_t base, std::initializer_list<int32_t> numbers)
{
    TResProject p;
    p.Strings()->SetNumberIdBase(base);
    int k = 0;
    for (int32_t n : numbers) AddItem(p, "i" + std::to_string(k++), 50000 + k)->SetNumberId(n);
    return p.Strings()->Add()->NumberId();
}

} // namespace

TEST(NextNumberId, TakesTheLowestFreeNumberFromTheBase)
{
    EXPECT_EQ(NewItemNumber(1, {1, 2, 4, 10}), 3);
    EXPECT_EQ(NewItemNumber(5, {1, 2, 5, 6}), 7);
    EXPECT_EQ(NewItemNumber(5, {3, 1}), 5);
    EXPECT_EQ(NewItemNumber(1, {}), 1);
    EXPECT_EQ(NewItemNumber(1, {0, 1, 2}), 3);

    TResProject p;
    p.Strings()->SetNumberIdBase(65279);
    EXPECT_EQ(p.Strings()->Add()->NumberId(), 65279);
    EXPECT_EQ(p.Strings()->Add()->NumberId(), 65280);
    p.SetModified(false);
    EXPECT_EQ(p.Strings()->Insert(0)->NumberId(), 65281) << "Insert numbers like Add";
    EXPECT_FALSE(p.Modified());
}

TEST(RenumberIds, KeepsFixedNumbersAndFillsTheGaps)
{
    {
        TResProject p;
        Fill(p, 1, {{"A", 9, false}, {"B", 2, true}, {"C", 8, false}, {"D", 1, true}});
        p.SetModified(false);
        p.Strings()->RenumberIds();
        EXPECT_EQ(Listing(p), "A3 B2 C4 D1");
        p.Strings()->SortItems(true);
        EXPECT_EQ(Listing(p), "D1 B2 A3 C4");
        p.Strings()->SortItems(false);
        EXPECT_EQ(Listing(p), "C4 A3 B2 D1");
        EXPECT_FALSE(p.Modified());
    }
    {
        TResProject p;
        Fill(p, 10, {{"X", 5, true}, {"P", 1, false}, {"Y", 11, true}, {"Q", 2, false}, {"R", 3, false}});
        p.Strings()->RenumberIds();
        p.Strings()->SortItems(true);
        EXPECT_EQ(Listing(p), "X5 P10 Y11 Q12 R13");
    }
    {
        TResProject p;
        Fill(p, 1, {{"A", 7, false}, {"B", 2, true}, {"C", 3, false}, {"D", 4, true}, {"E", 1, false}});
        p.Strings()->RenumberIds();
        EXPECT_EQ(Listing(p), "A1 B2 C3 D4 E5");
        p.Strings()->RenumberIds();
        EXPECT_EQ(Listing(p), "A1 B2 C3 D4 E5") << "a second run changes nothing";
    }
}

TEST(RenumberIds, EdgeLists)
{
    TResProject p;
    p.Strings()->RenumberIds();
    p.Strings()->SortItems(true);
    EXPECT_TRUE(p.Strings()->SortedByNumberId(false).empty());

    Fill(p, 3, {{"A", 40, false}, {"B", 30, false}, {"C", 20, false}});
    EXPECT_TRUE(p.Strings()->SortedByNumberId(true).empty());
    p.Strings()->RenumberIds();
    EXPECT_EQ(Listing(p), "A3 B4 C5");

    TResProject q;
    Fill(q, 1, {{"A", 9, true}, {"B", 7, true}});
    q.Strings()->RenumberIds();
    EXPECT_EQ(Listing(q), "A9 B7") << "all fixed: nothing changes";
    ASSERT_EQ(q.Strings()->SortedByNumberId(true).size(), 2u);
    EXPECT_EQ(q.Strings()->SortedByNumberId(true)[0]->TextId(), "B");
}

TEST(RenumberIds, StepsOverFixedNumbersAboveFFFF)
{
    TResProject p;
    p.Strings()->SetNumberIdBase(0xFEFF);
    for (int i = 0; i < 300; ++i) AddItem(p, "i" + std::to_string(i), 100000 + i);
    TResStringItem* fixed = p.Strings()->Items(150);
    fixed->SetNumberId(0x10001);
    fixed->SetFixedId(true);
    p.Strings()->RenumberIds();
    EXPECT_EQ(p.Strings()->Items(0)->NumberId(), 0xFEFF);
    EXPECT_EQ(fixed->NumberId(), 0x10001);
    EXPECT_EQ(p.Strings()->Items(258)->NumberId(), 0x10000);
    EXPECT_EQ(p.Strings()->Items(259)->NumberId(), 0x10002) << "counts on past $FFFF, over the fixed number";
    EXPECT_EQ(p.Strings()->Items(299)->NumberId(), 0xFEFF + 299);
    EXPECT_EQ(p.Strings()->Add()->NumberId(), 0xFEFF + 300);
}

TEST(SortedByNumberId, FixedBelowBaseAndNegativeNumbers)
{
    TResProject p;
    Fill(p, 5, {{"A", 1, true}, {"B", 100, false}, {"C", -7, false}});
    auto sorted = p.Strings()->SortedByNumberId(false);
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted[0]->TextId(), "C");
    EXPECT_EQ(sorted[2]->TextId(), "B");
    p.Strings()->RenumberIds();
    EXPECT_EQ(Listing(p), "A1 B5 C6") << "nothing below the base but the fixed item";
}

TEST(SortedByNumberId, AdversarialOrderOfManyItemsSortsWithoutOverflowingTheStack)
{
    const std::vector<int32_t> numbers = MiddlePivotKiller(131072);
    TResProject p;
    TResStringList* s = p.Strings();
    for (int32_t n : numbers) s->Add()->SetNumberId(n);
    const TResStringSortArray sorted = s->SortedByNumberId(false);
    ASSERT_EQ(sorted.size(), numbers.size());
    for (size_t i = 0; i < sorted.size(); ++i) ASSERT_EQ(sorted[i]->NumberId(), static_cast<int32_t>(i) + 1);
    s->SortItems(false);
    EXPECT_EQ(s->Items(0)->NumberId(), 131072);
    EXPECT_EQ(s->Items(131071)->NumberId(), 1);
}
