// quillet-cli: generation, checks and formatting of project files without the GUI.
#include "uErrors.h"
#include "uOutputPaths.h"
#include "uOverwritePrompt.h"
#include "uProject.h"
#include "uProjectCheck.h"
#include "uText.h"

#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  quillet-cli generate [--force | --if-changed] [--strict] [--output-dir DIR] [--allow-outside] PROJECT\n"
    "      Renumber the string items and write the constants unit and every\n"
    "      language's unit. Existing files are replaced only with --force, or\n"
    "      with --if-changed where their content would change.\n"
    "  quillet-cli check [--format=text|json] [--strict] PROJECT\n"
    "      Print a summary of the project, what the generated units would not\n"
    "      compile or would get wrong, and how complete each language is.\n"
    "  quillet-cli format PROJECT [OUT]\n"
    "      Write the project back in the project file notation, to OUT or PROJECT\n"
    "      (OUT - is standard output).\n"
    "  quillet-cli COMMAND --help | --help | --version\n";

// A usage error: exit status 2, the reason and a pointer to the help.
class TUsageError : public std::exception {
public:
    explicit TUsageError(std::string reason = {}) : m_Reason(std::move(reason)) {}
    const std::string& Reason() const { return m_Reason; }

private:
    std::string m_Reason;
};

// Everything the command line can say; each command reads what it takes.
struct TCliOptions {
    bool Help = false;
    bool Force = false;
    bool Strict = false;
    bool Json = false;
    bool AllowOutside = false;
    bool IfChanged = false;
    std::optional<std::string> OutputDir;
    std::vector<std::string> Operands;
};

enum TOptionId : int {
    optHelp = 'h',
    optForce = 0x100,
    optOutputDir,
    optStrict,
    optFormat,
    optAllowOutside,
    optIfChanged
};

// With --strict, warnings fail the command with this status.
constexpr int kExitWarnings = 3;

// One command: its name, its options, how many operands it takes, its help.
struct TCommand {
    const char* Name;
    std::vector<option> Options; // without the terminating zero row
    size_t MinOperands;
    size_t MaxOperands;
    const char* Help;
};

const std::vector<TCommand>& Commands()
{
    static const std::vector<TCommand> commands = {
        {"generate",
         {{"force", no_argument, nullptr, optForce},
          {"output-dir", required_argument, nullptr, optOutputDir},
          {"strict", no_argument, nullptr, optStrict},
          {"allow-outside", no_argument, nullptr, optAllowOutside},
          {"if-changed", no_argument, nullptr, optIfChanged}},
         1,
         1,
         "Usage: quillet-cli generate [OPTIONS] PROJECT\n"
         "Renumber the string items and write the constants unit and every language's unit,\n"
         "then print how many units were written and skipped and how many warnings 'check' has.\n"
         "\n"
         "  --force             replace units that exist (they are skipped otherwise)\n"
         "  --if-changed        replace only the units whose content would change; the\n"
         "                      others keep their time stamps\n"
         "  --output-dir DIR    write the units into DIR instead of the project's output directory\n"
         "  --strict            write nothing and exit with 3 when there are warnings\n"
         "  --allow-outside     write units whose paths leave the project's folder (and DIR)\n"
         "  -h, --help          show this help\n"},
        {"check",
         {{"format", required_argument, nullptr, optFormat}, {"strict", no_argument, nullptr, optStrict}},
         1,
         1,
         "Usage: quillet-cli check [OPTIONS] PROJECT\n"
         "Print a summary of the project, the warnings grouped by kind (what the generated units\n"
         "would not compile or would get wrong), and per language how many items have a text of\n"
         "their own, inherit one from a source language, or have none. Exits 0 with warnings.\n"
         "\n"
         "  --format=FORMAT     text (the default) or json\n"
         "  --strict            exit with 3 when there are warnings\n"
         "  -h, --help          show this help\n"},
        {"format",
         {},
         1,
         2,
         "Usage: quillet-cli format PROJECT [OUT]\n"
         "Write the project back in the project file notation, to OUT or PROJECT;\n"
         "an OUT of - writes to standard output.\n"
         "\n"
         "  -h, --help          show this help\n"},
    };
    return commands;
}

const TCommand* FindCommand(const std::string& name)
{
    for (const TCommand& c : Commands())
        if (name == c.Name) return &c;
    return nullptr;
}

