// libFuzzer target: any bytes must end in a loaded project or one of the
// reader's own exceptions; anything else (a crash, a sanitizer report, a
// foreign exception) is a finding. A loaded project must also go through
// the checks and the generators.
#include "uErrors.h"
#include "uProject.h"
#include "uProjectCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TResProject project;
    try {
        project.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
        // A saved project must load and save back to the same text. (One
        // round first: a name read from a Name line may still be renamed.)
        TResProject once;
        once.LoadFromText(project.SaveToText());
        const std::string text = once.SaveToText();
        TResProject twice;
        twice.LoadFromText(text);
        if (twice.SaveToText() != text) __builtin_trap();
        (void)CheckProject(project);
        (void)project.ConstUnitText();
        for (int l = 0; l < project.Languages()->Count(); ++l)
            (void)project.LanguageUnitText(project.Languages()->Items(l));
    } catch (const Exception&) {}
    return 0;
}
