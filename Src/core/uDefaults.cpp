#include "uDefaults.h"

#include "uProject.h"

void AddDefaultLanguages(TResProject& project)
{
    for (std::string_view id : kDefaultLanguageIds) {
        TResLanguageItem* language = project.Languages()->Add();
        language->SetTextId(std::string(id));
        language->SetVisible(id == "CZ" || id == "EN");
    }
}

void BuildDefaultProject(TResProject& project)
{
    AddDefaultLanguages(project);
    project.Strings()->Add();
    project.SetModified(false);
}
