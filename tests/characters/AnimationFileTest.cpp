// Animation files: reading, writing, cleaning, and "AnimationMan"'s loading
// with its fallback folder and its cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/AnimationMan.h"
#include "support/TempDir.h"

namespace {

constexpr char kHeader[] = "xof 0303txt 0032\n";

void WriteText(const std::filesystem::path& path, const std::string& text) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Reads a file body against the animation templates.
Animation Read(const std::string& body) {
    WriteText("read.ani", kHeader + body);
    Animation a;
    AnimationFile file(&a);
    EXPECT_TRUE(file.Load("read.ani", nullptr));
    return a;
}

Animation ThreeFrames() {
    Animation a("bounce", 2, 1.5f, true);
    AnimationFrame* f0 = a.AddFrame(0.0f);
    f0->bodyOffset = D3DXVECTOR3(0, -0.25f, 0);
    AnimationLimb* arm = f0->AddLimb(1);
    arm->AddControlPoint(1)->pos = {0.1f, 0.2f, 0.3f};
    arm->AddControlPoint(3)->pos = {-1, 0, 0.5f};
    f0->AddLimb(4)->AddControlPoint(2)->pos = {0, 0.75f, 0};
    a.AddFrame(0.5f)->AddLimb(0)->AddControlPoint(9)->pos = {1e-7f, 3, 0};
    a.AddFrame(1.25f)->bodyOffset = D3DXVECTOR3(0.5f, 0, 0);
    return a;
}

void ExpectSame(const Animation& x, const Animation& y) {
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.aniType, y.aniType);
    EXPECT_EQ(x.aniLength, y.aniLength);
    EXPECT_EQ(x.loop, y.loop);
    ASSERT_EQ(x.frames.size(), y.frames.size());
    for (auto fx = x.frames.begin(), fy = y.frames.begin(); fx != x.frames.end(); ++fx, ++fy) {
        EXPECT_EQ(fx->time, fy->time);
        EXPECT_EQ(fx->bodyOffset, fy->bodyOffset);
        ASSERT_EQ(fx->limbs.size(), fy->limbs.size());
        for (auto lx = fx->limbs.begin(), ly = fy->limbs.begin(); lx != fx->limbs.end(); ++lx, ++ly) {
            EXPECT_EQ(lx->loc, ly->loc);
            ASSERT_EQ(lx->controlPoints.size(), ly->controlPoints.size());
            for (auto px = lx->controlPoints.begin(), py = ly->controlPoints.begin(); px != lx->controlPoints.end();
                 ++px, ++py) {
                EXPECT_EQ(px->index, py->index);
                EXPECT_EQ(px->pos, py->pos);
            }
        }
    }
}

class AnimationFileTest : public ::testing::Test {
protected:
    ScopedTempDir dir;
};

}  // namespace

TEST_F(AnimationFileTest, ThreeFramesRoundTripExactlyAndRewriteIdentically) {
    Animation original = ThreeFrames();
    ASSERT_TRUE(AnimationFile(&original).Save("bounce.ani", nullptr));
    Animation read;
    ASSERT_TRUE(AnimationFile(&read).Load("bounce.ani", nullptr));
    ExpectSame(read, original);
    ASSERT_TRUE(AnimationFile(&read).Save("again.ani", nullptr));
    EXPECT_EQ(ReadText("again.ani"), ReadText("bounce.ani"));
}

TEST_F(AnimationFileTest, ReadingDropsWhatTheAnimationRefuses) {
    Animation a = Read(
        "_Animation hop { 3; 2.0; 1;\n"
        " _AnimationFrame { 0.0; _AnimationLimb { 2; _AnimationControlPoint { 1; 1.0; 2.0; 3.0; }"
        "                                          _AnimationControlPoint { 1; 9.0; 9.0; 9.0; } } }\n"
        " _AnimationFrame { 0.03; _AnimationBody { 1.0; 1.0; 1.0; } }\n"   // too close to 0.0
        " _AnimationFrame { 3.0; }\n"                                      // past the length
        " _AnimationFrame { 1.0; _AnimationLimb { 2; } _AnimationLimb { 2; _AnimationControlPoint { 4; 1.0; 0.0; 0.0; } } }\n"
        "}\n"
        "_AnimationFrame { 0.5; }\n"                                       // no animation around it
        "_AnimationControlPoint { 7; 0.0; 0.0; 0.0; }\n");
    EXPECT_EQ(a.name, "hop");
    EXPECT_EQ(a.aniType, 3u);
    EXPECT_EQ(a.loop, 1);
    ASSERT_EQ(a.frames.size(), 2u);
    EXPECT_EQ(a.GetFrame(1)->time, 1.0f);
    EXPECT_FALSE(a.GetFrame(0)->bodyOffset);
    const AnimationLimb& first = a.GetFrame(0)->limbs.front();
    ASSERT_EQ(first.controlPoints.size(), 1u);
    EXPECT_EQ(first.controlPoints.front().pos, D3DXVECTOR3(1, 2, 3));
    // The second limb of loc 2 is refused, with its key.
    ASSERT_EQ(a.GetFrame(1)->limbs.size(), 1u);
    EXPECT_TRUE(a.GetFrame(1)->limbs.front().controlPoints.empty());
}

