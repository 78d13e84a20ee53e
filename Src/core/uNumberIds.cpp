// Handing out, ordering and reassigning the number identifiers of a string list.
#include "uProject.h"

#include <algorithm>
#include <utility>

// Numbers are unique in a list (the NumberId setter refuses a held number,
// new items take a free one, renumbering hands out distinct ones), so every
// correct sort gives the one ascending order. A library sort keeps the stack
// depth bounded and the time n log n for every order of the numbers; a plain
// quicksort degrades to one level of recursion per item on some orders. Equal
// numbers cannot occur; should they, list order decides, so the result is
// still the same on every run.
TResStringSortArray TResStringList::SortedByNumberId(bool fixedOnly, std::vector<int32_t>* numbers) const
{
    // Each item is looked at once, fetched ahead. The sort and the check for
    // order go by the numbers and positions gathered side by side.
    std::vector<std::pair<int32_t, int>> keys; // number, position
    keys.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        FetchAhead(*this, i);
        if (!fixedOnly || Items(i)->FixedId()) keys.emplace_back(Items(i)->NumberId(), i);
    }
    // Lists are mostly in number order already (renumbering leaves them so):
    // one look over them is all it takes then.
    if (!std::is_sorted(keys.begin(), keys.end())) std::sort(keys.begin(), keys.end());
    TResStringSortArray result;
    result.reserve(keys.size());
    for (const auto& [number, position] : keys) result.push_back(Items(position));
    if (numbers) {
        numbers->clear();
        numbers->reserve(keys.size());
        for (const auto& [number, position] : keys) numbers->push_back(number);
    }
    return result;
}

int32_t TResStringList::NextNumberId() const { return m_Index.NextFree(m_NumberIdBase); }

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
        m_Index.Rebuild(*this, TStringIndex::kNumber);
        return;
    }
    for (auto [item, number] : changed) m_Index.Remove(item, TStringIndex::kNumber);
    for (auto [item, number] : changed) {
        item->m_NumberId = number;
        m_Index.Add(item, TStringIndex::kNumber);
    }
}

void TResStringList::SortItems(bool ascending)
{
    TResStringSortArray sorted = SortedByNumberId(false);
    std::vector<const TCollectionItem*> order(sorted.begin(), sorted.end());
    if (!ascending) std::reverse(order.begin(), order.end());
    Reorder(order);
}
