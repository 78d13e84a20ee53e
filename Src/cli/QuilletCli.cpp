// quillet-cli: generation, checks and formatting of project files without the GUI.
#include "uErrors.h"
#include "uOverwritePrompt.h"
#include "uProject.h"
#include "uProjectCheck.h"

#include <getopt.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  quillet-cli generate [--force] [--output-dir DIR] PROJECT\n"
    "      Renumber the string items and write the constants unit and every\n"
    "      language's unit. Existing files are replaced only with --force.\n"
    "  quillet-cli check PROJECT\n"
    "      Print a summary of the project and warn about what the generated\n"
    "      units would not compile or would get wrong.\n"
    "  quillet-cli format PROJECT [OUT]\n"
    "      Write the project back in the project file notation, to OUT or PROJECT.\n"
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
    std::optional<std::string> OutputDir;
    std::vector<std::string> Operands;
};

enum TOptionId : int { optHelp = 'h', optForce = 0x100, optOutputDir };

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
         {{"force", no_argument, nullptr, optForce}, {"output-dir", required_argument, nullptr, optOutputDir}},
         1,
         1,
         "Usage: quillet-cli generate [OPTIONS] PROJECT\n"
         "Renumber the string items and write the constants unit and every language's unit.\n"
         "\n"
         "  --force             replace units that exist (they are skipped otherwise)\n"
         "  --output-dir DIR    write the units into DIR instead of the project's output directory\n"
         "  -h, --help          show this help\n"},
        {"check",
         {},
         1,
         1,
         "Usage: quillet-cli check PROJECT\n"
         "Print a summary of the project and warn about what the generated units would not\n"
         "compile or would get wrong.\n"
         "\n"
         "  -h, --help          show this help\n"},
        {"format",
         {},
         1,
         2,
         "Usage: quillet-cli format PROJECT [OUT]\n"
         "Write the project back in the project file notation, to OUT or PROJECT.\n"
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
            case optOutputDir: options.OutputDir = optarg; break;
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

class TCliPrompt : public TOverwritePrompt {
public:
    explicit TCliPrompt(bool force) : m_Force(force) {}
    bool AskOverwrite(const std::string& absolutePath) override
    {
        if (!m_Force) std::cerr << "skipped: " << absolutePath << " exists\n";
        return m_Force;
    }

private:
    bool m_Force;
};

int Generate(const TCliOptions& o)
{
    TResProject p;
    p.LoadFromFile(o.Operands[0]);
    p.Strings()->RenumberIds();
    TCliPrompt prompt(o.Force);
    const std::string* outputDir = o.OutputDir ? &*o.OutputDir : nullptr;
    p.WriteConstUnit(prompt, outputDir);
    for (int i = 0; i < p.Languages()->Count(); ++i) p.WriteLanguageUnit(p.Languages()->Items(i), prompt, outputDir);
    return 0;
}

int Check(const TCliOptions& o)
{
    TResProject p;
    p.LoadFromFile(o.Operands[0]);
    const TProjectCheck check = CheckProject(p);
    std::cout << "Project: " << o.Operands[0] << "\n";
    for (const std::string& line : check.Summary) std::cout << line << "\n";
    for (const std::string& w : check.Warnings) std::cerr << "warning: " << w << "\n";
    return 0;
}

int Format(const TCliOptions& o)
{
    TResProject p;
    p.LoadFromFile(o.Operands[0]);
    p.SaveToFile(o.Operands.size() == 2 ? o.Operands[1] : o.Operands[0]);
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
        return Run(*command, options);
    } catch (const TUsageError& e) {
        if (e.Reason().empty()) std::cerr << kUsage;
        else {
            std::cerr << "quillet-cli: " << e.Reason() << "\n";
            std::cerr << "Try 'quillet-cli " << (command ? command->Name + std::string(" ") : std::string())
                      << "--help'.\n";
        }
        return 2;
    } catch (const Exception& e) {
        std::cerr << "error: " << e.Message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
}
