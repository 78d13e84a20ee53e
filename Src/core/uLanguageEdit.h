// Changing a project's languages: a working copy of the language list that
// the user changes freely, through the model's own setters, and that is
// applied to the project in one step (or dropped).
#pragma once

#include "uProject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// "CZ would fall back to itself through SK": raised with EResFile when making
// sourceId the source language of language would lead back to it.
void CheckSourceLanguage(const TResLanguageList& languages, const TResLanguageItem& language, int32_t sourceId);

class TLanguageEdit {
public:
    // Copies the project's languages; the project is read again by TextsOf
    // and Apply only.
    explicit TLanguageEdit(const TResProject& project);
    ~TLanguageEdit();

    // The working copy, in list order. Change text IDs, file names and
    // visibility through its setters; use the operations below for the rest.
    const TResLanguageList& Languages() const { return *m_Scratch->Languages(); }
    TResLanguageItem* Language(int index) const { return m_Scratch->Languages()->Items(index); }
    int Count() const { return m_Scratch->Languages()->Count(); }

    // Appends a language with the text ID (refused like the setter refuses,
    // and when it is no identifier); returns its index.
    int Add(const std::string& textId);
    void Rename(int index, const std::string& textId);
    // Removes the language; languages that fell back to it fall back to none.
    void Remove(int index);
    // The texts of the project that Apply deletes with the language at index.
    int TextsOf(int index) const;
    // sourceIndex -1 for none; a chain that would come back is refused.
    void SetSource(int index, int sourceIndex);
    int SourceIndex(int index) const;
    void Move(int from, int to);

    // True when Apply would change the project.
    bool Changed() const;
    // Applies the copy. When only visibility changed, the languages stay the
    // same objects; otherwise the project gets a new language list whose IDs
    // are the positions again, and every text follows its language (texts of
    // removed languages are deleted). Returns, per ID of the old list, the ID
    // in the new one (-1: removed); empty when the list object was kept.
    std::vector<int32_t> Apply(TResProject& project);

private:
    int32_t OriginalId(const TResLanguageItem* copy) const;
    int32_t ScratchSource(const TResLanguageItem* copy) const;
    bool OnlyVisibilityChanged(const TResProject& project) const;

    const TResProject& m_Project;
    std::unique_ptr<TResProject> m_Scratch;
    std::vector<int32_t> m_Origin; // by the copy's ID: the project's language ID, -1 for an added one
};