// Parses argv[first..] for one command with getopt_long: --opt=VALUE and
// --opt VALUE both work, "--" ends the options, operands may come anywhere.
TCliOptions ParseOptions(const TCommand& command, int argc, char** argv)
{
    std::vector<option> longOptions = command.Options;
    longOptions.push_back({"help", no_argument, nullptr, optHelp});
    longOptions.push_back({nullptr, 0, nullptr, 0});
    TCliOptions options;
    opterr = 0;
    optind = 0; // glibc: start a fresh scan
    int id;
    while ((id = getopt_long(argc, argv, ":h", longOptions.data(), nullptr)) != -1) {
        const std::string seen = argv[optind - 1];
        switch (id) {
            case optHelp: options.Help = true; break;
            case optForce: options.Force = true; break;
            case optOutputDir:
                // An empty folder would mean the root folder of the file system.
                if (!*optarg) throw TUsageError("option '--output-dir' needs a folder name");
                options.OutputDir = optarg;
                break;
            case optAllowOutside: options.AllowOutside = true; break;
            case optIfChanged: options.IfChanged = true; break;
            case optStrict: options.Strict = true; break;
            case optFormat:
                if (std::string(optarg) == "json") options.Json = true;
                else if (std::string(optarg) != "text")
                    throw TUsageError("unknown format '" + std::string(optarg) + "' (text or json)");
                break;
            case ':': throw TUsageError("option '" + seen.substr(0, seen.find('=')) + "' needs a value");
            default:
                if (optopt != 0) throw TUsageError(std::string("unknown option '-") + char(optopt) + "'");
                throw TUsageError("unknown option '" + seen.substr(0, seen.find('=')) + "'");
        }
    }
    for (int i = optind; i < argc; ++i) options.Operands.push_back(argv[i]);
    if (!options.Help &&
        (options.Operands.size() < command.MinOperands || options.Operands.size() > command.MaxOperands))
        throw TUsageError(options.Operands.size() < command.MinOperands ? "missing operand" : "too many operands");
    return options;
}

// Every line of output is valid UTF-8, whatever bytes a file name brought.
void PrintLine(std::ostream& out, const std::string& line) { out << ValidUtf8(line) << "\n"; }

// What was printed must have reached its file: a full disk or a closed pipe
// is an error, not a success with the output lost.
void FlushStandardOutput()
{
    // errno still holds the reason of the write that failed, possibly an
    // earlier flush's.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
        throw EWriteError(kMsgStreamWrite, errno ? std::strerror(errno) : "");
}

// Every error names its file: a message that does not name the file gets it
// in front ("p.rpr: OBJECT expected on line 1"); the reader's open errors name
// it and carry the system's reason already. Called inside a catch block.
[[noreturn]] void RethrowNamingFile(const std::string& path)
{
    try {
        throw;
    } catch (const EAbort&) {
        throw;
    } catch (const EFOpenError&) {
        throw;
    } catch (const Exception& e) {
        if (e.Message().find(path) != std::string::npos) throw;
        throw Exception(path + ": " + e.Message(), e.Reason());
    }
}

// The project file is mapped while it is read: should another program cut it
// short meanwhile, reading past its new end raises SIGBUS. Nothing has been
// written by then, so the command ends with the file's name and the reason.
const char* g_MappedPath = nullptr;

void OnBusError(int)
{
    auto put = [](const char* s) {
        if (::write(STDERR_FILENO, s, std::strlen(s)) < 0) return;
    };
    put("error: ");
    put(g_MappedPath ? g_MappedPath : "the project file");
    put(": the file was cut short while it was read\n");
    ::_exit(1);
}

void Load(TResProject& p, const std::string& path)
{
    g_MappedPath = path.c_str();
    struct sigaction action {};
    action.sa_handler = OnBusError;
    ::sigaction(SIGBUS, &action, nullptr);
    try {
        p.LoadFromFile(path, TProjectFileAccess::Map);
    } catch (...) {
        g_MappedPath = nullptr;
        RethrowNamingFile(path);
    }
    g_MappedPath = nullptr;
}

class TCliPrompt : public TOverwritePrompt {
public:
    TCliPrompt(bool force, bool ifChanged) : m_Force(force || ifChanged), m_IfChanged(ifChanged) {}
    bool AskOverwrite(const std::string& absolutePath) override
    {
        if (!m_Force) {
            PrintLine(std::cerr, "skipped: " + absolutePath + " exists");
            ++Skipped;
        }
        return m_Force;
    }
    bool KeepsUnchanged() const override { return m_IfChanged; }
    void Unchanged(const std::string& absolutePath) override
    {
        PrintLine(std::cerr, "unchanged: " + absolutePath);
        ++UnchangedCount;
    }
    int Skipped = 0;
    int UnchangedCount = 0;

private:
    bool m_Force;
    bool m_IfChanged;
};

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The process ends right after generate, check and format: the project is left to
// the end of the process, since freeing its many small objects one by one
// only costs time. It stays reachable from here, so leak checkers stay quiet.
TResProject* g_KeptProject = nullptr;

