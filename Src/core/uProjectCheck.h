// A look over a project for what the generated Pascal would not compile or
// would get wrong; used by the command-line tool's "check".
#pragma once

#include <string>
#include <vector>

class TResProject;

struct TProjectCheck {
    std::vector<std::string> Summary;  // lines for standard output
    std::vector<std::string> Warnings; // each without the "warning: " prefix
};

TProjectCheck CheckProject(const TResProject& project);

// The size in bytes of a language unit's lookup routine and data: an upper
// estimate of what the target's code segment has to hold.
long long EstimateLanguageUnitSize(const TResProject& project, int languageIndex);
