// Surface files: a variant chosen with the engine's generator, the rebound
// sounds, and the defaults when there is nothing to read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "characters/SurfaceFile.h"
#include "core/Random.h"
#include "support/TempDir.h"

namespace {

constexpr char kThreeVariants[] = R"(xof 0303txt 0032
RandomSurfaceData {
 3;
 0.1; 0.0; 0.0; 1.0;; 1.0; 1.0; 1.0; 1.0;; 5; 0.3; 0.02; 1.0;,
 0.2; 0.0; 0.0; 1.0;; 1.0; 1.0; 1.0; 1.0;; 6; 0.3; 0.02; 1.0;,
 0.3; 0.0; 0.0; 1.0;; 1.0; 1.0; 1.0; 1.0;; 7; 0.3; 0.02; 1.0;;
}
RandomSoundData { 3; 5, 31, 29; }
)";

class SurfaceFileTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(dir.Path() / "Assets" / "Surfaces");
        std::ofstream(dir.Path() / "Assets" / "Surfaces" / name, std::ios::binary) << text;
    }
    ScopedTempDir dir;
};

void ExpectDefaults(const SurfaceData& s) {
    EXPECT_EQ(s.diff[0], 1.0f);
    EXPECT_EQ(s.spec[3], 1.0f);
    EXPECT_EQ(s.pow, 10u);
    EXPECT_EQ(s.m, 0.5f);
    EXPECT_EQ(s.n, 0.01f);
    EXPECT_EQ(s.str, 1.5f);
}

}  // namespace

TEST_F(SurfaceFileTest, EachVariantIsChosenAnewAndSoundsStayInTheTable) {
    Write("Three.sur", kThreeVariants);
    Random::Seed(7);
    std::set<std::uint32_t> powers;
    for (int i = 0; i < 40; ++i) {
        SurfaceData s;
        LoadSurface(&s, "Three.sur");
        powers.insert(s.pow);
        EXPECT_EQ(s.diff[0], 0.1f * float(s.pow - 4)) << s.pow;
        EXPECT_EQ(s.m, 0.3f);
    }
    EXPECT_EQ(powers, (std::set<std::uint32_t>{5, 6, 7}));

    std::vector<std::uint32_t> sounds;
    EXPECT_EQ(LoadSurfaceSounds("Three.sur", &sounds), 3u);
    EXPECT_EQ(sounds, (std::vector<std::uint32_t>{5, 0, 29}));
}

TEST_F(SurfaceFileTest, NothingToReadGivesTheDefaultsAndNoSounds) {
    // No file at all is how a character saved under a new name stands: quiet.
    SurfaceData s;
    s.pow = 99;
    ::testing::internal::CaptureStderr();
    LoadSurface(&s, "Missing.sur");
    ExpectDefaults(s);
    std::vector<std::uint32_t> sounds = {4};
    EXPECT_EQ(LoadSurfaceSounds("Missing.sur", &sounds), 0u);
    EXPECT_EQ(sounds, (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    Write("Empty.sur", "xof 0303txt 0032\nRandomSurfaceData { 0; ; }\n");
    LoadSurface(&s, "Empty.sur");
    ExpectDefaults(s);
    EXPECT_EQ(LoadSurfaceSounds("Empty.sur", &sounds), 0u);

    // A count the data does not hold is a fault: the object is not read.
    Write("Short.sur", "xof 0303txt 0032\nRandomSoundData { 4000000000; 1, 2; }\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadSurfaceSounds("Short.sur", &sounds), 0u);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error: "), std::string::npos);
}

// Only a file that is not there passes in silence: a link that leads to
// itself gives the defaults too, but says so.
TEST_F(SurfaceFileTest, ALoopOfLinksIsNamedNotTakenForMissing) {
    std::filesystem::create_directories(dir.Path() / "Assets" / "Surfaces");
    std::filesystem::create_symlink("Player.sur", dir.Path() / "Assets" / "Surfaces" / "Player.sur");
    SurfaceData s;
    s.pow = 99;
    ::testing::internal::CaptureStderr();
    LoadSurface(&s, "Player.sur");
    const std::string said = ::testing::internal::GetCapturedStderr();
    ExpectDefaults(s);
    EXPECT_NE(said.find("Assets/Surfaces/Player.sur: cannot be read (Too many levels of symbolic links)"),
              std::string::npos)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}
