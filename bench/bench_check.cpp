// Timing of the project check on a synthetic project of 65,000 items, as a
// ratio to a floor measured in the same run: one pass over every item's
// texts in number order, which any check of all texts has to make.
#include "uDefaults.h"
#include "uProject.h"
#include "uProjectCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;

// The best of a few runs, in milliseconds.
double BestMs(const std::function<void()>& run)
{
    double best = 1e300;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = TClock::now();
        run();
        best = std::min(best, std::chrono::duration<double, std::milli>(TClock::now() - t0).count());
    }
    return best;
}

// Seven languages, two or three texts per item, some with format arguments,
// some fixed numbers: the shape of a real project, with no findings but the
// ones a real project has too.
void Build(TResProject& p, int items)
{
    AddDefaultLanguages(p);
    for (int l = 1; l < p.Languages()->Count(); ++l) p.Languages()->Items(l)->SetSourceLanguageId(l == 1 ? -1 : 1);
    p.Languages()->Items(0)->SetSourceLanguageId(1);
    for (int i = 0; i < items; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId("sItem" + std::to_string(i));
        s->SetNumberId(i + 1);
        if (i % 97 == 0) s->SetFixedId(true);
        for (int t = 0; t < 2 + i % 2; ++t) {
            TResStringConstItem* c = s->StringConsts()->Add();
            c->SetValue(i % 5 == 0 ? "%d of %s in language " + std::to_string(t)
                                   : "Text \xE8\xEDslo " + std::to_string(i) + " in language " + std::to_string(t));
            c->SetLanguageId(t == 0 ? 1 : t * 2);
        }
    }
}

} // namespace

int main()
{
    const int n = 65000;
    TResProject p;
    Build(p, n);
    size_t sink = 0;
    const double floor = BestMs([&] {
        for (const TResStringItem* item : p.Strings()->SortedByNumberId(false))
            for (int k = 0; k < item->StringConsts()->Count(); ++k)
                sink += item->StringConsts()->Items(k)->Value().size();
    });
    size_t findings = 0;
    const double check = BestMs([&] { findings = CheckProject(p).Findings.size(); });
    std::printf("%8s %10s %10s %8s %10s\n", "items", "floor ms", "check ms", "ratio", "findings");
    std::printf("%8d %10.1f %10.1f %8.1f %10zu%s\n", n, floor, check, check / floor, findings, sink ? "" : " ");
    return 0;
}
