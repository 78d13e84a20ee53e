// Timing of the core on synthetic projects of 1,000, 10,000 and 65,000 items:
// building the model as the reader does, renumbering and sorting, saving and
// loading the project file, and generating all units with quillet-cli.
#include "uDefaults.h"
#include "uProject.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::time_point since) { return std::chrono::duration<double, std::milli>(TClock::now() - since).count(); }

// Built the way the file reader builds it: Add, then the setters in file order.
void Build(TResProject& p, int items)
{
    AddDefaultLanguages(p);
    for (int l = 0; l < p.Languages()->Count(); ++l) p.Languages()->Items(l)->SetVisible(true);
    for (int i = 0; i < items; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId("sItem" + std::to_string(i));
        s->SetNumberId(i + 1);
        if (i % 97 == 0) s->SetFixedId(true);
        int texts = 2 + i % 2;
        for (int t = 0; t < texts; ++t) {
            TResStringConstItem* c = s->StringConsts()->Add();
            c->SetValue(
                "Text \xE8\xED"
                "slo " +
                std::to_string(i) + " in language " + std::to_string(t) +
                (i % 10 == 0 ? std::string(70, '.') : std::string()));
            c->SetLanguageId(t * 2);
        }
    }
}

} // namespace

int main()
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quillet-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::printf("%8s %10s %12s %10s %10s %10s %12s\n", "items", "build ms", "renum+sort", "save ms", "load ms",
                "file MB", "generate ms");
    for (int n : {1000, 10000, 65000}) {
        TResProject p;
        auto t0 = TClock::now();
        Build(p, n);
        double build = Ms(t0);

        t0 = TClock::now();
        p.Strings()->RenumberIds();
        p.Strings()->SortItems(true);
        double renumber = Ms(t0);

        const std::string path = (dir / ("p" + std::to_string(n) + ".rpr")).string();
        t0 = TClock::now();
        p.SaveToFile(path);
        double save = Ms(t0);

        TResProject q;
        t0 = TClock::now();
        q.LoadFromFile(path);
        double load = Ms(t0);
        double mb = double(fs::file_size(path)) / (1024.0 * 1024.0);

        const std::string out = (dir / ("out" + std::to_string(n))).string();
        fs::create_directories(out);
        const std::string command =
            std::string(QUILLET_CLI) + " generate --force --output-dir '" + out + "' '" + path + "'";
        t0 = TClock::now();
        int rc = std::system(command.c_str());
        double generate = Ms(t0);
        std::printf("%8d %10.1f %12.2f %10.1f %10.1f %10.2f %12.1f%s\n", n, build, renumber, save, load, mb, generate,
                    rc == 0 ? "" : "  (quillet-cli failed)");
    }
    if (!std::getenv("QUILLET_BENCH_KEEP")) fs::remove_all(dir);
    return 0;
}
