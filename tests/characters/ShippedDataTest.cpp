// Every shipped animation and surface file reads without a single error
// line, and holds what the game relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/NameTables.h"
#include "characters/SurfaceFile.h"
#include "support/TempDir.h"

namespace {

std::vector<std::filesystem::path> FilesUnder(const std::string& folder, const std::string& extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ScopedTempDir::RepositoryRoot() / folder))
        if (entry.is_regular_file() && entry.path().extension() == extension) files.push_back(entry.path());
    return files;
}

}  // namespace

TEST(ShippedData, EveryAnimationReadsCleanlyWithFramesForItsAction) {
    auto files = FilesUnder("Assets/Animations", ".ani");
    ASSERT_GE(files.size(), 16u);
    for (const auto& path : files) {
        Animation animation;
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(AnimationFile(&animation).Load(path.string(), nullptr)) << path;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << path;
        EXPECT_GE(animation.frames.size(), 2u) << path;
        // The file is named after its action, which its type says too.
        const std::string file = "/" + path.filename().string();
        EXPECT_STREQ(ActionFileName(animation.aniType), file.c_str()) << path;
    }
    // Every action has a default.
    for (std::uint32_t action = 0; action < action::Count; ++action)
        EXPECT_TRUE(std::filesystem::exists(ScopedTempDir::RepositoryRoot() / "Assets/Animations/Default" /
                                            (std::string(ActionFileName(action)).substr(1))));
}

TEST(ShippedData, EverySurfaceReadsCleanlyWithVariantsAndSounds) {
    auto files = FilesUnder("Assets/Surfaces", ".sur");
    ASSERT_GE(files.size(), 5u);
    for (const auto& path : files) {
        std::vector<std::uint32_t> sounds;
        SurfaceFile file;
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(file.Load(path.string(), &sounds)) << path;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << path;
        EXPECT_GE(sounds.size(), 1u) << path;
        EXPECT_LE(sounds.size(), 6u) << path;  // a character plays at most six
        EXPECT_NE(file.surface.pow, SurfaceData().pow) << path << " kept the default surface";
    }
}
