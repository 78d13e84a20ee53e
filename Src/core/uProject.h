// The project model: TResProject with its languages, string items and texts,
// the number identifiers, the project file and the generated Pascal units.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "uStringIndex.h"

class TResProject;
class TResLanguageList;
class TResLanguageItem;
class TResStringList;
class TResStringItem;
class TResStringConstList;
class TResStringConstItem;
class TCollection;
class TFileWriter;
class TOverwritePrompt;
class TProjectFileText;

// ---------------------------------------------------------------------------
// Collections: ordered, owning lists whose items get an ID from a per-list
// counter that is never reset and never reused.

class TCollectionItem {
public:
    virtual ~TCollectionItem() = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    int32_t ID() const { return m_ID; }
    int Index() const { return m_Index; }
    void SetIndex(int index);
    const TCollection* Collection() const { return m_Collection; } // owner, not owned
    TCollection* Collection() { return m_Collection; }
    virtual std::string DisplayName() const = 0;

protected:
    explicit TCollectionItem(TCollection* collection) : m_Collection(collection) {}

private:
    friend class TCollection;
    TCollection* m_Collection;
    int32_t m_ID = 0;
    int m_Index = -1;
};

class TCollection {
public:
    virtual ~TCollection();
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return static_cast<int>(m_Items.size()); }
    int32_t NextID() const { return m_NextID; }
    void Delete(int index);
    void Clear();
    void Move(int from, int to);
    // Room for count items, when their number is known before they are added.
    void Reserve(int count);

protected:
    TCollection() = default;
    // Inline: the walks over all items ask for every one.
    TCollectionItem* ItemAt(int index) const
    {
        if (static_cast<unsigned>(index) >= m_Items.size()) ThrowIndexError(index);
        return m_Items[static_cast<size_t>(index)].get();
    }
    TCollectionItem* FindItem(int32_t id) const;
    // Takes the new item in at the end; it receives the next ID.
    TCollectionItem* Append(std::unique_ptr<TCollectionItem> item);
    // Add followed by a move to index (0..Count); the index is checked first.
    template <class TItem, class TList> static TItem* InsertVia(TList& list, int index)
    {
        if (index < 0 || index > list.Count()) ThrowIndexError(index);
        TItem* item = list.Add();
        list.Move(item->Index(), index);
        return item;
    }
    [[noreturn]] static void ThrowIndexError(int index);
    // Hooks for the lists that keep lookup structures.
    virtual void ItemEntered(TCollectionItem*) {}
    virtual void ItemLeaving(TCollectionItem*) {}
    virtual void AllLeaving() {}
    virtual void Reserving(int) {}
    // Puts the items into the given order, which holds every item once.
    void Reorder(const std::vector<const TCollectionItem*>& order);

private:
    std::vector<std::unique_ptr<TCollectionItem>> m_Items;
    int32_t m_NextID = 0;
};

// ---------------------------------------------------------------------------

class TResLanguageItem : public TCollectionItem {
public:
    explicit TResLanguageItem(TResLanguageList* list);
    std::string DisplayName() const override { return "TResLanguageItem"; }

    const std::string& TextId() const { return m_TextId; }
    void SetTextId(const std::string& value);
    int32_t SourceLanguageId() const { return m_SourceLanguageId; }
    void SetSourceLanguageId(int32_t value);
    bool Checked() const { return m_Checked; }
    void SetChecked(bool value) { m_Checked = value; }
    bool Visible() const { return m_Visible; }
    void SetVisible(bool value) { m_Visible = value; }
    const std::string& ResFileName() const { return m_ResFileName; }
    void SetResFileName(const std::string& value) { m_ResFileName = value; }

    const TResLanguageItem* SourceLanguage() const;
    TResLanguageItem* SourceLanguage();
    const TResLanguageList* List() const;
    TResLanguageList* List();
    void Changed();

private:
    std::string m_TextId;
    int32_t m_SourceLanguageId = -1;
    bool m_Checked = false;
    bool m_Visible = false;
    std::string m_ResFileName;
};

