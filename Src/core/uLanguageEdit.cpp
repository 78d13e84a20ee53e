#include "uLanguageEdit.h"

#include "uErrors.h"
#include "uText.h"

#include <algorithm>

namespace {

// A source ID of the project that names no language is carried through the
// copy unchanged, moved out of the copy's own range of IDs.
constexpr int32_t kForeignSource = 1 << 30;

} // namespace

void CheckSourceLanguage(const TResLanguageList& languages, const TResLanguageItem& language, int32_t sourceId)
{
    std::vector<const TResLanguageItem*> path;
    const TResLanguageItem* next = sourceId < 0 ? nullptr : languages.FindItemID(sourceId);
    // A loop elsewhere in the list, not through this language, ends the walk.
    for (int steps = 0; next && steps <= languages.Count(); ++steps) {
        if (next == &language) {
            std::string message = language.TextId() + " would fall back to itself";
            for (size_t i = 0; i < path.size(); ++i) {
                message += i == 0 ? " through " : i + 1 == path.size() ? " and " : ", ";
                message += path[i]->TextId();
            }
            throw EResFile(message);
        }
        path.push_back(next);
        next = next->SourceLanguage();
    }
}

TLanguageEdit::TLanguageEdit(const TResProject& project)
    : m_Project(project), m_Scratch(std::make_unique<TResProject>())
{
    const TResLanguageList& languages = *project.Languages();
    TResLanguageList& copy = *m_Scratch->Languages();
    for (int i = 0; i < languages.Count(); ++i) {
        const TResLanguageItem* l = languages.Items(i);
        TResLanguageItem* c = copy.Add();
        // Two languages without a text ID (a hand-written file) are refused
        // here like the setter refuses them.
        c->SetTextId(l->TextId());
        c->SetResFileName(l->ResFileName());
        c->SetVisible(l->Visible());
        m_Origin.push_back(l->ID());
    }
    for (int i = 0; i < languages.Count(); ++i) {
        const int32_t source = languages.Items(i)->SourceLanguageId();
        if (source < 0) continue;
        const TResLanguageItem* target = languages.FindItemID(source);
        copy.Items(i)->SetSourceLanguageId(target ? target->Index() : kForeignSource + source);
    }
}

TLanguageEdit::~TLanguageEdit() = default;

int32_t TLanguageEdit::OriginalId(const TResLanguageItem* copy) const { return m_Origin[size_t(copy->ID())]; }

int TLanguageEdit::Add(const std::string& textId)
{
    if (!IsIdentifier(textId)) throw EResFile("Invalid language identifier");
    if (Languages().FindByTextId(textId)) throw EResFile(kMsgDupLanguageId);
    TResLanguageItem* added = m_Scratch->Languages()->Add();
    m_Origin.push_back(-1);
    added->SetTextId(textId);
    return added->Index();
}

void TLanguageEdit::Rename(int index, const std::string& textId)
{
    if (!IsIdentifier(textId)) throw EResFile("Invalid language identifier");
    Language(index)->SetTextId(textId);
}

void TLanguageEdit::Remove(int index)
{
    TResLanguageList& copy = *m_Scratch->Languages();
    const int32_t id = copy.Items(index)->ID();
    for (int i = 0; i < copy.Count(); ++i)
        if (copy.Items(i)->SourceLanguageId() == id) copy.Items(i)->SetSourceLanguageId(-1);
    copy.Delete(index);
}

int TLanguageEdit::TextsOf(int index) const
{
    const int32_t id = OriginalId(Language(index));
    if (id < 0) return 0;
    int count = 0;
    const TResStringList& strings = *m_Project.Strings();
    for (int i = 0; i < strings.Count(); ++i) {
        const TResStringConstList& texts = *strings.Items(i)->StringConsts();
        for (int k = 0; k < texts.Count(); ++k)
            if (texts.Items(k)->LanguageId() == id) ++count;
    }
    return count;
}

