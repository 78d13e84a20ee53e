// The one question the core may ask: may an existing output file be replaced?
#pragma once

#include <string>

class TOverwritePrompt {
public:
    virtual ~TOverwritePrompt() = default;
    // absolutePath names the existing file; true replaces it, false keeps it.
    virtual bool AskOverwrite(const std::string& absolutePath) = 0;
};

inline std::string OverwriteQuestion(const std::string& absolutePath)
{
    return "File " + absolutePath + " exists. Overwrite ?";
}
