// A look over a project for what the generated Pascal would not compile or
// would get wrong at run time; behind `quillet-cli check`, the summary of
// `generate` and the editor's problem list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TResProject;

// The kinds of findings, in the order they are listed. A new kind needs a
// row in the kind table of uProjectCheck.cpp as well.
enum class TFindingKind {
    EmptyTextId,
    InvalidTextId,
    ReservedWord,
    DuplicateName,
    NumberOutOfRange,
    NumberWillChange,
    TextTooLong,
    UnitTooLarge,
    InvalidFormat,
    FormatArguments,
    MisreadUtf8,
    UnknownLanguage,
    UnknownSourceLanguage,
    SourceLoop,
    SameOutputFile,
    OutsideProjectFolder,
};

// A short stable name for machines ("empty-text-id") and a title for people.
const char* FindingKindName(TFindingKind kind);
const char* FindingKindTitle(TFindingKind kind);
// Findings of these kinds give a constants unit that does not compile.
bool BreaksCompilation(TFindingKind kind);

// All strings are UTF-8.
struct TFinding {
    TFindingKind Kind = TFindingKind::EmptyTextId;
    int Row = -1;         // the item's position in the string list; -1 for none
    std::string TextId;   // the item's text ID, when Row >= 0
    std::string Language; // the language's text ID, or empty
    std::string Message;  // the problem, without the item's position
};

// Where a finding is: "item 3 ('sOpen')", or "language 'CZ'", or empty.
std::string FindingPlace(const TFinding& finding);
// The finding as one line: place, ": ", message.
std::string FindingLine(const TFinding& finding);
// The same line appended to out, for reports of many findings.
void AppendFindingLine(std::string& out, const TFinding& finding);

struct TLanguageStats {
    std::string Language; // UTF-8
    bool Visible = false;
    int Own = 0;       // items with a text of their own
    int Inherited = 0; // items without one that get a text through the source chain
    int Missing = 0;   // items that get no text at all
};

struct TProjectCheck {
    std::vector<std::string> Summary;  // a few lines about the project
    std::vector<TFinding> Findings;    // grouped by kind, in kind order; in item order within a kind
    std::vector<TLanguageStats> Stats; // one per language, in list order
    int CountOf(TFindingKind kind) const;
    bool BreaksCompilation() const;
};

TProjectCheck CheckProject(const TResProject& project);

// The size in bytes of a language unit's lookup routine and data: an upper
// estimate of what the target's code segment has to hold.
struct TUnitSizeEstimate {
    long long Bytes = 0;
    int Ranges = 0;        // as the language unit splits the numbers
    long long Entries = 0; // offset table entries, holes included
};
TUnitSizeEstimate EstimateLanguageUnit(const TResProject& project, int languageIndex);
long long EstimateLanguageUnitSize(const TResProject& project, int languageIndex);

// Text that looks like UTF-8 read as Windows-1250 ("ZruĹˇit" for "Zrušit"):
// every byte above 127 belongs to a well-formed UTF-8 sequence of two to
// four bytes, and there is at least one. Plain Windows-1250 text almost never
// has that shape, since its letters stand alone between ASCII bytes.
bool LooksLikeMisreadUtf8(std::string_view text);
