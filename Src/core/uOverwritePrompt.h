// The one question the core may ask: may an existing output file be replaced?
#pragma once

#include <string>

class TOverwritePrompt {
public:
    virtual ~TOverwritePrompt() = default;
    // absolutePath names the existing file; true replaces it, false keeps it.
    virtual bool AskOverwrite(const std::string& absolutePath) = 0;
    // True keeps, without asking, an existing file that already holds exactly
    // the bytes that would be written, so that its time stamp stays.
    virtual bool KeepsUnchanged() const { return false; }
    // Told of each file kept that way.
    virtual void Unchanged(const std::string& /*absolutePath*/) {}
};

inline std::string OverwriteQuestion(const std::string& absolutePath)
{
    return "File " + absolutePath + " exists. Overwrite ?";
}
