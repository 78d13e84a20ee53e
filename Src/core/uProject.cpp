#include "uProject.h"
#include "uText.h"

#include "uErrors.h"

#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------
// Collections

TCollection::~TCollection() = default;

void TCollectionItem::SetIndex(int index) { m_Collection->Move(m_Index, index); }

void TCollection::ThrowIndexError(int index) { throw EListError(MsgListIndex(index)); }

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
    // Lists mostly hold a few items or very many: room for four at once spares
    // the first steps of growth.
    if (m_Items.capacity() == 0) m_Items.reserve(4);
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

void TCollection::Reserve(int count)
{
    if (count <= Count()) return;
    m_Items.reserve(static_cast<size_t>(count));
    Reserving(count);
}

void TCollection::Reorder(const std::vector<const TCollectionItem*>& order)
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

const TResLanguageList* TResLanguageItem::List() const { return static_cast<const TResLanguageList*>(Collection()); }
TResLanguageList* TResLanguageItem::List() { return static_cast<TResLanguageList*>(Collection()); }
void TResLanguageItem::Changed() { List()->Changed(); }

void TResLanguageItem::SetTextId(const std::string& value)
{
    const TResLanguageItem* found = List()->FindByTextId(value);
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

const TResLanguageItem* TResLanguageItem::SourceLanguage() const
{
    if (m_SourceLanguageId < 0) return nullptr;
    return List()->FindItemID(m_SourceLanguageId);
}

TResLanguageItem* TResLanguageItem::SourceLanguage()
{
    return const_cast<TResLanguageItem*>(std::as_const(*this).SourceLanguage());
}

TResLanguageItem* TResLanguageList::Add()
{
    return static_cast<TResLanguageItem*>(Append(std::make_unique<TResLanguageItem>(this)));
}

TResLanguageItem* TResLanguageList::Insert(int index) { return InsertVia<TResLanguageItem>(*this, index); }

const TResLanguageItem* TResLanguageList::FindByTextId(std::string_view textId) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Items(i)->TextId(), textId)) return Items(i);
    return nullptr;
}

TResLanguageItem* TResLanguageList::FindByTextId(std::string_view textId)
{
    return const_cast<TResLanguageItem*>(std::as_const(*this).FindByTextId(textId));
}

void TResLanguageList::Changed() { m_Project->Changed(); }

// ---------------------------------------------------------------------------
// Texts

TResStringConstItem::TResStringConstItem(TResStringConstList* list) : TCollectionItem(list) {}

const TResStringConstList* TResStringConstItem::List() const
{
    return static_cast<const TResStringConstList*>(Collection());
}
TResStringConstList* TResStringConstItem::List() { return static_cast<TResStringConstList*>(Collection()); }
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

const TResLanguageItem* TResStringConstItem::Language() const
{
    if (m_LanguageId < 0) return nullptr;
    const TResLanguageList* languages = List()->StringItem()->List()->Project()->Languages();
    QUILLET_ASSERT(languages != nullptr);
    const TResLanguageItem* language = languages->FindItemID(m_LanguageId);
    QUILLET_ASSERT(language != nullptr);
    return language;
}

TResLanguageItem* TResStringConstItem::Language()
{
    return const_cast<TResLanguageItem*>(std::as_const(*this).Language());
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

const TResStringConstItem* TResStringConstList::FindByLanguage(const TResLanguageItem* language) const
{
    if (!language) return nullptr;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->LanguageId() == language->ID()) return Items(i);
    return nullptr;
}

TResStringConstItem* TResStringConstList::FindByLanguage(const TResLanguageItem* language)
{
    return const_cast<TResStringConstItem*>(std::as_const(*this).FindByLanguage(language));
}

void TResStringConstList::Changed() { m_StringItem->Changed(); }

// ---------------------------------------------------------------------------
// String items

TResStringItem::TResStringItem(TResStringList* list)
    : TCollectionItem(list), m_StringConsts(std::make_unique<TResStringConstList>(this))
{}

TResStringItem::~TResStringItem() = default;

