#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {
// Paths from data files and scripts were written with backslashes; on Linux
// every one of them becomes '/'.
std::string ForwardSlashes(std::string path);

// The whole file as bytes; false (contents untouched) when it cannot be
// opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents);
// How many files ReadWholeFile has tried to open since the program started:
// every texture, mesh, effect and data file is read through it, so a steady
// frame adds nothing here.
std::uint64_t FilesOpened();

// Writes contents to a temporary file in path's folder and renames it over
// path, so that a failure (reported with a reason in error) never leaves a
// truncated file where a good one was.
bool ReplaceFile(const std::string& path, std::string_view contents, std::string* error);
}  // namespace plat