int Generate(const TCliOptions& o)
{
    auto project = std::make_unique<TResProject>();
    TResProject& p = *project;
    Load(p, o.Operands[0]);
    p.Strings()->RenumberIds();
    // Checked as written, after the renumbering.
    const size_t warnings = CheckProject(p).Findings.size();
    const int units = 1 + p.Languages()->Count();
    if (o.Strict && warnings > 0) {
        std::cout << "0 units written, " << units << " skipped, " << Plural(warnings, "warning", "warnings")
                  << " (--strict: nothing written; see 'quillet-cli check')\n";
        return kExitWarnings;
    }
    TCliPrompt prompt(o.Force, o.IfChanged);
    const std::string* outputDir = o.OutputDir ? &*o.OutputDir : nullptr;
    // A project from elsewhere must not write over arbitrary files, not even
    // with --force: nothing is written while a path leaves the project's folder.
    if (!o.AllowOutside) {
        const std::vector<TUnitPath> outside = OutsideUnitPaths(p, outputDir);
        for (const TUnitPath& unit : outside)
            PrintLine(std::cerr, "error: " + unit.Who + " would write outside the project's folder: " + unit.Path);
        if (!outside.empty()) throw Exception("nothing written; --allow-outside writes such paths");
    }
    p.WriteUnits(prompt, outputDir);
    std::cout << Plural(size_t(units - prompt.Skipped - prompt.UnchangedCount), "unit", "units") << " written, "
              << prompt.Skipped << " skipped, ";
    if (o.IfChanged) std::cout << prompt.UnchangedCount << " unchanged, ";
    std::cout << Plural(warnings, "warning", "warnings") << "\n";
    g_KeptProject = project.release();
    return 0;
}

// The check's report is composed in one string: a project with a hundred
// thousand findings makes a report of many megabytes.
void Append(std::string& out, std::string_view s) { out.append(s); }
// A number in decimal; a char or bool is no number here.
template <class TNumber>
requires(std::is_integral_v<TNumber> && !std::is_same_v<TNumber, char> &&
         !std::is_same_v<TNumber, bool>) void Append(std::string& out, TNumber n)
{
    char digits[24];
    out.append(digits, size_t(std::to_chars(digits, digits + sizeof digits, n).ptr - digits));
}
template <class... TParts> void Add(std::string& out, const TParts&... parts) { (Append(out, parts), ...); }

// A JSON string: quotes, backslashes and control characters escaped; the
// text is UTF-8 already.
void AppendJson(std::string& out, std::string_view s)
{
    out += '"';
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}
std::string JsonString(std::string_view s)
{
    std::string r;
    AppendJson(r, s);
    return r;
}

void WriteCheckText(std::string& out, const std::string& projectPath, const TProjectCheck& check)
{
    Add(out, "Project: ", projectPath, "\n");
    for (const std::string& line : check.Summary) Add(out, line, "\n");
    Add(out, "\nWarnings: ");
    if (check.Findings.empty()) Add(out, "none\n");
    else Add(out, check.Findings.size(), "\n");
    // The findings come grouped by kind.
    for (size_t i = 0; i < check.Findings.size(); ++i) {
        const TFinding& f = check.Findings[i];
        if (i == 0 || check.Findings[i - 1].Kind != f.Kind)
            Add(out, FindingKindTitle(f.Kind), ": ", check.CountOf(f.Kind), "\n");
        Add(out, "  ");
        AppendFindingLine(out, f);
        Add(out, "\n");
    }
    Add(out, "\nLanguages:\n");
    for (const TLanguageStats& s : check.Stats)
        Add(out, "  ", s.Language, ": ", s.Own, " own, ", s.Inherited, " inherited, ", s.Missing, " missing",
            s.Visible ? "" : " (hidden)", "\n");
}

