#pragma once
// The input of the .x data file targets: checked as it is and, when it does
// not start like a .x text file, once more behind the header, so that most
// mutations reach the reader's data rather than dying at the header.
#include <cstddef>
#include <cstdint>
#include <string>

inline void CheckXText(const std::uint8_t* data, std::size_t size, void (*check)(const std::string& input)) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    check(input);
    if (input.substr(0, 4) != "xof ") check("xof 0303txt 0032\n" + input);
}
