#include "uProject.h"
#include "uText.h"

#include "uErrors.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Collections

TCollection::~TCollection() = default;

void TCollectionItem::SetIndex(int index) { m_Collection->Move(m_Index, index); }

void TCollection::ThrowIndexError(int index) { throw EListError(MsgListIndex(index)); }

TCollectionItem* TCollection::ItemAt(int index) const
{
    if (index < 0 || index >= Count()) ThrowIndexError(index);
    return m_Items[static_cast<size_t>(index)].get();
}

TCollectionItem* TCollection::FindItem(int32_t id) const
{
    for (const auto& item : m_Items)
        if (item->m_ID == id) return item.get();
    return nullptr;
}

TCollectionItem* TCollection::Append(std::unique_ptr<TCollectionItem> item)
{
    TCollectionItem* raw = item.get();
    raw->m_ID = m_NextID++;
    raw->m_Index = Count();
    m_Items.push_back(std::move(item));
    ItemEntered(raw);
    return raw;
}

void TCollection::Delete(int index)
{
    TCollectionItem* item = ItemAt(index);
    ItemLeaving(item);
    m_Items.erase(m_Items.begin() + index);
    for (size_t i = static_cast<size_t>(index); i < m_Items.size(); ++i) m_Items[i]->m_Index = static_cast<int>(i);
}

void TCollection::Clear()
{
    AllLeaving();
    while (!m_Items.empty()) m_Items.pop_back(); // the last one first
}

void TCollection::Reserve(int count)
{
    if (count > 0) m_Items.reserve(static_cast<size_t>(count));
}

void TCollection::Move(int from, int to)
{
    if (from == to) return;
    ItemAt(from);
    ItemAt(to);
    auto first = m_Items.begin();
    if (from < to) std::rotate(first + from, first + from + 1, first + to + 1);
    else std::rotate(first + to, first + from, first + from + 1);
    for (int i = std::min(from, to); i <= std::max(from, to); ++i) m_Items[static_cast<size_t>(i)]->m_Index = i;
}

void TCollection::Reorder(std::vector<TCollectionItem*> order)
{
    // order holds every item exactly once; the unique_ptrs follow it.
    std::vector<std::unique_ptr<TCollectionItem>> items(m_Items.size());
    for (size_t i = 0; i < order.size(); ++i) {
        items[i] = std::move(m_Items[static_cast<size_t>(order[i]->m_Index)]);
    }
    m_Items = std::move(items);
    for (size_t i = 0; i < m_Items.size(); ++i) m_Items[i]->m_Index = static_cast<int>(i);
}

// ---------------------------------------------------------------------------
// Languages

TResLanguageItem::TResLanguageItem(TResLanguageList* list) : TCollectionItem(list) {}

TResLanguageList* TResLanguageItem::List() const { return static_cast<TResLanguageList*>(Collection()); }
void TResLanguageItem::Changed() { List()->Changed(); }

void TResLanguageItem::SetTextId(const std::string& value)
{
    TResLanguageItem* found = List()->FindByTextId(value);
    if (found && found != this) throw EResFile(kMsgDupLanguageId);
    if (found == this) return;
    if (m_ResFileName.empty() || m_ResFileName == "ResStr" + m_TextId + ".pas")
        m_ResFileName = "ResStr" + value + ".pas";
    m_TextId = value;
    Changed();
}

void TResLanguageItem::SetSourceLanguageId(int32_t value)
{
    if (value == m_SourceLanguageId) return;
    m_SourceLanguageId = value;
    Changed();
}

TResLanguageItem* TResLanguageItem::SourceLanguage() const
{
    if (m_SourceLanguageId < 0) return nullptr;
    return List()->FindItemID(m_SourceLanguageId);
}

TResLanguageItem* TResLanguageList::Add()
{
    return static_cast<TResLanguageItem*>(Append(std::make_unique<TResLanguageItem>(this)));
}