class TResLanguageList : public TCollection {
public:
    explicit TResLanguageList(TResProject* project) : m_Project(project) {}
    const TResLanguageItem* Items(int index) const { return static_cast<const TResLanguageItem*>(ItemAt(index)); }
    TResLanguageItem* Items(int index) { return static_cast<TResLanguageItem*>(ItemAt(index)); }
    TResLanguageItem* Add();
    TResLanguageItem* Insert(int index);
    const TResLanguageItem* FindItemID(int32_t id) const { return static_cast<const TResLanguageItem*>(FindItem(id)); }
    TResLanguageItem* FindItemID(int32_t id) { return static_cast<TResLanguageItem*>(FindItem(id)); }
    const TResLanguageItem* FindByTextId(std::string_view textId) const;
    TResLanguageItem* FindByTextId(std::string_view textId);
    const TResProject* Project() const { return m_Project; } // owner, not owned
    TResProject* Project() { return m_Project; }
    void SetProject(TResProject* project) { m_Project = project; }
    void Changed();

private:
    TResProject* m_Project;
};

// ---------------------------------------------------------------------------

class TResStringConstItem : public TCollectionItem {
public:
    explicit TResStringConstItem(TResStringConstList* list);
    std::string DisplayName() const override { return "TResStringConstItem"; }

    const std::string& Value() const { return m_Value; }
    void SetValue(std::string value);
    int32_t LanguageId() const { return m_LanguageId; }
    void SetLanguageId(int32_t value);
    // The language this text belongs to; none for a negative LanguageId.
    // A LanguageId that names no language is an internal error.
    const TResLanguageItem* Language() const;
    TResLanguageItem* Language();
    void SetLanguage(const TResLanguageItem* language);

    const TResStringConstList* List() const;
    TResStringConstList* List();
    void Changed();

private:
    std::string m_Value;
    int32_t m_LanguageId = -1;
};

class TResStringConstList : public TCollection {
public:
    explicit TResStringConstList(TResStringItem* stringItem) : m_StringItem(stringItem) {}
    const TResStringConstItem* Items(int index) const { return static_cast<const TResStringConstItem*>(ItemAt(index)); }
    TResStringConstItem* Items(int index) { return static_cast<TResStringConstItem*>(ItemAt(index)); }
    TResStringConstItem* Add();
    TResStringConstItem* Insert(int index);
    const TResStringConstItem* FindItemID(int32_t id) const
    {
        return static_cast<const TResStringConstItem*>(FindItem(id));
    }
    TResStringConstItem* FindItemID(int32_t id) { return static_cast<TResStringConstItem*>(FindItem(id)); }
    // The first text whose LanguageId is the language's ID; a text whose
    // LanguageId names no language matches nothing.
    const TResStringConstItem* FindByLanguage(const TResLanguageItem* language) const;
    TResStringConstItem* FindByLanguage(const TResLanguageItem* language);
    const TResStringItem* StringItem() const { return m_StringItem; } // owner, not owned
    TResStringItem* StringItem() { return m_StringItem; }
    void SetStringItem(TResStringItem* item) { m_StringItem = item; }
    void Changed();

private:
    TResStringItem* m_StringItem;
};

// ---------------------------------------------------------------------------

class TResStringItem : public TCollectionItem {
public:
    explicit TResStringItem(TResStringList* list);
    ~TResStringItem() override;
    std::string DisplayName() const override { return "TResStringItem"; }

    const std::string& TextId() const { return m_TextId; }
    void SetTextId(const std::string& value);
    int32_t NumberId() const { return m_NumberId; }
    void SetNumberId(int32_t value);
    bool Standard() const { return m_Standard; }
    void SetStandard(bool value);
    bool FixedId() const { return m_FixedId; }
    void SetFixedId(bool value);
    const TResStringConstList* StringConsts() const { return m_StringConsts.get(); }
    TResStringConstList* StringConsts() { return m_StringConsts.get(); }
    void SetStringConsts(std::unique_ptr<TResStringConstList> list);

    bool IsUniqueTextId(std::string_view textId) const;
    bool IsUniqueNumberId(int32_t numberId) const;

    const TResStringList* List() const;
    TResStringList* List();
    void Changed();

private:
    friend class TResStringList;
    std::string m_TextId;
    int32_t m_NumberId = 0;
    bool m_Standard = false;
    bool m_FixedId = false;
    std::unique_ptr<TResStringConstList> m_StringConsts;
};

// References to string items in ascending number order; owns nothing.
using TResStringSortArray = std::vector<const TResStringItem*>;

