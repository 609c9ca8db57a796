#pragma once
// The files the repository ships: those git tracks. The editors save an
// author's characters, animations and surfaces into Assets/ beside the
// shipped ones; those are not the game's data, and no test sees them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

// The shipped files under folder (relative to the repository root), as full
// paths in git's order. Outside a git checkout (a copy of the sources) every
// file there counts as shipped.
inline std::vector<std::filesystem::path> ShippedFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path root = ScopedTempDir::RepositoryRoot();
    auto quoted = [](const std::string& text) {
        std::string out = "'";
        for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::vector<fs::path> files;
    const std::string command =
        "git -C " + quoted(root.string()) + " ls-files -z -- " + quoted(folder) + " 2>/dev/null";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::string listing;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) listing.append(buffer, n);
        if (::pclose(pipe) == 0) {
            for (std::size_t at = 0, end; (end = listing.find('\0', at)) != std::string::npos; at = end + 1)
                files.push_back(root / listing.substr(at, end - at));
            return files;
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(root / folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

// Those of them whose extension is extension.
inline std::vector<std::filesystem::path> ShippedFiles(const std::string& folder, const std::string& extension) {
    std::vector<std::filesystem::path> files = ShippedFiles(folder);
    std::erase_if(files, [&](const std::filesystem::path& path) { return path.extension() != extension; });
    return files;
}

// What the game reads from its working directory, laid out in dir as
// `make run` sees it from the repository root: the assets, and the effect
// sources that the procedural textures (the noise and Fresnel lookups) are
// compiled from at load time. The folders the editors save into hold copies
// of the shipped files alone, so that an author's work saved there changes
// no test, and a test's editor saves into its own folder. The rest are links.
inline void LayOutGameFiles(const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    const fs::path root = ScopedTempDir::RepositoryRoot();
    fs::create_directory_symlink(root / "SourceCode", dir / "SourceCode");
    fs::create_directory(dir / "Assets");
    const std::vector<std::string> editorFolders = {"Characters", "Animations", "Surfaces"};
    for (const auto& entry : fs::directory_iterator(root / "Assets")) {
        const std::string folder = entry.path().filename().string();
        if (std::find(editorFolders.begin(), editorFolders.end(), folder) != editorFolders.end()) {
            fs::create_directory(dir / "Assets" / folder);
            for (const fs::path& file : ShippedFiles("Assets/" + folder)) {
                const fs::path target = dir / fs::relative(file, root);
                fs::create_directories(target.parent_path());
                fs::copy_file(file, target);
            }
        } else {
            fs::create_directory_symlink(entry.path(), dir / "Assets" / folder);
        }
    }
}
