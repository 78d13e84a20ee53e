// The format strings of the target's Pascal Format function, as far as the
// checks need them: which arguments a text takes, and of which kind.
//
// A specifier is "%" [index ":"] ["-"] [width] ["." precision] type, where
// index, width and precision are decimal digits or "*" (taken from the
// argument list as an integer), and type is one of d u x e f g n m p s,
// in either case. "%%" stands for one "%". A specifier without an index
// takes the argument after the one the previous specifier took; an index
// sets that position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What an argument must be; d, u and x take the same integer, e f g n m the
// same floating-point value.
enum class TFormatArgClass { Integer, Float, String, Pointer };

struct TFormatSpecifier {
    size_t Pos = 0;             // byte offset of its "%"
    std::string Text;           // as written, "%" to the type letter
    char Type = 0;              // the type letter in lower case
    bool IndexFromArgs = false; // "%*:d": the index is only known at run time
};

// One argument of a format string: its position in the argument list, what
// it must be, and the first specifier that takes it.
struct TFormatArgument {
    int Index = 0;
    TFormatArgClass Class = TFormatArgClass::Integer;
    std::string Specifier; // e.g. "%d", "%1:s", or "%*d" for a width taken from the list
};

struct TFormatString {
    bool Valid = true;
    size_t ErrorPos = 0; // byte offset of the "%" that starts the invalid specifier
    std::string Error;   // why it is invalid; quotes bytes of the text, so it is model text
    std::vector<TFormatSpecifier> Specifiers;
    // In ascending order of index, one per index. Empty when the text has no
    // specifier, or when an index comes from the argument list (see Static).
    std::vector<TFormatArgument> Arguments;
    // False when some "*" index makes the argument positions unknowable.
    bool Static = true;
};

TFormatString ParseFormatString(std::string_view text);

// A class of arguments for messages: "an integer", "a floating-point
// number", "a string", "a pointer".
const char* FormatArgClassName(TFormatArgClass c);
