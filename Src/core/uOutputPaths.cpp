#include "uOutputPaths.h"

#include "uCodePage.h"
#include "uProject.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string NormalFolder(const fs::path& folder)
{
    std::string s = folder.lexically_normal().generic_string();
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

std::string ProjectFolder(const TResProject& project)
{
    std::error_code ec;
    return NormalFolder(fs::absolute(fs::path(project.FileName()), ec).parent_path());
}

} // namespace

bool IsInsideFolder(const std::string& path, const std::string& folder)
{
    const std::string f = folder.ends_with('/') ? folder : folder + '/';
    return path.size() > f.size() && path.starts_with(f);
}

std::vector<TUnitPath> UnitPaths(const TResProject& project, const std::string* outputDir)
{
    std::vector<TUnitPath> paths;
    paths.push_back({project.OutputPath(project.ConstFileName(), outputDir), "the constants unit", -1});
    const TResLanguageList& languages = *project.Languages();
    for (int i = 0; i < languages.Count(); ++i) {
        const TResLanguageItem* language = languages.Items(i);
        paths.push_back({project.OutputPath(language->ResFileName(), outputDir),
                         "language '" + CodePage::ToUtf8(language->TextId()) + "'", i});
    }
    return paths;
}

std::vector<TUnitPath> OutsideUnitPaths(const TResProject& project, const std::string* outputDir)
{
    if (project.FileName().empty()) return {};
    std::vector<std::string> folders{ProjectFolder(project)};
    std::error_code ec;
    if (outputDir) folders.push_back(NormalFolder(fs::absolute(fs::path(*outputDir), ec)));
    std::vector<TUnitPath> outside;
    for (TUnitPath& unit : UnitPaths(project, outputDir)) {
        // A file name may climb out again: "..\\..\\victim.txt".
        unit.Path = fs::path(unit.Path).lexically_normal().generic_string();
        bool inside = false;
        for (const std::string& folder : folders) inside = inside || IsInsideFolder(unit.Path, folder);
        if (!inside) outside.push_back(std::move(unit));
    }
    return outside;
}