void WriteCheckJson(std::string& out, const std::string& projectPath, const TProjectCheck& check)
{
    const auto orNull = [&out](bool present, std::string_view s) {
        if (present) AppendJson(out, s);
        else Add(out, "null");
    };
    Add(out, "{\n  \"project\": ", JsonString(projectPath), ",\n  \"warnings\": ", check.Findings.size(),
        ",\n  \"kinds\": [");
    bool first = true;
    for (size_t i = 0; i < check.Findings.size(); ++i) {
        const TFindingKind kind = check.Findings[i].Kind;
        if (i > 0 && check.Findings[i - 1].Kind == kind) continue;
        Add(out, first ? "\n" : ",\n", "    {\"kind\": ", JsonString(FindingKindName(kind)),
            ", \"title\": ", JsonString(FindingKindTitle(kind)), ", \"count\": ", check.CountOf(kind), "}");
        first = false;
    }
    Add(out, first ? "],\n" : "\n  ],\n", "  \"findings\": [");
    for (size_t i = 0; i < check.Findings.size(); ++i) {
        const TFinding& f = check.Findings[i];
        Add(out, i == 0 ? "\n" : ",\n", "    {\"kind\": ", JsonString(FindingKindName(f.Kind)), ", \"row\": ");
        if (f.Row >= 0) Add(out, f.Row);
        else Add(out, "null");
        Add(out, ", \"textId\": ");
        orNull(f.Row >= 0, f.TextId);
        Add(out, ", \"language\": ");
        orNull(!f.Language.empty(), f.Language);
        Add(out, ", \"message\": ");
        AppendJson(out, f.Message);
        Add(out, "}");
    }
    Add(out, check.Findings.empty() ? "],\n" : "\n  ],\n", "  \"languages\": [");
    for (size_t i = 0; i < check.Stats.size(); ++i) {
        const TLanguageStats& s = check.Stats[i];
        Add(out, i == 0 ? "\n" : ",\n", "    {\"language\": ", JsonString(s.Language),
            ", \"visible\": ", s.Visible ? "true" : "false", ", \"own\": ", s.Own, ", \"inherited\": ", s.Inherited,
            ", \"missing\": ", s.Missing, "}");
    }
    Add(out, check.Stats.empty() ? "]\n" : "\n  ]\n", "}\n");
}

int Check(const TCliOptions& o)
{
    auto project = std::make_unique<TResProject>();
    TResProject& p = *project;
    Load(p, o.Operands[0]);
    const TProjectCheck check = CheckProject(p);
    // Composed whole and written at once: a project with thousands of
    // findings costs one write, not one per line. The buffer has room for
    // the whole report from the start (pages never written to cost nothing),
    // so that a report of many megabytes is neither grown nor copied.
    size_t room = 4096 + check.Summary.size() * 64 + check.Stats.size() * 256 + o.Operands[0].size() * 2;
    for (const TFinding& f : check.Findings) room += 160 + f.Message.size() + 2 * f.TextId.size() + f.Language.size();
    std::string report;
    report.reserve(room);
    if (o.Json) WriteCheckJson(report, o.Operands[0], check);
    else WriteCheckText(report, o.Operands[0], check);
    if (IsValidUtf8(report)) std::cout.write(report.data(), static_cast<std::streamsize>(report.size()));
    else std::cout << ValidUtf8(report);
    std::cout << std::flush;
    g_KeptProject = project.release();
    return o.Strict && !check.Findings.empty() ? kExitWarnings : 0;
}

int Format(const TCliOptions& o)
{
    auto project = std::make_unique<TResProject>();
    TResProject& p = *project;
    Load(p, o.Operands[0]);
    if (o.Operands.size() == 2 && o.Operands[1] == "-") {
        const std::string text = p.SaveToText();
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        FlushStandardOutput();
        g_KeptProject = project.release();
        return 0;
    }
    const std::string& out = o.Operands.size() == 2 ? o.Operands[1] : o.Operands[0];
    try {
        p.SaveToFile(out);
    } catch (...) {
        RethrowNamingFile(out);
    }
    g_KeptProject = project.release();
    return 0;
}

int Run(const TCommand& command, const TCliOptions& options)
{
    const std::string name = command.Name;
    if (name == "generate") return Generate(options);
    if (name == "check") return Check(options);
    return Format(options);
}

} // namespace

int main(int argc, char** argv)
{
    const TCommand* command = nullptr;
    try {
        if (argc < 2) throw TUsageError();
        const std::string first = argv[1];
        if (first == "--help" || first == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (first == "--version") {
            std::cout << "quillet-cli " << QUILLET_VERSION << "\n";
            return 0;
        }
        command = FindCommand(first);
        if (!command)
            throw TUsageError(first.starts_with("-") ? "unknown option '" + first + "'"
                                                     : "unknown command '" + first + "'");
        const TCliOptions options = ParseOptions(*command, argc - 1, argv + 1);
        if (options.Help) {
            std::cout << command->Help;
            return 0;
        }
        const int status = Run(*command, options);
        FlushStandardOutput();
        return status;
    } catch (const TUsageError& e) {
        if (e.Reason().empty()) std::cerr << kUsage;
        else {
            PrintLine(std::cerr, "quillet-cli: " + e.Reason());
            std::cerr << "Try 'quillet-cli " << (command ? command->Name + std::string(" ") : std::string())
                      << "--help'.\n";
        }
        return 2;
    } catch (const Exception& e) {
        // The system's reason, when there is one, follows the message.
        PrintLine(std::cerr, "error: " + e.Message() + (e.Reason().empty() ? "" : ": " + e.Reason()));
        return 1;
    } catch (const std::exception& e) {
        PrintLine(std::cerr, std::string("error: ") + e.what());
        return 1;
    }
}
