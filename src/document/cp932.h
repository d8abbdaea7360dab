// Conversion between the UTF-8 texts held in memory and the CP932 (Shift-JIS) bytes of files.
#pragma once

#include <string>
#include <string_view>

namespace zelko {

// A character that CP932 cannot hold becomes "?"; the characters around it are kept. Bytes that
// are not UTF-8 count as such characters.
std::string Utf8ToCp932(std::string_view utf8);

// True when the text comes back unchanged from CP932: every character has a code there (and no
// other character shares it). Paths must, or a file would name a file that is not there.
bool FitsCp932(std::string_view utf8);

// Bytes that are no CP932 character become "?" one byte at a time. A zero byte ends the text.
std::string Cp932ToUtf8(std::string_view cp932);

}  // namespace zelko
