// The game's files as every test lays them out, in C++ and in the scripts
// (tests/scripts/common.sh): a repository where an author has saved a
// character, an animation and a surface beside the shipped files, and the
// tests must see the shipped ones alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/ShippedFiles.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// TOLLYMOP_ROOT pointed at another folder while it lives.
class RootedAt {
public:
    explicit RootedAt(const fs::path& root) {
        if (const char* old = std::getenv("TOLLYMOP_ROOT")) previous = old;
        setenv("TOLLYMOP_ROOT", root.c_str(), 1);
    }
    ~RootedAt() {
        if (previous)
            setenv("TOLLYMOP_ROOT", previous->c_str(), 1);
        else
            unsetenv("TOLLYMOP_ROOT");
    }
    RootedAt(const RootedAt&) = delete;
    RootedAt& operator=(const RootedAt&) = delete;

private:
    std::optional<std::string> previous;
};

void Write(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << path.filename().string();
}

class GameFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path root = scratch.Path() / "repository";
        fs::create_directories(root / "SourceCode");
        for (const char* shipped : {"Assets/Characters/Seed.x", "Assets/Animations/Default/walk.ani",
                                    "Assets/Surfaces/Seed.sur", "Assets/Models/plane.x"})
            Write(root / shipped);
        const std::string git = "git -C '" + root.string() + "' ";
        ASSERT_EQ(std::system((git + "init -q && " + git + "add Assets").c_str()), 0);
        for (const char* saved : {"Assets/Characters/Blob.x", "Assets/Animations/Tempy/walk.ani",
                                  "Assets/Animations/Seed/walk.ani", "Assets/Surfaces/Blob.sur"})
            Write(root / saved);
        rooted.emplace(root);
    }
    // What a test's game finds in its folder: the shipped files, and none
    // of the author's.
    static void ExpectShippedAlone(const fs::path& game) {
        for (const char* shipped : {"Assets/Characters/Seed.x", "Assets/Animations/Default/walk.ani",
                                    "Assets/Surfaces/Seed.sur", "Assets/Models/plane.x", "SourceCode"})
            EXPECT_TRUE(fs::exists(game / shipped)) << shipped;
        for (const char* saved : {"Assets/Characters/Blob.x", "Assets/Animations/Tempy", "Assets/Animations/Seed",
                                  "Assets/Surfaces/Blob.sur"})
            EXPECT_FALSE(fs::exists(game / saved)) << saved;
    }

    const fs::path common = ScopedTempDir::RepositoryRoot() / "tests/scripts/common.sh";
    ScopedTempDir scratch;
    std::optional<RootedAt> rooted;
};

TEST_F(GameFiles, TheTestsAndTheirScriptsSeeTheShippedFilesAloneAndNoneThatAnAuthorSaved) {
    const fs::path game = scratch.Path() / "game";
    fs::create_directory(game);
    LayOutGameFiles(game);
    ExpectShippedAlone(game);

    const fs::path scripted = scratch.Path() / "scripted";
    fs::create_directory(scripted);
    const std::string layOut =
        "bash -c '. \"" + common.string() + "\" && lay_out_game_files \"" + scripted.string() + "\"'";
    ASSERT_EQ(std::system(layOut.c_str()), 0);
    ExpectShippedAlone(scripted);
}

}  // namespace
