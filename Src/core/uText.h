// Text helpers of the model: ASCII case folding, identifiers, unit names.
// Model strings are Windows-1250 bytes; these helpers look at ASCII only.
#pragma once

#include <string>
#include <string_view>

// Equal when the strings differ at most in the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);
// A letter A-Z, a-z or "_", then letters, digits and "_" only; not empty.
bool IsIdentifier(std::string_view s);
std::string UpperAscii(std::string_view s);
// The unit name a generated file declares: the last path component without
// its extension.
std::string UnitNameFromFileName(const std::string& fileName);
