#include "uStringIndex.h"

#include "uErrors.h"
#include "uProject.h"
#include "uText.h"

namespace {

// The final mix of MurmurHash3: a bijection on 32 bits that spreads
// neighbouring numbers over the whole table.
uint32_t Mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

// A bijection on 28 bits, in the manner of Mix: shifts and odd multipliers
// taken modulo 2^28.
uint32_t Mix28(uint32_t h)
{
    constexpr uint32_t kMask = (1u << 28) - 1;
    h ^= h >> 15;
    h = (h * 0x2C1B3C6Du) & kMask;
    h ^= h >> 12;
    h = (h * 0x297A2D39u) & kMask;
    h ^= h >> 15;
    return h;
}

// Numbers are mostly handed out in runs, and a run is mostly read in order.
// Each aligned block of 16 numbers keeps its order in the table, so that a
// run fills neighbouring slots and stays in few cache lines; the blocks are
// spread by a mix. A bijection on 32 bits, like any mix.
uint32_t HashNumber(int32_t n)
{
    const auto u = static_cast<uint32_t>(n);
    return (Mix28(u >> 4) << 4) | (u & 15);
}

// FNV-1a over the text with ASCII letters folded to upper case.
uint32_t HashTextId(std::string_view s)
{
    uint32_t h = 2166136261u;
    for (char c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return Mix(h);
}

} // namespace

// ---------------------------------------------------------------------------
// The table

void TStringIndex::TTable::Grow(size_t capacity)
{
    std::vector<TSlot> old = std::move(m_Slots);
    m_Slots.assign(capacity, TSlot{});
    const size_t mask = capacity - 1;
    for (const TSlot& slot : old) {
        if (!slot.Item) continue;
        size_t i = slot.Hash & mask;
        while (m_Slots[i].Item) i = (i + 1) & mask;
        m_Slots[i] = slot;
    }
}

void TStringIndex::TTable::Reserve(size_t count)
{
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity > m_Slots.size()) Grow(capacity);
}

template <class TMatch> void TStringIndex::TTable::Insert(TResStringItem* item, uint32_t hash, TMatch sameKey)
{
    if (2 * (m_Count + 1) > m_Slots.size()) Reserve(m_Count + 1);
    const size_t mask = m_Slots.size() - 1;
    size_t i = hash & mask;
    // The probe passes every entry that could hold the same key.
    for (; m_Slots[i].Item; i = (i + 1) & mask) QUILLET_ASSERT(m_Slots[i].Hash != hash || !sameKey(m_Slots[i].Item));
    m_Slots[i] = TSlot{item, hash};
    ++m_Count;
}

template <class TMatch>
bool TStringIndex::TTable::InsertAll(const std::vector<TResStringItem*>& items, const std::vector<uint32_t>& hashes,
                                     TMatch sameKey)
{
    Reserve(m_Count + items.size());
    const size_t mask = m_Slots.size() - 1;
    // The slots lie far apart in a large table: fetching some ahead lets
    // their cache misses overlap.
    constexpr size_t kAhead = 16;
    bool unique = true;
    for (size_t k = 0; k < items.size(); ++k) {
        if (k + kAhead < items.size()) __builtin_prefetch(&m_Slots[hashes[k + kAhead] & mask]);
        const uint32_t hash = hashes[k];
        size_t i = hash & mask;
        for (; m_Slots[i].Item; i = (i + 1) & mask)
            if (m_Slots[i].Hash == hash && sameKey(m_Slots[i].Item, items[k])) break;
        if (m_Slots[i].Item) {
            unique = false;
            continue;
        }
        m_Slots[i] = TSlot{items[k], hash};
        ++m_Count;
    }
    return unique;
}

void TStringIndex::TTable::Erase(const TResStringItem* item, uint32_t hash)
{
    const size_t mask = m_Slots.size() - 1;
    size_t i = hash & mask;
    while (m_Slots[i].Item != item) {
        QUILLET_ASSERT(m_Slots[i].Item != nullptr);
        i = (i + 1) & mask;
    }
    // Shift later entries of the probe sequence back into the hole, so that
    // no tombstones are needed.
    for (size_t j = i;;) {
        j = (j + 1) & mask;
        if (!m_Slots[j].Item) break;
        const size_t home = m_Slots[j].Hash & mask;
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        m_Slots[i] = m_Slots[j];
        i = j;
    }
    m_Slots[i] = TSlot{};
    --m_Count;
}

template <class TMatch> TResStringItem* TStringIndex::TTable::Find(uint32_t hash, TMatch match) const
{
    if (m_Count == 0) return nullptr;
    const size_t mask = m_Slots.size() - 1;
    for (size_t i = hash & mask; m_Slots[i].Item; i = (i + 1) & mask)
        if (m_Slots[i].Hash == hash && match(m_Slots[i].Item)) return m_Slots[i].Item;
    return nullptr;
}

void TStringIndex::TTable::Clear()
{
    m_Slots.clear();
    m_Slots.shrink_to_fit();
    m_Count = 0;
}

// ---------------------------------------------------------------------------
// The index

void TStringIndex::Add(TResStringItem* item, unsigned keys)
{
    if ((keys & kTextId) && !m_TextIdsDeferred) {
        const std::string& textId = item->TextId();
        if (textId.empty()) ++m_EmptyTextIds;
        else
            m_ByTextId.Insert(item, HashTextId(textId), [&textId](const TResStringItem* other) {
                return SameTextAscii(other->TextId(), textId);
            });
    }
    if (keys & kNumber) {
        m_ByNumber.Insert(item, HashNumber(item->NumberId()), [](const TResStringItem*) { return true; });
        AddNumberToRuns(item->NumberId());
    }
}

