// Where the generated units go, and which of them leave the project's folder.
// A project file from elsewhere may name any path (..\..\victim.txt, an
// OutputDirectory of "/"); such paths are written only when the user says so.
#pragma once

#include <string>
#include <vector>

class TResProject;

struct TUnitPath {
    std::string Path; // absolute, in the file system's encoding
    std::string Who;  // "the constants unit", "language 'CZ'" (UTF-8)
    int Language;     // the language's index; -1 for the constants unit
};

// The units in the order they are written: the constants unit, then every
// language. outputDir as for WriteUnits.
std::vector<TUnitPath> UnitPaths(const TResProject& project, const std::string* outputDir = nullptr);

// The units that lie neither in the project's folder nor, when given, in
// outputDir, which the user named on the command line. A project that has no
// file yet has no folder to leave: every path in it was typed by the user (or
// came from the template beside the program). Paths are compared as written,
// after "." and ".." are resolved; symbolic links are not followed.
std::vector<TUnitPath> OutsideUnitPaths(const TResProject& project, const std::string* outputDir = nullptr);

// True when path lies in folder or below it; both absolute and normalised.
bool IsInsideFolder(const std::string& path, const std::string& folder);
