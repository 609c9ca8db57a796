#pragma once
// Words typed or written in data (settings keys, key names, semantics,
// console commands) compare without regard to case, in ASCII only: the C
// library's case folding follows the process locale, which the embedded
// interpreter may change, and under some locales 'i' and 'I' do not match.
#include <string_view>

namespace plat {

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace plat