void TLanguageEdit::SetSource(int index, int sourceIndex)
{
    TResLanguageItem* language = Language(index);
    const int32_t sourceId = sourceIndex < 0 ? -1 : Language(sourceIndex)->ID();
    CheckSourceLanguage(Languages(), *language, sourceId);
    language->SetSourceLanguageId(sourceId);
}

int TLanguageEdit::SourceIndex(int index) const
{
    const TResLanguageItem* source = Language(index)->SourceLanguage();
    return source ? source->Index() : -1;
}

void TLanguageEdit::Move(int from, int to) { m_Scratch->Languages()->Move(from, to); }

// The project's source ID that the copy's source stands for.
int32_t TLanguageEdit::ScratchSource(const TResLanguageItem* copy) const
{
    const int32_t source = copy->SourceLanguageId();
    if (source < 0) return -1;
    if (source >= kForeignSource) return source - kForeignSource;
    const TResLanguageItem* target = Languages().FindItemID(source);
    return target ? OriginalId(target) : -1;
}

bool TLanguageEdit::OnlyVisibilityChanged(const TResProject& project) const
{
    const TResLanguageList& languages = *project.Languages();
    if (languages.Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        const TResLanguageItem* l = languages.Items(i);
        const TResLanguageItem* c = Language(i);
        if (OriginalId(c) != l->ID() || c->TextId() != l->TextId() || c->ResFileName() != l->ResFileName() ||
            ScratchSource(c) != l->SourceLanguageId())
            return false;
    }
    return true;
}

bool TLanguageEdit::Changed() const
{
    if (!OnlyVisibilityChanged(m_Project)) return true;
    for (int i = 0; i < Count(); ++i)
        if (Language(i)->Visible() != m_Project.Languages()->Items(i)->Visible()) return true;
    return false;
}

std::vector<int32_t> TLanguageEdit::Apply(TResProject& project)
{
    if (OnlyVisibilityChanged(project)) {
        for (int i = 0; i < Count(); ++i) project.Languages()->Items(i)->SetVisible(Language(i)->Visible());
        return {};
    }
    // The new list: IDs 0, 1, 2, ... in list order, as a saved and reloaded
    // project would have them; the project file stores a text's language by
    // that number.
    const TResLanguageList& old = *project.Languages();
    std::vector<int32_t> newId(size_t(old.NextID()), -1);
    auto list = std::make_unique<TResLanguageList>(&project);
    for (int i = 0; i < Count(); ++i) {
        const TResLanguageItem* c = Language(i);
        TResLanguageItem* l = list->Add();
        l->SetTextId(c->TextId());
        l->SetResFileName(c->ResFileName());
        l->SetVisible(c->Visible());
        if (OriginalId(c) >= 0) newId[size_t(OriginalId(c))] = l->ID();
    }
    for (int i = 0; i < Count(); ++i) {
        const int32_t source = Language(i)->SourceLanguageId();
        if (source < 0) continue;
        if (source >= kForeignSource) {
            list->Items(i)->SetSourceLanguageId(source - kForeignSource);
        } else if (const TResLanguageItem* target = Languages().FindItemID(source)) {
            list->Items(i)->SetSourceLanguageId(target->Index());
        }
    }
    // Texts follow their languages; a text whose language is gone goes too.
    // A text whose LanguageId named no language before keeps its number.
    TResStringList& strings = *project.Strings();
    for (int i = 0; i < strings.Count(); ++i) {
        TResStringConstList& texts = *strings.Items(i)->StringConsts();
        for (int k = texts.Count() - 1; k >= 0; --k) {
            TResStringConstItem* text = texts.Items(k);
            const int32_t id = text->LanguageId();
            if (id < 0 || id >= old.NextID() || !old.FindItemID(id)) continue;
            if (newId[size_t(id)] < 0) texts.Delete(k);
            else text->SetLanguageId(newId[size_t(id)]);
        }
    }
    project.SetLanguages(std::move(list));
    return newId;
}
