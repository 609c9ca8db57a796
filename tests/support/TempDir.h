#pragma once
// A fresh working directory for one test: created under the system's temp
// folder, made current, and removed (with the old directory restored) at the
// end, so that files the engine writes (settings.txt, err.txt) never land in
// the repository or collide between tests.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

class ScopedTempDir {
public:
    ScopedTempDir() : previous(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "tollymop-XXXXXX").string();
        // Without a folder of its own the test fails here: the destructor
        // must never remove a folder it did not make.
        if (!::mkdtemp(pattern.data()))
            throw std::filesystem::filesystem_error("cannot make a temporary folder", pattern,
                                                    std::error_code(errno, std::generic_category()));
        path = pattern;
        std::filesystem::current_path(path);
    }
    ~ScopedTempDir() {
        std::error_code ec;
        std::filesystem::current_path(previous, ec);
        std::filesystem::remove_all(path, ec);
    }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // The repository root (assets live under it), from the test environment.
    static std::filesystem::path RepositoryRoot() {
        const char* root = std::getenv("TOLLYMOP_ROOT");
        return root ? std::filesystem::path(root) : std::filesystem::current_path();
    }

    // Makes the repository's Assets folder visible from the temp directory.
    void LinkAssets() const {
        std::error_code ec;
        std::filesystem::create_directory_symlink(RepositoryRoot() / "Assets", path / "Assets", ec);
    }

private:
    std::filesystem::path previous;
    std::filesystem::path path;
};
