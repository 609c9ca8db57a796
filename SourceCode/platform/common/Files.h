#pragma once
#include <string>

namespace plat {
// Paths from data files and scripts were written with backslashes; on Linux
// every one of them becomes '/'.
std::string ForwardSlashes(std::string path);

// The whole file as bytes; false (contents untouched) when it cannot be
// opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents);
}  // namespace plat
