// quillet-cli: generation, checks and formatting of project files without the GUI.
#include "uErrors.h"
#include "uOverwritePrompt.h"
#include "uProject.h"
#include "uProjectCheck.h"

#include <cstring>
#include <iostream>
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
    "  quillet-cli --help | --version\n";

class TUsageError : public std::exception {};

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

int Generate(const std::vector<std::string>& args)
{
    bool force = false;
    const std::string* outputDir = nullptr;
    std::string project;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--force") force = true;
        else if (args[i] == "--output-dir") {
            if (++i >= args.size()) throw TUsageError();
            outputDir = &args[i];
        } else if (args[i].starts_with("--") || !project.empty()) throw TUsageError();
        else project = args[i];
    }
    if (project.empty()) throw TUsageError();

    TResProject p;
    p.LoadFromFile(project);
    p.Strings()->RenumberIds();
    TCliPrompt prompt(force);
    p.WriteConstUnit(prompt, outputDir);
    for (int i = 0; i < p.Languages()->Count(); ++i) p.WriteLanguageUnit(p.Languages()->Items(i), prompt, outputDir);
    return 0;
}

int Check(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].starts_with("--")) throw TUsageError();
    TResProject p;
    p.LoadFromFile(args[0]);
    const TProjectCheck check = CheckProject(p);
    std::cout << "Project: " << args[0] << "\n";
    for (const std::string& line : check.Summary) std::cout << line << "\n";
    for (const std::string& w : check.Warnings) std::cerr << "warning: " << w << "\n";
    return 0;
}

int Format(const std::vector<std::string>& args)
{
    if (args.empty() || args.size() > 2) throw TUsageError();
    for (const std::string& a : args)
        if (a.starts_with("--")) throw TUsageError();
    TResProject p;
    p.LoadFromFile(args[0]);
    p.SaveToFile(args.size() == 2 ? args[1] : args[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw TUsageError();
        const std::string command = args[0];
        args.erase(args.begin());
        if (command == "--help" || command == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (command == "--version") {
            std::cout << "quillet-cli " << QUILLET_VERSION << "\n";
            return 0;
        }
        if (command == "generate") return Generate(args);
        if (command == "check") return Check(args);
        if (command == "format") return Format(args);
        throw TUsageError();
    } catch (const TUsageError&) {
        std::cerr << kUsage;
        return 2;
    } catch (const Exception& e) {
        std::cerr << "error: " << e.Message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
}