// For a walk over many items, which by then lie far apart in memory: fetches
// the item some places ahead of position i, so that the cache misses overlap.
// An item spans two cache lines (mostly its text ID lies in the second): both
// are fetched.
inline constexpr size_t kFetchAhead = 8;
inline void FetchItem(const TResStringItem* item)
{
    __builtin_prefetch(item);
    __builtin_prefetch(reinterpret_cast<const char*>(item) + sizeof(TResStringItem) - 1);
}
inline void FetchAhead(const TResStringSortArray& items, size_t i)
{
    if (i + kFetchAhead < items.size()) FetchItem(items[i + kFetchAhead]);
}
// For a walk that reads each item's texts too. An item read from a file was
// allocated just before its list of texts, the texts and their values, so
// the lines after the item are fetched with it. Only a hint: where the texts
// lie elsewhere, the walk takes its cache misses as it would without.
inline constexpr size_t kTextLines = 10;
inline void FetchItemAndTexts(const TResStringItem* item)
{
    for (size_t line = 0; line < kTextLines; ++line)
        __builtin_prefetch(reinterpret_cast<const char*>(item) + 64 * line);
}
inline void FetchAheadWithTexts(const TResStringSortArray& items, size_t i)
{
    if (i + kFetchAhead < items.size()) FetchItemAndTexts(items[i + kFetchAhead]);
}

class TResStringList : public TCollection {
public:
    explicit TResStringList(TResProject* project) : m_Project(project) {}
    ~TResStringList() override;
    const TResStringItem* Items(int index) const { return static_cast<const TResStringItem*>(ItemAt(index)); }
    TResStringItem* Items(int index) { return static_cast<TResStringItem*>(ItemAt(index)); }
    TResStringItem* Add();
    TResStringItem* Insert(int index);
    const TResStringItem* FindItemID(int32_t id) const { return static_cast<const TResStringItem*>(FindItem(id)); }
    TResStringItem* FindItemID(int32_t id) { return static_cast<TResStringItem*>(FindItem(id)); }
    const TResStringItem* FindByTextId(std::string_view textId) const;
    TResStringItem* FindByTextId(std::string_view textId);
    const TResStringItem* FindByNumberId(int32_t numberId) const { return m_Index.FindNumber(numberId); }
    TResStringItem* FindByNumberId(int32_t numberId) { return m_Index.FindNumber(numberId); }

    int32_t NumberIdBase() const { return m_NumberIdBase; }
    void SetNumberIdBase(int32_t value);

    // For reading many items at once: until EndTextIdBatch, the text ID
    // setter takes any value, and text IDs are not looked up. EndTextIdBatch
    // checks them all at once: false when two items share one, or may have
    // shared one on the way (a text ID set twice, items that left), and the
    // list must then be read again item by item (or dropped).
    void BeginTextIdBatch() { m_Index.DeferTextIds(); }
    bool EndTextIdBatch() { return m_Index.EndDeferredTextIds(*this); }

    // numbers, when given, receives the items' numbers in the same order.
    TResStringSortArray SortedByNumberId(bool fixedOnly, std::vector<int32_t>* numbers = nullptr) const;
    int32_t NextNumberId() const;
    void RenumberIds();
    void SortItems(bool ascending);

    const TResProject* Project() const { return m_Project; } // owner, not owned
    TResProject* Project() { return m_Project; }
    void SetProject(TResProject* project) { m_Project = project; }
    void Changed();

protected:
    void ItemEntered(TCollectionItem* item) override;
    void ItemLeaving(TCollectionItem* item) override;
    void AllLeaving() override;
    void Reserving(int count) override;

private:
    friend class TResStringItem;
    TResProject* m_Project;
    int32_t m_NumberIdBase = 1;
    // Kept in step with every entry, exit and change of a text ID or number.
    TStringIndex m_Index;
};

// ---------------------------------------------------------------------------

// FetchAhead and FetchAheadWithTexts for a walk over a list in list order.
inline void FetchAhead(const TResStringList& list, int i)
{
    if (i + int(kFetchAhead) < list.Count()) FetchItem(list.Items(i + int(kFetchAhead)));
}
inline void FetchAheadWithTexts(const TResStringList& list, int i)
{
    if (i + int(kFetchAhead) < list.Count()) FetchItemAndTexts(list.Items(i + int(kFetchAhead)));
}

// The language units split the items, in number order, into ranges: a gap of
// 7 or more missing numbers between neighbours starts a new range. The unit
// size estimate of the checks uses the same rule.
inline bool StartsNewRange(int32_t previousNumber, int32_t number) { return int64_t(number) - previousNumber >= 8; }