TResLanguageItem* TResLanguageList::Insert(int index) { return InsertVia<TResLanguageItem>(*this, index); }

TResLanguageItem* TResLanguageList::FindByTextId(std::string_view textId) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Items(i)->TextId(), textId)) return Items(i);
    return nullptr;
}

void TResLanguageList::Changed() { m_Project->Changed(); }

// ---------------------------------------------------------------------------
// Texts

TResStringConstItem::TResStringConstItem(TResStringConstList* list) : TCollectionItem(list) {}

TResStringConstList* TResStringConstItem::List() const { return static_cast<TResStringConstList*>(Collection()); }
void TResStringConstItem::Changed() { List()->Changed(); }

void TResStringConstItem::SetValue(std::string value)
{
    if (value == m_Value) return;
    m_Value = std::move(value);
    Changed();
}

void TResStringConstItem::SetLanguageId(int32_t value)
{
    if (value == m_LanguageId) return;
    m_LanguageId = value;
    Changed();
}

TResLanguageItem* TResStringConstItem::Language() const
{
    if (m_LanguageId < 0) return nullptr;
    TResLanguageList* languages = List()->StringItem()->List()->Project()->Languages();
    QUILLET_ASSERT(languages != nullptr);
    TResLanguageItem* language = languages->FindItemID(m_LanguageId);
    QUILLET_ASSERT(language != nullptr);
    return language;
}

void TResStringConstItem::SetLanguage(const TResLanguageItem* language)
{
    SetLanguageId(language ? language->ID() : -1);
}

TResStringConstItem* TResStringConstList::Add()
{
    return static_cast<TResStringConstItem*>(Append(std::make_unique<TResStringConstItem>(this)));
}

TResStringConstItem* TResStringConstList::Insert(int index) { return InsertVia<TResStringConstItem>(*this, index); }

TResStringConstItem* TResStringConstList::FindByLanguage(const TResLanguageItem* language) const
{
    if (!language) return nullptr;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->LanguageId() == language->ID()) return Items(i);
    return nullptr;
}

void TResStringConstList::Changed() { m_StringItem->Changed(); }

// ---------------------------------------------------------------------------
// String items

TResStringItem::TResStringItem(TResStringList* list)
    : TCollectionItem(list), m_StringConsts(std::make_unique<TResStringConstList>(this))
{}

TResStringItem::~TResStringItem() = default;

TResStringList* TResStringItem::List() const { return static_cast<TResStringList*>(Collection()); }
void TResStringItem::Changed() { List()->Changed(); }

bool TResStringItem::IsUniqueTextId(std::string_view textId) const
{
    TResStringItem* found = List()->FindByTextId(textId);
    return !found || found == this;
}

bool TResStringItem::IsUniqueNumberId(int32_t numberId) const
{
    TResStringItem* found = List()->FindByNumberId(numberId);
    return !found || found == this;
}

void TResStringItem::SetTextId(const std::string& value)
{
    if (value == m_TextId) return;
    if (!IsUniqueTextId(value)) throw EResFile(kMsgDupStringTextId);
    List()->UnindexTextId(this);
    m_TextId = value;
    List()->IndexTextId(this);
    Changed();
}

void TResStringItem::SetNumberId(int32_t value)
{
    if (value == m_NumberId) return;
    if (!IsUniqueNumberId(value)) throw EResFile(kMsgDupStringNumberId);
    List()->UnindexNumber(this);
    m_NumberId = value;
    List()->IndexNumber(this);
    Changed();
}

void TResStringItem::SetStandard(bool value)
{
    if (value == m_Standard) return;
    m_Standard = value;
    Changed();
}

void TResStringItem::SetFixedId(bool value)
{
    if (value == m_FixedId) return;
    m_FixedId = value;
    Changed();
}

