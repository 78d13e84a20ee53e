// The integer text syntax that users type into number fields.
#pragma once

#include <cstdint>
#include <string_view>

// Optional leading blanks, an optional sign, then decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". Nothing may follow the digits; the
// value must fit a signed 32-bit integer. Returns false for anything else.
bool TryParseIntText(std::string_view text, int32_t& value);

// As TryParseIntText, raising EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
