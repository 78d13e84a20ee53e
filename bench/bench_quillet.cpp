// `make bench`: the speed and memory targets of the core and quillet-cli on
// synthetic projects, each printed as a ratio to a floor measured in the same
// run, with PASS or FAIL.
//
// The floor is the time to read the project file and write as many bytes to
// a new file: what any program that reads a project and writes its output
// must spend at least. quillet-cli runs as a child process; its time is the
// processor time (user + system) of the whole run, the best of a few, because
// wall time on a shared machine measures the neighbours; its memory is the
// child's peak resident set (wait4). The editor's load runs in a child of this
// program (bench_quillet --editor-load FILE), so that nothing else sits in its
// heap.
#include "tAdversarialOrder.h"
#include "uDefaults.h"
#include "uProject.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point since)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - since).count();
}

// Processor time of this process so far.
double CpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double Ms(const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; }

// The seven default languages, all shown; every item has three texts (in
// CZ, DE and PL; the others fall back through their source languages), some
// with accented letters, every tenth a long one, every 97th item fixed.
void BuildProject(TResProject& p, int items, bool adversarial)
{
    AddDefaultLanguages(p);
    for (int l = 0; l < p.Languages()->Count(); ++l) {
        p.Languages()->Items(l)->SetVisible(true);
        if (l % 2 == 1) p.Languages()->Items(l)->SetSourceLanguageId(l - 1);
    }
    std::vector<int32_t> numbers;
    if (adversarial) numbers = MiddlePivotKiller(items);
    p.Strings()->Reserve(items);
    for (int i = 0; i < items; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId("sItem" + std::to_string(i));
        s->SetNumberId(adversarial ? numbers[static_cast<size_t>(i)] : i + 1);
        if (i % 97 == 0) s->SetFixedId(true);
        for (int t = 0; t < 3; ++t) {
            TResStringConstItem* c = s->StringConsts()->Add();
            c->SetValue(
                "Text \xE8\xED"
                "slo " +
                std::to_string(i) + " in language " + std::to_string(t) + ": the quick brown fox" +
                (i % 10 == 0 ? std::string(120, '.') : std::string()));
            c->SetLanguageId(t * 2);
        }
    }
}

std::string MakeProject(const fs::path& dir, int items, bool adversarial = false)
{
    TResProject p;
    BuildProject(p, items, adversarial);
    const std::string path = (dir / ((adversarial ? "adv" : "p") + std::to_string(items) + ".rpr")).string();
    p.SaveToFile(path);
    return path;
}

// Each measure of a round takes the best of this many runs in a row: a run
// right after a different one is slower, the floor's as much as a command's.
constexpr int kInARow = 2;

// Reading the whole project file and writing as many bytes to a new file:
// the best of kInARow runs in a row. The buffer is freed after them, so that
// the commands, started from this process, do not count its pages.
double FloorMs(const std::string& path, const fs::path& dir)
{
    double best = 1e300;
    std::vector<char> buffer(static_cast<size_t>(fs::file_size(path)));
    const std::string copy = (dir / "floor.bin").string();
    for (int run = 0; run < kInARow; ++run) {
        const double t0 = CpuMs();
        std::FILE* in = std::fopen(path.c_str(), "rb");
        size_t n = in ? std::fread(buffer.data(), 1, buffer.size(), in) : 0;
        if (in) std::fclose(in);
        std::FILE* out = std::fopen(copy.c_str(), "wb");
        if (out) {
            std::fwrite(buffer.data(), 1, n, out);
            std::fclose(out);
        }
        best = std::min(best, CpuMs() - t0);
        fs::remove(copy);
    }
    return best;
}

struct TRun {
    double Ms = 0;     // processor time, best run
    double WallMs = 0; // wall time, best run
    double PeakMb = 0; // largest peak resident set of the runs
    bool Ok = true;

    // Takes in the runs of another measure of the same command.
    void Merge(const TRun& other)
    {
        Ms = std::min(Ms, other.Ms);
        WallMs = std::min(WallMs, other.WallMs);
        PeakMb = std::max(PeakMb, other.PeakMb);
        Ok = Ok && other.Ok;
    }
};

