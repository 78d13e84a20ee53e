// Handing out, ordering and reassigning the number identifiers of a string list.
#include "uProject.h"

#include <algorithm>
#include <utility>

namespace {

// Numbers are unique in a list (the NumberId setter refuses a held number,
// new items take a free one, renumbering hands out distinct ones), so every
// correct sort gives the one ascending order. A library sort keeps the stack
// depth bounded and the time n log n for every order of the numbers; a plain
// quicksort degrades to one level of recursion per item on some orders. Equal
// numbers cannot occur; should they, list order decides, so the result is
// still the same on every run.
void SortByNumber(TResStringSortArray& a)
{
    std::sort(a.begin(), a.end(), [](const TResStringItem* x, const TResStringItem* y) {
        return x->NumberId() != y->NumberId() ? x->NumberId() < y->NumberId() : x->Index() < y->Index();
    });
}

} // namespace

TResStringSortArray TResStringList::SortedByNumberId(bool fixedOnly) const
{
    TResStringSortArray result;
    result.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        if (!fixedOnly || Items(i)->FixedId()) result.push_back(Items(i));
    SortByNumber(result);
    return result;
}

int32_t TResStringList::NextNumberId() const
{
    // The smallest number at or above the base that no item holds: the end of
    // the run of held numbers that contains the base, plus one.
    int32_t r = m_NumberIdBase;
    auto it = m_NumberRuns.upper_bound(r);
    if (it != m_NumberRuns.begin()) {
        --it;
        if (it->first <= r && r <= it->second) r = static_cast<int32_t>(static_cast<uint32_t>(it->second) + 1u);
    }
    return r;
}

void TResStringList::RenumberIds()
{
    // Writes the fields directly: no checks, and the project stays unmodified.
    const TResStringSortArray fixed = SortedByNumberId(true);
    size_t j = 0;
    int64_t n = m_NumberIdBase;
    while (j < fixed.size() && fixed[j]->NumberId() < n) ++j;
    std::vector<std::pair<TResStringItem*, int32_t>> changed; // item, new number
    for (int i = 0; i < Count(); ++i) {
        TResStringItem* item = Items(i);
        if (item->FixedId()) continue;
        while (j < fixed.size() && fixed[j]->NumberId() == static_cast<int32_t>(n)) {
            ++n;
            ++j;
        }
        const auto number = static_cast<int32_t>(static_cast<uint32_t>(n));
        if (item->m_NumberId != number) changed.emplace_back(item, number);
        ++n;
    }
    // A few changes are cheaper to apply one by one than to rebuild the index.
    if (changed.size() > static_cast<size_t>(Count()) / 8) {
        for (auto [item, number] : changed) item->m_NumberId = number;
        RebuildNumberIndex();
        return;
    }
    for (auto [item, number] : changed) UnindexNumber(item);
    for (auto [item, number] : changed) {
        item->m_NumberId = number;
        IndexNumber(item);
    }
}

void TResStringList::SortItems(bool ascending)
{
    TResStringSortArray sorted = SortedByNumberId(false);
    std::vector<TCollectionItem*> order(sorted.begin(), sorted.end());
    if (!ascending) std::reverse(order.begin(), order.end());
    Reorder(std::move(order));
}