void TResStringItem::SetStringConsts(std::unique_ptr<TResStringConstList> list)
{
    if (!list || list.get() == m_StringConsts.get()) return;
    m_StringConsts = std::move(list);
    m_StringConsts->SetStringItem(this);
    Changed();
}

// ---------------------------------------------------------------------------
// String list and its lookup structures

TResStringList::~TResStringList()
{
    // Items go first, while the lookup structures still exist.
    Clear();
}

TResStringItem* TResStringList::Add()
{
    auto item = std::make_unique<TResStringItem>(this);
    item->m_NumberId = NextNumberId();
    return static_cast<TResStringItem*>(Append(std::move(item)));
}

TResStringItem* TResStringList::Insert(int index) { return InsertVia<TResStringItem>(*this, index); }

void TResStringList::TBucket::Add(TResStringItem* item)
{
    if (!First) First = item;
    else More.push_back(item);
}

bool TResStringList::TBucket::Remove(TResStringItem* item)
{
    if (First == item) {
        if (More.empty()) return true;
        First = More.back();
        More.pop_back();
    } else {
        More.erase(std::remove(More.begin(), More.end(), item), More.end());
    }
    return false;
}

TResStringItem* TResStringList::TBucket::FirstInListOrder() const
{
    TResStringItem* best = First;
    for (TResStringItem* item : More)
        if (item->Index() < best->Index()) best = item;
    return best;
}

namespace {

template <class TMap, class TKey> TResStringItem* FirstInListOrder(const TMap& map, const TKey& key)
{
    auto it = map.find(key);
    return it == map.end() ? nullptr : it->second.FirstInListOrder();
}

template <class TMap, class TKey> bool RemoveFromBucket(TMap& map, const TKey& key, TResStringItem* item)
{
    auto it = map.find(key);
    if (it == map.end() || !it->second.Remove(item)) return false;
    map.erase(it);
    return true;
}

} // namespace

TResStringItem* TResStringList::FindByTextId(std::string_view textId) const
{
    if (textId.empty()) {
        // Many fresh items may hold the empty ID; asking for it is rare.
        for (int i = 0; m_EmptyTextIds > 0 && i < Count(); ++i)
            if (Items(i)->TextId().empty()) return Items(i);
        return nullptr;
    }
    return FirstInListOrder(m_ByTextId, UpperAscii(textId));
}

TResStringItem* TResStringList::FindByNumberId(int32_t numberId) const
{
    return FirstInListOrder(m_ByNumber, numberId);
}

void TResStringList::IndexTextId(TResStringItem* item)
{
    if (item->m_TextId.empty()) ++m_EmptyTextIds;
    else m_ByTextId[UpperAscii(item->m_TextId)].Add(item);
}

void TResStringList::UnindexTextId(TResStringItem* item)
{
    if (item->m_TextId.empty()) --m_EmptyTextIds;
    else RemoveFromBucket(m_ByTextId, UpperAscii(item->m_TextId), item);
}

void TResStringList::IndexNumber(TResStringItem* item)
{
    auto& bucket = m_ByNumber[item->m_NumberId];
    bucket.Add(item);
    if (bucket.More.empty() && bucket.First == item) AddRunNumber(item->m_NumberId);
}

void TResStringList::UnindexNumber(TResStringItem* item)
{
    if (RemoveFromBucket(m_ByNumber, item->m_NumberId, item)) RemoveRunNumber(item->m_NumberId);
}

void TResStringList::AddRunNumber(int32_t n)
{
    // Runs are disjoint and not adjacent; n is not in any run yet.
    auto next = m_NumberRuns.upper_bound(n);
    bool joinsPrev = false;
    auto prev = next;
    if (prev != m_NumberRuns.begin()) {
        --prev;
        joinsPrev = int64_t(prev->second) + 1 == n;
    }
    bool joinsNext = next != m_NumberRuns.end() && int64_t(n) + 1 == next->first;
    if (joinsPrev && joinsNext) {
        prev->second = next->second;
        m_NumberRuns.erase(next);
    } else if (joinsPrev) {
        prev->second = n;
    } else if (joinsNext) {
        int32_t last = next->second;
        m_NumberRuns.erase(next);
        m_NumberRuns.emplace(n, last);
    } else {
        m_NumberRuns.emplace(n, n);
    }
}

