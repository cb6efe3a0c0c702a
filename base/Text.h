// The project's small text rules: white space and ASCII case as the settings
// store and the engine see them.
#pragma once

#include <string>
#include <string_view>

namespace jostle {

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The registry's names compare without regard to ASCII letter case.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace jostle
