// The lookups of a string list: the item with a text ID (ASCII case folded),
// the item with a number, and the lowest free number from a base.
//
// Every answer equals that of a scan in list order that takes the first match,
// because the list's rules leave at most one item per key: text IDs are unique
// ignoring ASCII case once set, and numbers are unique. The one key that many
// items may share, the empty text ID of fresh items, is only counted here; the
// list finds its first holder by a scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

class TResStringItem;
class TResStringList;

class TStringIndex {
public:
    // Which of an item's keys an operation concerns.
    enum TKeys : unsigned { kTextId = 1, kNumber = 2, kBoth = 3 };

    // Takes in the item's current text ID and/or number. No other item may
    // hold the same key (the callers check uniqueness first).
    void Add(TResStringItem* item, unsigned keys = kBoth);
    // Takes the item's current keys out; call it before a key changes.
    void Remove(const TResStringItem* item, unsigned keys = kBoth);
    // The item whose text ID equals textId ignoring ASCII case; textId must
    // not be empty.
    TResStringItem* FindTextId(std::string_view textId) const;
    TResStringItem* FindNumber(int32_t number) const;
    // The smallest number at or above base that no item holds.
    int32_t NextFree(int32_t base) const;
    // Whether some item holds the empty text ID.
    bool HasEmptyTextIds() const { return m_EmptyTextIds > 0; }

    // Builds the given keys afresh from the list's items.
    void Rebuild(TResStringList& list, unsigned keys = kBoth);

    // For reading many items at once: until EndDeferredTextIds, text IDs are
    // neither indexed nor looked up, so that their setter need not check
    // them one by one.
    void DeferTextIds();
    bool TextIdsDeferred() const { return m_TextIdsDeferred; }
    // Indexes every item's text ID at once. False when two items share one,
    // or when a text ID was given up meanwhile (an item's second ID, an item
    // that left), since an earlier clash can no longer be told: the list may
    // break its rule then, and the index holds the first of each ID.
    bool EndDeferredTextIds(TResStringList& list);
    void Clear();
    // Room for count items without growing.
    void Reserve(size_t count);

private:
    // Open addressing with linear probing; a slot keeps the key's hash so that
    // most probes never touch the item.
    struct TSlot {
        TResStringItem* Item = nullptr;
        uint32_t Hash = 0;
    };
    class TTable {
    public:
        size_t Size() const { return m_Count; }
        // The item must not share its key with an entry: sameKey(entry) tells,
        // for an entry of the same hash.
        template <class TMatch> void Insert(TResStringItem* item, uint32_t hash, TMatch sameKey);
        // The same for many items at once, their hashes given, looking a few
        // slots ahead; an item whose key an entry holds is left out. False
        // when one was.
        template <class TMatch>
        bool InsertAll(const std::vector<TResStringItem*>& items, const std::vector<uint32_t>& hashes, TMatch sameKey);
        void Erase(const TResStringItem* item, uint32_t hash);
        // The first slot with the hash for which match(item) holds.
        template <class TMatch> TResStringItem* Find(uint32_t hash, TMatch match) const;
        void Clear();
        void Reserve(size_t count);

    private:
        void Grow(size_t capacity);
        std::vector<TSlot> m_Slots; // capacity a power of two, at most half full
        size_t m_Count = 0;
    };

    void AddNumberToRuns(int32_t n);
    void RemoveNumberFromRuns(int32_t n);

    TTable m_ByTextId;
    TTable m_ByNumber; // the hash of a number is a bijection: equal hash, equal number
    int m_EmptyTextIds = 0;
    bool m_TextIdsDeferred = false;
    bool m_DeferredIdLost = false; // a text ID was given up while deferred
    // first -> last of each run of consecutive held numbers. A balanced tree:
    // the next free number from any base, and every change, cost log n.
    std::map<int32_t, int32_t> m_NumberRuns;
};