TEST_F(AnimationFileTest, SavingDropsKeysOfPointZero) {
    Animation a("zero", 0, 1.0f, false);
    AnimationLimb* limb = a.AddFrame(0.0f)->AddLimb(0);
    limb->AddControlPoint(0)->pos = {1, 1, 1};
    limb->AddControlPoint(1)->pos = {2, 2, 2};
    ASSERT_TRUE(AnimationFile(&a).Save("zero.ani", nullptr));
    Animation read;
    AnimationFile(&read).Load("zero.ani", nullptr);
    ASSERT_EQ(read.GetFrame(0)->limbs.front().controlPoints.size(), 1u);
    EXPECT_EQ(read.GetFrame(0)->limbs.front().controlPoints.front().index, 1);
}

TEST_F(AnimationFileTest, CleaningDropsOnlyWhatNoPoseReads) {
    Animation a("clean", 0, 2.0f, false);
    AnimationFrame* f = a.AddFrame(0.0f);
    f->bodyOffset = D3DXVECTOR3(0.0005f, 0, 0);
    AnimationLimb* shifted = f->AddLimb(0);
    for (std::uint16_t i = 1; i <= 3; ++i) shifted->AddControlPoint(i)->pos = {0, 0.5f, 0};
    AnimationLimb* still = f->AddLimb(1);
    still->AddControlPoint(0)->pos = {1, 0, 0};
    still->AddControlPoint(2)->pos = {0.0009f, -0.0009f, 0};
    AnimationFrame* g = a.AddFrame(1.0f);
    g->bodyOffset = D3DXVECTOR3(0.002f, 0, 0);

    auto cleaned = AnimationFile::Cleaned(a);
    EXPECT_FALSE(cleaned->GetFrame(0)->bodyOffset);
    EXPECT_TRUE(cleaned->GetFrame(1)->bodyOffset);
    ASSERT_EQ(cleaned->GetFrame(0)->limbs.size(), 2u);
    EXPECT_EQ(cleaned->GetFrame(0)->limbs.front().controlPoints.size(), 3u);
    EXPECT_EQ(cleaned->GetFrame(0)->limbs.back().controlPoints.size(), 1u);  // point 0's key is gone
    // The animation itself is untouched; a cleaning writer writes the copy.
    EXPECT_EQ(a.GetFrame(0)->limbs.back().controlPoints.size(), 2u);
    ASSERT_TRUE(AnimationFile(&a, true).Save("clean.ani", nullptr));
    Animation read;
    AnimationFile(&read).Load("clean.ani", nullptr);
    ExpectSame(read, *cleaned);
}

TEST_F(AnimationFileTest, NamesThatCannotBeWrittenAreRefused) {
    WriteText("named.ani", "old");
    Animation a("two words", 0, 1.0f, false);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(AnimationFile(&a).Save("named.ani", nullptr));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error:"), std::string::npos);
    EXPECT_EQ(ReadText("named.ani"), "old");
}

TEST_F(AnimationFileTest, ManagerFallsBackToDefaultAndLoadsEachRequestOnce) {
    const std::string folder = dir.Path().string() + "/Assets/Animations/";
    WriteText(folder + "Hopper/jump.ani", std::string(kHeader) + "_Animation jump { 2; 1.0; 0; }\n");
    WriteText(folder + "Default/fall.ani", std::string(kHeader) + "_Animation fall { 3; 1.0; 0; }\n");
    WriteText(folder + "Default/lonely.ani", std::string(kHeader) + "_Animation lonely { 0; 1.0; 0; }\n");
    AnimationMan man;
    ASSERT_TRUE(man.Init());

    Animation* jump = man.LoadActionAnimation("Hopper", 2);
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(jump->aniType, 2u);
    Animation* fall = man.LoadActionAnimation("Hopper", 3);
    ASSERT_NE(fall, nullptr);
    EXPECT_EQ(fall->name, "fall");
    EXPECT_EQ(man.LoadActionAnimation("Hopper", 4), nullptr);  // no collide.ani anywhere
    EXPECT_EQ(man.Children().size(), 2u);                       // the failure kept nothing

    // A character created again finds its animations without reading files.
    std::filesystem::remove_all(folder);
    EXPECT_EQ(man.LoadActionAnimation("Hopper", 2), jump);
    EXPECT_EQ(man.LoadActionAnimation("Hopper", 3), fall);
    // The name a file stores finds its animation too.
    EXPECT_EQ(man.GetAnimation("jump"), jump);
    EXPECT_EQ(man.Children().size(), 2u);
    man.Shutdown();
}

TEST_F(AnimationFileTest, ManagerFallsBackWithTheWholeNameWithoutASlash) {
    const std::string folder = dir.Path().string() + "/Assets/Animations/";
    WriteText(folder + "Default/lonely.ani", std::string(kHeader) + "_Animation lonely { 0; 1.0; 0; }\n");
    AnimationMan man;
    ASSERT_TRUE(man.Init());
    EXPECT_NE(man.LoadAnimation("lonely.ani"), nullptr);
    man.Shutdown();
}
