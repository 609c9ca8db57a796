// Every shipped animation and surface file reads without a single error
// line, and holds what the game relies on; every shipped character keeps its
// model limbs joined in every pose.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/Limb.h"
#include "characters/NPC.h"
#include "characters/NameTables.h"
#include "characters/SurfaceFile.h"
#include "support/CharacterStage.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"

TEST(ShippedData, EveryAnimationReadsCleanlyWithFramesForItsAction) {
    auto files = ShippedFiles("Assets/Animations", ".ani");
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
    auto files = ShippedFiles("Assets/Surfaces", ".sur");
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

namespace {

// The widest gap, over the character's model limbs, between a model's far
// end and the next point's model (a model is one unit long at scale 1 and
// reaches from its point toward the next).
float WidestJointGap(NPC& npc) {
    float widest = 0.0f;
    for (std::uint32_t location = 0; location < Animation::kLimbLocations; ++location) {
        Limb* limb = npc.GetLimb(location);
        if (!limb || limb->kind != Limb::kModel) continue;
        for (std::uint32_t i = 0; limb->GetControlPoint(i + 1); ++i) {
            const LimbControlPoint* from = limb->GetControlPoint(i);
            const LimbControlPoint* to = limb->GetControlPoint(i + 1);
            if (!from->model || !to->model) continue;
            const D3DXVECTOR3 segment = to->GetPosition() - from->GetPosition();
            widest = std::max(widest, D3DXVec3Length(&segment) - from->model->GetScale().y);
        }
    }
    return widest;
}

}  // namespace

// Model limbs are rigid: an animation that moves a point further from the one
// before than that point's model reaches leaves the next model (a hand)
// floating loose. At rest and in every frame of every action the character
// plays, the models must stay joined.
TEST(ShippedData, EveryPoseKeepsModelLimbsJoined) {
    CharacterStage stage;
    ASSERT_TRUE(stage.StartStage());
    const std::filesystem::path root = ScopedTempDir::RepositoryRoot();
    const std::vector<std::filesystem::path> animations = ShippedFiles("Assets/Animations", ".ani");
    auto shipped = [&](const std::filesystem::path& path) {
        return std::find(animations.begin(), animations.end(), path) != animations.end();
    };
    for (const auto& file : ShippedFiles("Assets/Characters", ".x")) {
        const std::string name = file.stem().string();
        NPC npc;
        ASSERT_TRUE(npc.Init());
        ASSERT_TRUE(npc.LoadCharacter(name.c_str())) << name;
        EXPECT_LT(WidestJointGap(npc), 0.01f) << name << " at rest";
        for (std::uint32_t action = 0; action < action::Count; ++action) {
            std::filesystem::path path = root / "Assets/Animations" / name / &ActionFileName(action)[1];
            if (!shipped(path)) path = root / "Assets/Animations/Default" / &ActionFileName(action)[1];
            Animation animation;
            ASSERT_TRUE(AnimationFile(&animation).Load(path.string(), nullptr)) << path;
            for (const auto& frame : animation.frames) {
                animation.Apply(&npc, frame.time, -1.0f);
                EXPECT_LT(WidestJointGap(npc), 0.01f) << name << " " << path.filename() << " at " << frame.time;
            }
        }
        npc.Shutdown();
    }
}
