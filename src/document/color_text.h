// The text form of colours in project files: a name of the colour-name table or a number.
#pragma once

#include <optional>
#include <string>

#include "document/records.h"

namespace zelko {

// The name of the first table entry with the value, otherwise "$" and 8 upper-case hex digits.
std::string ColorToText(TColor color);

// A table name in any letter case, a decimal integer, or hex after "$" or "0x". nullopt for
// anything else, including numbers that do not fit 32 bits.
std::optional<TColor> ColorFromText(const std::string& text);

}  // namespace zelko
