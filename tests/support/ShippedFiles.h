#pragma once
// The files the repository ships under one of its folders: those git tracks.
// The editors save an author's characters, animations and surfaces into
// Assets/ beside the shipped ones; those are not the game's data.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

// The shipped files under folder (relative to the repository root) whose
// extension is extension, as full paths in git's order. Outside a git
// checkout (a copy of the sources) every file there counts as shipped.
inline std::vector<std::filesystem::path> ShippedFiles(const std::string& folder, const std::string& extension) {
    namespace fs = std::filesystem;
    const fs::path root = ScopedTempDir::RepositoryRoot();
    auto quoted = [](const std::string& text) {
        std::string out = "'";
        for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::vector<fs::path> files;
    auto keep = [&](const fs::path& path) {
        if (path.extension() == extension) files.push_back(path);
    };
    const std::string command =
        "git -C " + quoted(root.string()) + " ls-files -z -- " + quoted(folder) + " 2>/dev/null";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::string listing;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) listing.append(buffer, n);
        if (::pclose(pipe) == 0) {
            for (std::size_t at = 0, end; (end = listing.find('\0', at)) != std::string::npos; at = end + 1)
                keep(root / listing.substr(at, end - at));
            return files;
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(root / folder))
        if (entry.is_regular_file()) keep(entry.path());
    return files;
}