const TResStringList* TResStringItem::List() const { return static_cast<const TResStringList*>(Collection()); }
TResStringList* TResStringItem::List() { return static_cast<TResStringList*>(Collection()); }
void TResStringItem::Changed() { List()->Changed(); }

bool TResStringItem::IsUniqueTextId(std::string_view textId) const
{
    const TResStringItem* found = List()->FindByTextId(textId);
    return !found || found == this;
}

bool TResStringItem::IsUniqueNumberId(int32_t numberId) const
{
    const TResStringItem* found = List()->FindByNumberId(numberId);
    return !found || found == this;
}

void TResStringItem::SetTextId(const std::string& value)
{
    if (value == m_TextId) return;
    if (!List()->m_Index.TextIdsDeferred() && !IsUniqueTextId(value)) throw EResFile(kMsgDupStringTextId);
    List()->m_Index.Remove(this, TStringIndex::kTextId);
    m_TextId = value;
    List()->m_Index.Add(this, TStringIndex::kTextId);
    Changed();
}

void TResStringItem::SetNumberId(int32_t value)
{
    if (value == m_NumberId) return;
    if (!IsUniqueNumberId(value)) throw EResFile(kMsgDupStringNumberId);
    List()->m_Index.Remove(this, TStringIndex::kNumber);
    m_NumberId = value;
    List()->m_Index.Add(this, TStringIndex::kNumber);
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

const TResStringItem* TResStringList::FindByTextId(std::string_view textId) const
{
    if (!textId.empty()) return m_Index.FindTextId(textId);
    // Many fresh items may hold the empty ID; asking for it is rare.
    for (int i = 0; m_Index.HasEmptyTextIds() && i < Count(); ++i)
        if (Items(i)->TextId().empty()) return Items(i);
    return nullptr;
}

TResStringItem* TResStringList::FindByTextId(std::string_view textId)
{
    return const_cast<TResStringItem*>(std::as_const(*this).FindByTextId(textId));
}

void TResStringList::ItemEntered(TCollectionItem* item) { m_Index.Add(static_cast<TResStringItem*>(item)); }

void TResStringList::ItemLeaving(TCollectionItem* item) { m_Index.Remove(static_cast<TResStringItem*>(item)); }

void TResStringList::AllLeaving() { m_Index.Clear(); }

void TResStringList::Reserving(int count) { m_Index.Reserve(static_cast<size_t>(count)); }

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

bool TResProject::IsAsNew() const
{
    const TResProject fresh;
    return m_Languages->Count() == 0 && m_Languages->NextID() == 0 && m_Strings->Count() == 0 &&
        m_Strings->NextID() == 0 && m_Strings->NumberIdBase() == fresh.m_Strings->NumberIdBase() &&
        m_OutputDirectory == fresh.m_OutputDirectory && m_ConstFileName == fresh.m_ConstFileName &&
        m_StringIdPrefix == fresh.m_StringIdPrefix && m_PtrIdPrefix == fresh.m_PtrIdPrefix &&
        m_Comment == fresh.m_Comment && m_Name == fresh.m_Name && m_Tag == fresh.m_Tag && m_Left == fresh.m_Left &&
        m_Top == fresh.m_Top;
}

void TResProject::MakeNew()
{
    TResProject fresh;
    std::swap(m_Languages, fresh.m_Languages);
    std::swap(m_Strings, fresh.m_Strings);
    m_Languages->SetProject(this);
    m_Strings->SetProject(this);
    m_OutputDirectory = fresh.m_OutputDirectory;
    m_ConstFileName = fresh.m_ConstFileName;
    m_StringIdPrefix = fresh.m_StringIdPrefix;
    m_PtrIdPrefix = fresh.m_PtrIdPrefix;
    m_Comment = fresh.m_Comment;
    m_Name = fresh.m_Name;
    m_Tag = fresh.m_Tag;
    m_Left = fresh.m_Left;
    m_Top = fresh.m_Top;
    fresh.m_Languages->SetProject(&fresh); // freed with fresh
    fresh.m_Strings->SetProject(&fresh);
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