void TStringIndex::Remove(const TResStringItem* item, unsigned keys)
{
    // A text ID given up while they are deferred could have clashed before:
    // the check at the end cannot tell any more.
    if ((keys & kTextId) && m_TextIdsDeferred && !item->TextId().empty()) m_DeferredIdLost = true;
    if ((keys & kTextId) && !m_TextIdsDeferred) {
        const std::string& textId = item->TextId();
        if (textId.empty()) --m_EmptyTextIds;
        else m_ByTextId.Erase(item, HashTextId(textId));
    }
    if (keys & kNumber) {
        m_ByNumber.Erase(item, HashNumber(item->NumberId()));
        RemoveNumberFromRuns(item->NumberId());
    }
}

TResStringItem* TStringIndex::FindTextId(std::string_view textId) const
{
    QUILLET_ASSERT(!m_TextIdsDeferred);
    return m_ByTextId.Find(HashTextId(textId),
                           [textId](const TResStringItem* item) { return SameTextAscii(item->TextId(), textId); });
}

TResStringItem* TStringIndex::FindNumber(int32_t number) const
{
    return m_ByNumber.Find(HashNumber(number), [](const TResStringItem*) { return true; });
}

int32_t TStringIndex::NextFree(int32_t base) const
{
    // The end of the run that holds the base, plus one; the base itself when
    // no run holds it.
    auto it = m_NumberRuns.upper_bound(base);
    if (it == m_NumberRuns.begin()) return base;
    --it;
    if (base > it->second) return base;
    return static_cast<int32_t>(static_cast<uint32_t>(it->second) + 1u);
}

void TStringIndex::AddNumberToRuns(int32_t n)
{
    // Runs are disjoint and not adjacent; n is in none of them yet.
    auto next = m_NumberRuns.upper_bound(n);
    bool joinsPrev = false;
    auto prev = next;
    if (prev != m_NumberRuns.begin()) {
        --prev;
        joinsPrev = int64_t(prev->second) + 1 == n;
    }
    const bool joinsNext = next != m_NumberRuns.end() && int64_t(n) + 1 == next->first;
    if (joinsPrev && joinsNext) {
        prev->second = next->second;
        m_NumberRuns.erase(next);
    } else if (joinsPrev) {
        prev->second = n;
    } else if (joinsNext) {
        const int32_t last = next->second;
        m_NumberRuns.emplace_hint(m_NumberRuns.erase(next), n, last);
    } else {
        m_NumberRuns.emplace_hint(next, n, n);
    }
}

void TStringIndex::RemoveNumberFromRuns(int32_t n)
{
    auto it = m_NumberRuns.upper_bound(n);
    QUILLET_ASSERT(it != m_NumberRuns.begin());
    --it;
    const int32_t first = it->first, last = it->second;
    QUILLET_ASSERT(first <= n && n <= last);
    if (n == first) {
        it = m_NumberRuns.erase(it);
        if (n < last) m_NumberRuns.emplace_hint(it, n + 1, last);
        return;
    }
    it->second = n - 1;
    if (n < last) m_NumberRuns.emplace_hint(std::next(it), n + 1, last);
}

void TStringIndex::Rebuild(TResStringList& list, unsigned keys)
{
    const size_t count = static_cast<size_t>(list.Count());
    if (keys & kTextId) {
        m_ByTextId.Clear();
        m_EmptyTextIds = 0;
    }
    if (keys & kNumber) {
        m_ByNumber.Clear();
        m_NumberRuns.clear();
        m_ByNumber.Reserve(count);
    }
    if (keys & kTextId) m_ByTextId.Reserve(count);
    for (int i = 0; i < list.Count(); ++i) Add(list.Items(i), keys);
}

void TStringIndex::DeferTextIds()
{
    m_ByTextId.Clear();
    m_EmptyTextIds = 0;
    m_TextIdsDeferred = true;
    m_DeferredIdLost = false;
}

bool TStringIndex::EndDeferredTextIds(TResStringList& list)
{
    m_TextIdsDeferred = false;
    // Each item's text ID was set once at most, and none left: every ID
    // ever set is still held, and a clash at any time is a clash now.
    bool unique = !m_DeferredIdLost;
    std::vector<TResStringItem*> items;
    std::vector<uint32_t> hashes;
    items.reserve(static_cast<size_t>(list.Count()));
    hashes.reserve(items.capacity());
    for (int i = 0; i < list.Count(); ++i) {
        FetchAhead(list, i);
        TResStringItem* item = list.Items(i);
        if (item->TextId().empty()) {
            ++m_EmptyTextIds;
            continue;
        }
        items.push_back(item);
        hashes.push_back(HashTextId(item->TextId()));
    }
    unique = m_ByTextId.InsertAll(items, hashes,
                                  [](const TResStringItem* a, const TResStringItem* b) {
                                      return SameTextAscii(a->TextId(), b->TextId());
                                  }) &&
        unique;
    return unique;
}

void TStringIndex::Clear()
{
    if (m_TextIdsDeferred && m_ByNumber.Size() > 0) m_DeferredIdLost = true; // items leave, maybe with their IDs
    m_ByTextId.Clear();
    m_ByNumber.Clear();
    m_EmptyTextIds = 0;
    m_NumberRuns.clear();
}

void TStringIndex::Reserve(size_t count)
{
    m_ByTextId.Reserve(count);
    m_ByNumber.Reserve(count);
}