void TResStringList::RemoveRunNumber(int32_t n)
{
    auto it = m_NumberRuns.upper_bound(n);
    QUILLET_ASSERT(it != m_NumberRuns.begin());
    --it;
    int32_t first = it->first, last = it->second;
    QUILLET_ASSERT(first <= n && n <= last);
    m_NumberRuns.erase(it);
    if (first < n) m_NumberRuns.emplace(first, n - 1);
    if (n < last) m_NumberRuns.emplace(n + 1, last);
}

void TResStringList::RebuildNumberIndex()
{
    m_ByNumber.clear();
    m_NumberRuns.clear();
    m_ByNumber.reserve(static_cast<size_t>(Count()));
    std::vector<int32_t> numbers;
    numbers.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        TResStringItem* item = Items(i);
        auto& bucket = m_ByNumber[item->m_NumberId];
        bucket.Add(item);
        if (bucket.First == item) numbers.push_back(item->m_NumberId);
    }
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && int64_t(numbers[j]) + 1 == numbers[j + 1]) ++j;
        m_NumberRuns.emplace_hint(m_NumberRuns.end(), numbers[i], numbers[j]);
        i = j + 1;
    }
}

void TResStringList::ItemEntered(TCollectionItem* item)
{
    auto* s = static_cast<TResStringItem*>(item);
    IndexTextId(s);
    IndexNumber(s);
}

void TResStringList::ItemLeaving(TCollectionItem* item)
{
    auto* s = static_cast<TResStringItem*>(item);
    UnindexTextId(s);
    UnindexNumber(s);
}

void TResStringList::AllLeaving()
{
    m_ByTextId.clear();
    m_EmptyTextIds = 0;
    m_ByNumber.clear();
    m_NumberRuns.clear();
}

void TResStringList::SetNumberIdBase(int32_t value)
{
    if (value < 1 || value > 0xFEFF) throw EResFile(kMsgInvalidNumberIdBase);
    if (value == m_NumberIdBase) return;
    m_NumberIdBase = value;
    Changed();
}

void TResStringList::Changed() { m_Project->Changed(); }

// ---------------------------------------------------------------------------
// Project

TResProject::TResProject()
    : m_Languages(std::make_unique<TResLanguageList>(this)), m_Strings(std::make_unique<TResStringList>(this))
{}

TResProject::~TResProject()
{
    m_Strings.reset();
    m_Languages.reset();
}

void TResProject::SetLanguages(std::unique_ptr<TResLanguageList> list)
{
    if (!list || list.get() == m_Languages.get()) return;
    m_Languages = std::move(list);
    m_Languages->SetProject(this);
    Changed();
}

void TResProject::SetStrings(std::unique_ptr<TResStringList> list)
{
    if (!list || list.get() == m_Strings.get()) return;
    m_Strings = std::move(list);
    m_Strings->SetProject(this);
    Changed();
}

namespace {
void SetString(std::string& field, const std::string& value, TResProject& project)
{
    if (field == value) return;
    field = value;
    project.Changed();
}
} // namespace

void TResProject::SetOutputDirectory(const std::string& value) { SetString(m_OutputDirectory, value, *this); }
void TResProject::SetConstFileName(const std::string& value) { SetString(m_ConstFileName, value, *this); }
void TResProject::SetStringIdPrefix(const std::string& value) { SetString(m_StringIdPrefix, value, *this); }
void TResProject::SetPtrIdPrefix(const std::string& value) { SetString(m_PtrIdPrefix, value, *this); }
void TResProject::SetComment(const std::string& value) { SetString(m_Comment, value, *this); }