// How LoadFromFile gets at the file's bytes. Map spares a copy of the whole
// file, but a file cut short by someone else while it is read raises SIGBUS:
// only for a process that handles it, such as a command that ends anyway.
enum class TProjectFileAccess { Read, Map };

class TResProject {
public:
    TResProject();
    ~TResProject();
    TResProject(const TResProject&) = delete;
    TResProject& operator=(const TResProject&) = delete;

    const TResLanguageList* Languages() const { return m_Languages.get(); }
    TResLanguageList* Languages() { return m_Languages.get(); }
    void SetLanguages(std::unique_ptr<TResLanguageList> list);
    const TResStringList* Strings() const { return m_Strings.get(); }
    TResStringList* Strings() { return m_Strings.get(); }
    void SetStrings(std::unique_ptr<TResStringList> list);

    bool Modified() const { return m_Modified; }
    void SetModified(bool value) { m_Modified = value; }
    const std::string& FileName() const { return m_FileName; }
    // Only for a project made from a template, which must not keep its path.
    void SetFileName(const std::string& value) { m_FileName = value; }

    const std::string& OutputDirectory() const { return m_OutputDirectory; }
    void SetOutputDirectory(const std::string& value);
    const std::string& ConstFileName() const { return m_ConstFileName; }
    void SetConstFileName(const std::string& value);
    const std::string& StringIdPrefix() const { return m_StringIdPrefix; }
    void SetStringIdPrefix(const std::string& value);
    const std::string& PtrIdPrefix() const { return m_PtrIdPrefix; }
    void SetPtrIdPrefix(const std::string& value);
    const std::string& Comment() const { return m_Comment; }
    void SetComment(const std::string& value);

    // Values that only the project file carries.
    const std::string& Name() const { return m_Name; }
    void SetName(const std::string& value) { m_Name = value; }
    int32_t Tag() const { return m_Tag; }
    void SetTag(int32_t value) { m_Tag = value; }
    uint16_t Left() const { return m_Left; }
    void SetLeft(uint16_t value) { m_Left = value; }
    uint16_t Top() const { return m_Top; }
    void SetTop(uint16_t value) { m_Top = value; }

    void Changed() { m_Modified = true; }

    // The project file.
    void LoadFromFile(const std::string& path, TProjectFileAccess access = TProjectFileAccess::Read);
    void LoadFromText(std::string_view text); // the reader without the file
    void SaveToFile(const std::string& path);
    void SaveToFile(const std::string& path, TFileWriter& writer);
    std::string SaveToText() const; // the exact bytes SaveToFile writes

    // The generated units. outputDir, when given, replaces OutputDirectory and
    // is taken relative to the current directory.
    void WriteConstUnit(TOverwritePrompt& prompt, const std::string* outputDir = nullptr) const;
    void WriteLanguageUnit(const TResLanguageItem* language, TOverwritePrompt& prompt,
                           const std::string* outputDir = nullptr) const;
    // Save Resource Files: the constants unit and every language's unit,
    // replaced together only once all of them were written; the items are
    // sorted once for all of them.
    void WriteUnits(TOverwritePrompt& prompt, const std::string* outputDir = nullptr) const;
    // The texts of the units, for callers that write elsewhere.
    std::string ConstUnitText() const;
    std::string LanguageUnitText(const TResLanguageItem* language) const;
    // The text written for an item in a language, following source languages.
    const std::string& TextForLanguage(const TResStringItem* item, const TResLanguageItem* language) const;
    // The path a generated file goes to (absolute, delimiters normalised), and
    // the path as composed for messages; both in the file system's encoding.
    std::string OutputPath(const std::string& fileName, const std::string* outputDir = nullptr) const;
    std::string ComposedOutputPath(const std::string& fileName, const std::string* outputDir = nullptr) const;

private:
    // The reader; a project that is as new is read in one pass, and made new
    // again should the text turn out not to be well formed.
    void LoadText(std::string_view text, TProjectFileText* release);
    bool IsAsNew() const;
    void MakeNew();

    std::unique_ptr<TResLanguageList> m_Languages;
    std::unique_ptr<TResStringList> m_Strings;
    bool m_Modified = false;
    std::string m_FileName;
    std::string m_OutputDirectory;
    std::string m_ConstFileName = "ResStr.pas";
    std::string m_StringIdPrefix = "sid";
    std::string m_PtrIdPrefix = "rsp";
    std::string m_Comment;
    std::string m_Name;
    int32_t m_Tag = 0;
    uint16_t m_Left = 0;
    uint16_t m_Top = 0;
};
