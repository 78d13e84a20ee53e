// Text helpers of the model: ASCII case folding, identifiers, unit names.
// Model strings are Windows-1250 bytes; these helpers look at ASCII only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Equal when the strings differ at most in the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);
// A letter A-Z, a-z or "_", then letters, digits and "_" only; not empty.
bool IsIdentifier(std::string_view s);
std::string UpperAscii(std::string_view s);
// The unit name a generated file declares: the last path component without
// its extension.
std::string UnitNameFromFileName(const std::string& fileName);

// The border between the model's code page and the system, which speaks
// UTF-8 (file names, the terminal, messages).

// A path composed from project values (OutputDirectory, ConstFileName,
// ResFileName), in the file system's encoding.
std::string PathFromModel(std::string_view modelText);
// Bytes from the system (command-line arguments, file names) fit for a
// message: valid UTF-8 is kept, every other byte becomes U+FFFD.
std::string ValidUtf8(std::string_view bytes);
// Whether ValidUtf8 would keep the bytes as they are.
bool IsValidUtf8(std::string_view bytes);
// The characters of a Unicode text that the code page cannot hold, each once,
// in the order they first appear; a surrogate pair counts as one character.
std::vector<char32_t> UnstorableCharacters(std::u16string_view text);
// The warning before such characters are stored as "?" (empty for none):
// "The text contains characters that Windows-1250 cannot store: → (U+2192).
// They will be saved as ?."
std::string MsgUnstorable(const std::vector<char32_t>& characters);