// Runs a program (argv[0] is its path) with stdout and stderr discarded.
// beforeEach, when given, runs untimed before every run: it removes what the
// previous run wrote, so that every run writes new files, as the floor does.
TRun RunChild(const std::vector<std::string>& args, int runs, std::string* output = nullptr,
              const std::function<void()>& beforeEach = {})
{
    TRun result;
    result.Ms = result.WallMs = 1e300;
    for (int r = 0; r < runs; ++r) {
        if (beforeEach) beforeEach();
        int pipeFd[2] = {-1, -1};
        if (output && ::pipe(pipeFd) != 0) std::exit(3);
        const auto t0 = TClock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(output ? pipeFd[1] : devNull, 1);
            ::dup2(devNull, 2);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        std::string text;
        if (output) {
            ::close(pipeFd[1]);
            char buffer[256];
            ssize_t n;
            while ((n = ::read(pipeFd[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
            ::close(pipeFd[0]);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        result.WallMs = std::min(result.WallMs, MsSince(t0));
        result.Ms = std::min(result.Ms, Ms(usage.ru_utime) + Ms(usage.ru_stime));
        result.PeakMb = std::max(result.PeakMb, double(usage.ru_maxrss) / 1024.0);
        result.Ok = result.Ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (output) *output = text;
    }
    return result;
}

double FileMb(const std::string& path) { return double(fs::file_size(path)) / (1024.0 * 1024.0); }

// --- The editor's load, in a child process ----------------------------------

double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Loads the project and reads what the grid shows on its first page: every
// visible language's text of the first 50 rows, with the text and number IDs.
int EditorLoad(const char* path)
{
    const double t0 = CpuMs();
    auto* project = new TResProject;
    project->LoadFromFile(path);
    size_t bytes = 0;
    const TResProject& p = *project;
    for (int row = 0; row < std::min(50, p.Strings()->Count()); ++row) {
        const TResStringItem* item = p.Strings()->Items(row);
        bytes += std::to_string(item->NumberId()).size() + item->TextId().size();
        for (int l = 0; l < p.Languages()->Count(); ++l) {
            const TResLanguageItem* language = p.Languages()->Items(l);
            if (!language->Visible()) continue;
            if (const TResStringConstItem* text = item->StringConsts()->FindByLanguage(language))
                bytes += std::string(text->Value()).size();
        }
    }
    const double ms = CpuMs() - t0;
    std::printf("%.3f %.3f %zu\n", ms, ResidentMb(), bytes);
    delete project;
    return 0;
}

// The model alone, built through the setters without the reader.
int ModelOnly(int items)
{
    auto* project = new TResProject;
    BuildProject(*project, items, false);
    std::printf("0 %.3f 0\n", ResidentMb());
    delete project;
    return 0;
}

// --- Reporting -------------------------------------------------------------

int g_Failed = 0;

void Target(const char* what, double value, double limit, const char* unit)
{
    const bool pass = value <= limit;
    if (!pass) ++g_Failed;
    std::printf("  %-58s %8.2f%-3s (limit %6.2f%s)  %s\n", what, value, unit, limit, unit, pass ? "PASS" : "FAIL");
}

struct TSizeResult {
    int Items = 0;
    double FileMb = 0, FloorMs = 0;
    TRun Generate, Format, Check;
};

// The floor and the three commands are measured in turn, round after round,
// and each keeps its best: a stretch of time when the machine is busy then
// slows them all alike instead of one of them.
TSizeResult MeasureSize(const fs::path& dir, int items, int runs)
{
    TSizeResult r;
    r.Items = items;
    const std::string path = MakeProject(dir, items);
    r.FileMb = FileMb(path);
    const fs::path out = dir / ("out" + std::to_string(items));
    const fs::path formatted = dir / "formatted.rpr";
    r.FloorMs = 1e300;
    r.Generate.Ms = r.Generate.WallMs = r.Format.Ms = r.Format.WallMs = r.Check.Ms = r.Check.WallMs = 1e300;
    for (int round = 0; round < runs; ++round) {
        r.FloorMs = std::min(r.FloorMs, FloorMs(path, dir));
        r.Generate.Merge(RunChild({QUILLET_CLI, "generate", "--force", "--output-dir", out.string(), path}, kInARow,
                                  nullptr, [&out] {
                                      fs::remove_all(out);
                                      fs::create_directories(out);
                                  }));
        r.Format.Merge(RunChild({QUILLET_CLI, "format", path, formatted.string()}, kInARow, nullptr,
                                [&formatted] { fs::remove(formatted); }));
        r.Check.Merge(RunChild({QUILLET_CLI, "check", path}, kInARow));
    }
    fs::remove_all(out);
    std::printf("%8d %8.2f %8.1f %10.1f %7.1fx %9.1f %7.1fx %9.1f %7.1fx %9.1f%s\n", items, r.FileMb, r.FloorMs,
                r.Generate.Ms, r.Generate.Ms / r.FloorMs, r.Format.Ms, r.Format.Ms / r.FloorMs, r.Check.Ms,
                r.Check.Ms / r.FloorMs, std::max({r.Generate.PeakMb, r.Format.PeakMb, r.Check.PeakMb}),
                r.Generate.Ok && r.Format.Ok && r.Check.Ok ? "" : "  (quillet-cli failed)");
    if (!(r.Generate.Ok && r.Format.Ok && r.Check.Ok)) ++g_Failed;
    if (items != 200000) fs::remove(path);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--editor-load") == 0) return EditorLoad(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--model-only") == 0) return ModelOnly(std::atoi(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "--write-project") == 0) { // for profiling by hand
        TResProject p;
        BuildProject(p, std::atoi(argv[2]), false);
        p.SaveToFile(argv[3]);
        return 0;
    }

    const fs::path dir = fs::temp_directory_path() / ("quillet-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);

    std::printf(
        "quillet-cli on synthetic projects (7 languages, 3 texts per item); times are processor ms\n"
        "(user + system), the best of several runs; x = ratio to the floor (read the project file,\n"
        "write as many bytes)\n\n");
    std::printf("%8s %8s %8s %10s %8s %9s %8s %9s %8s %9s\n", "items", "file MB", "floor", "generate", "", "format", "",
                "check", "", "peak MB");
    const TSizeResult small = MeasureSize(dir, 10000, 5);
    const TSizeResult mid = MeasureSize(dir, 65000, 10);
    const TSizeResult big = MeasureSize(dir, 200000, 12);

    // The editor: load of the 65,000-item project and the grid's first page.
    const std::string midPath = MakeProject(dir, 65000);
    std::string editorOut;
    double editorMs = 1e300, editorMb = 0;
    for (int run = 0; run < 3; ++run) {
        RunChild({fs::read_symlink("/proc/self/exe").string(), "--editor-load", midPath}, 1, &editorOut);
        double ms = 0, mb = 0;
        if (std::sscanf(editorOut.c_str(), "%lf %lf", &ms, &mb) != 2) ms = mb = 1e9;
        editorMs = std::min(editorMs, ms);
        editorMb = std::max(editorMb, mb);
    }
    fs::remove(midPath);
    std::string modelOut;
    RunChild({fs::read_symlink("/proc/self/exe").string(), "--model-only", "65000"}, 1, &modelOut);
    double ignored = 0, modelMb = 0;
    std::sscanf(modelOut.c_str(), "%lf %lf", &ignored, &modelMb);
    std::printf(
        "\nThe editor, 65,000 items: load + first page %.1f ms processor time, %.1f MB resident after\n"
        "(the same model built through the setters, without the reader: %.1f MB resident)\n",
        editorMs, editorMb, modelMb);

    // The number sort on the order that defeats a middle-pivot quicksort.
    std::printf("\nquillet-cli check, 65,536 items: numbers ascending and in the adversarial order\n");
    const std::string ascending = MakeProject(dir, 65536, false);
    const std::string adversarial = MakeProject(dir, 65536, true);
    const TRun checkAscending = RunChild({QUILLET_CLI, "check", ascending}, 3);
    const TRun checkAdversarial = RunChild({QUILLET_CLI, "check", adversarial}, 3);
    std::printf("  ascending %8.1f ms%s   adversarial %8.1f ms%s\n", checkAscending.Ms,
                checkAscending.Ok ? "" : " (failed)", checkAdversarial.Ms, checkAdversarial.Ok ? "" : " (failed)");
    if (!checkAscending.Ok || !checkAdversarial.Ok) ++g_Failed;

    std::printf("\nTargets\n");
    Target("generate, 65,000 items, time / floor", mid.Generate.Ms / mid.FloorMs, 8, "x");
    Target("format, 65,000 items, time / floor", mid.Format.Ms / mid.FloorMs, 6, "x");
    Target("check, 65,000 items, time / floor", mid.Check.Ms / mid.FloorMs, 6, "x");
    Target("generate, 65,000 items, peak memory / file size", mid.Generate.PeakMb / mid.FileMb, 2, "x");
    Target("format, 65,000 items, peak memory / file size", mid.Format.PeakMb / mid.FileMb, 2, "x");
    Target("check, 65,000 items, peak memory / file size", mid.Check.PeakMb / mid.FileMb, 2, "x");
    Target("editor load + first page, 65,000 items, time", editorMs / 1000.0, 0.5, "s");
    Target("editor load + first page, 65,000 items, resident after", editorMb, 100, "MB");
    auto growth = [](const char* what, double t1, double t2, int n1, int n2) {
        const double perItem = (t2 / n2) / (t1 / n1);
        const std::string label = std::string(what) + " " + std::to_string(n1 / 1000) + "k -> " +
            std::to_string(n2 / 1000) + "k, time per item grows";
        Target(label.c_str(), perItem, 1.3, "x");
    };
    growth("generate", small.Generate.Ms, mid.Generate.Ms, small.Items, mid.Items);
    growth("generate", mid.Generate.Ms, big.Generate.Ms, mid.Items, big.Items);
    growth("format", small.Format.Ms, mid.Format.Ms, small.Items, mid.Items);
    growth("format", mid.Format.Ms, big.Format.Ms, mid.Items, big.Items);
    growth("check", small.Check.Ms, mid.Check.Ms, small.Items, mid.Items);
    growth("check", mid.Check.Ms, big.Check.Ms, mid.Items, big.Items);
    Target("check, 65,536 items, ascending numbers, time", checkAscending.Ms / 1000.0, 1, "s");
    Target("check, 65,536 items, adversarial numbers, time", checkAdversarial.Ms / 1000.0, 1, "s");
    std::printf("\n%s: %d target(s) missed\n", g_Failed ? "FAIL" : "PASS", g_Failed);

    if (!std::getenv("QUILLET_BENCH_KEEP")) fs::remove_all(dir);
    return 0;
}
