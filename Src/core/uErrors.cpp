#include "uErrors.h"

#include "uCodePage.h"
#include "uText.h"

std::string MsgListIndex(int index) { return "List index out of bounds (" + std::to_string(index) + ")"; }

std::string MsgCannotCreate(const std::string& path) { return "Cannot create file " + ValidUtf8(path); }
std::string MsgCannotOpen(const std::string& path) { return "Cannot open file " + ValidUtf8(path); }
std::string MsgInvalidInteger(const std::string& text)
{
    return "'" + CodePage::ToUtf8(text) + "' is not a valid integer value";
}
std::string MsgInvalidFloat(const std::string& text)
{
    return "'" + CodePage::ToUtf8(text) + "' is not a valid floating point value";
}

void AssertionFailed(const char* file, int line)
{
    std::string unit = file;
    auto slash = unit.find_last_of("/\\");
    if (slash != std::string::npos) unit.erase(0, slash + 1);
    throw EAssertionFailed("Assertion failure (" + unit + ", line " + std::to_string(line) + ")");
}
