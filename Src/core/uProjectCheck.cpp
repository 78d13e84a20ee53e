#include "uProjectCheck.h"

#include "uProject.h"
#include "uText.h"

#include <algorithm>

namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

} // namespace

long long EstimateLanguageUnitSize(const TResProject& project, int languageIndex)
{
    const TResLanguageItem* language = project.Languages()->Items(languageIndex);
    const TResStringSortArray items = project.Strings()->SortedByNumberId(false);
    // Per range: SUB, Jcc, CMP, Jcc (near jumps around), SHL, MOV, JMP.
    constexpr long long kHead = 16, kPerRange = 30, kTail = 20;
    long long size = kHead + kTail;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || StartsNewRange(items[i - 1]->NumberId(), items[i]->NumberId())) size += kPerRange + 2;
        else size += 2 * (int64_t(items[i]->NumberId()) - items[i - 1]->NumberId());
        std::string t = project.TextForLanguage(items[i], language);
        size += 2 + static_cast<long long>(t.size() - std::count(t.begin(), t.end(), '\n'));
    }
    return size;
}

TProjectCheck CheckProject(const TResProject& project)
{
    TProjectCheck check;
    const TResLanguageList& languages = *project.Languages();
    const TResStringList& strings = *project.Strings();

    check.Summary.push_back("Items: " + std::to_string(strings.Count()));
    check.Summary.push_back("Languages: " + std::to_string(languages.Count()));
    for (int l = 0; l < languages.Count(); ++l) {
        const TResLanguageItem* language = languages.Items(l);
        int own = 0;
        for (int i = 0; i < strings.Count(); ++i)
            if (strings.Items(i)->StringConsts()->FindByLanguage(language)) ++own;
        check.Summary.push_back("  " + language->TextId() + ": " + std::to_string(own) + " of " +
                                std::to_string(strings.Count()) + " items with own text" +
                                (language->Visible() ? "" : " (hidden)"));
    }
    const TResStringSortArray sorted = strings.SortedByNumberId(false);
    if (sorted.empty()) check.Summary.push_back("Numbers: none");
    else
        check.Summary.push_back("Numbers: " + std::to_string(sorted.front()->NumberId()) + " to " +
                                std::to_string(sorted.back()->NumberId()));

    auto warn = [&](const std::string& w) { check.Warnings.push_back(w); };

    for (int i = 0; i < strings.Count(); ++i) {
        const TResStringItem* item = strings.Items(i);
        const std::string where = "item " + std::to_string(i) + " (" + Quoted(item->TextId()) + ")";
        if (!IsIdentifier(item->TextId())) warn(where + ": text ID is not a Pascal identifier");
        if (item->NumberId() < 0 || item->NumberId() > 0xFFFF)
            warn(where + ": number " + std::to_string(item->NumberId()) + " is outside 0..$FFFF");
        for (int k = 0; k < item->StringConsts()->Count(); ++k) {
            const TResStringConstItem* text = item->StringConsts()->Items(k);
            if (text->LanguageId() >= 0 && !languages.FindItemID(text->LanguageId()))
                warn(where + ": text " + std::to_string(k) + " names no language (LanguageId " +
                     std::to_string(text->LanguageId()) + ")");
            std::string v = text->Value();
            size_t length = v.size() - static_cast<size_t>(std::count(v.begin(), v.end(), '\n'));
            if (length > 255)
                warn(where + ": text " + std::to_string(k) + " is " + std::to_string(length) +
                     " bytes long; the target sees only the first 255");
        }
    }

    // Files written twice.
    std::vector<std::pair<std::string, std::string>> outputs; // path, who
    outputs.push_back({project.OutputPath(project.ConstFileName()), "the constants unit"});
    for (int l = 0; l < languages.Count(); ++l)
        outputs.push_back({project.OutputPath(languages.Items(l)->ResFileName()),
                           "language " + Quoted(languages.Items(l)->TextId())});
    for (size_t a = 0; a < outputs.size(); ++a)
        for (size_t b = a + 1; b < outputs.size(); ++b)
            if (SameTextAscii(outputs[a].first, outputs[b].first))
                warn(outputs[a].second + " and " + outputs[b].second + " write the same file " + outputs[a].first);

    for (int l = 0; l < languages.Count(); ++l) {
        const TResLanguageItem* language = languages.Items(l);
        const std::string who = "language " + Quoted(language->TextId());
        std::vector<int32_t> visited{language->ID()};
        for (const TResLanguageItem* cur = language; cur->SourceLanguageId() >= 0;) {
            const TResLanguageItem* next = cur->SourceLanguage();
            if (!next) {
                warn(who + ": source language ID " + std::to_string(cur->SourceLanguageId()) + " names no language");
                break;
            }
            if (std::find(visited.begin(), visited.end(), next->ID()) != visited.end()) {
                warn(who + ": the chain of source languages loops");
                break;
            }
            visited.push_back(next->ID());
            cur = next;
        }
        long long size = EstimateLanguageUnitSize(project, l);
        if (size > 65536)
            warn(who + ": the unit needs about " + std::to_string(size) +
                 " bytes of code and data, more than one 64 KiB code segment");
    }
    return check;
}
