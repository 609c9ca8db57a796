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

    // Copies one file of the repository's Assets folder (a path below it,
    // such as "Models/plane.x") into the temp directory's own Assets, for
    // tests that lay out only some assets: every video system loads the
    // scene's shadow plane "Models/plane.x".
    void CopyAsset(const std::string& relative) const {
        const std::filesystem::path target = path / "Assets" / relative;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(RepositoryRoot() / "Assets" / relative, target,
                                   std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::filesystem::path previous;
    std::filesystem::path path;
};
