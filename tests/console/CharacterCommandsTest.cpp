// What the character commands do to a character in a real scene.
#include <gtest/gtest.h>

#include <cmath>

#include "Video/ObjectMesh.h"
#include "characters/ModelLimb.h"
#include "characters/NPC.h"
#include "characters/NameTables.h"
#include "console/CharacterCommands.h"
#include "support/TestVideo.h"
#include "world/Physics.h"

namespace {

class CharacterCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        ASSERT_TRUE(physics.Init());
        ASSERT_TRUE(npc.Init());
    }
    void TearDown() override {
        npc.Shutdown();
        physics.Shutdown();
    }
    // A model limb at location with two points, each with a model.
    ModelLimb* AddModelLimb(std::uint32_t location) {
        auto* limb = static_cast<ModelLimb*>(npc.AddLimb(Limb::kModel, location));
        LimbControlPoint points[2];
        points[1].position = points[1].restPosition = {0.0f, -1.0f, 0.0f};
        limb->AddControlPoints(points, 2);
        MeshObjectDesc model(0, "Limb/playerLimb.x", 14, SurfaceData(), 0);
        limb->AddModel(0, &model);
        limb->AddModel(1, &model);
        return limb;
    }

    TestVideo video;
    Physics physics;
    NPC npc;
};

TEST_F(CharacterCommandsTest, MaterialReachesTheBodyAndWithTheFlagEveryModelLimb) {
    ModelLimb* arm = AddModelLimb(1);
    const std::uint32_t modelKind = arm->GetRenderObject(0)->MaterialKind();
    const std::uint32_t kind = MaterialKindFromName("wood");
    ASSERT_NE(kind, npc.BodyObject()->MaterialKind());

    ASSERT_TRUE(SetCharacterMaterial(npc, kind, 0, false));
    EXPECT_EQ(npc.BodyObject()->MaterialKind(), kind);
    EXPECT_EQ(arm->GetRenderObject(0)->MaterialKind(), modelKind) << "limbs left alone";

    ASSERT_TRUE(SetCharacterMaterial(npc, kind, 0, true));
    EXPECT_EQ(arm->GetRenderObject(0)->MaterialKind(), kind);
    EXPECT_EQ(arm->GetRenderObject(1)->MaterialKind(), kind);
}

TEST_F(CharacterCommandsTest, SilhouetteWidthKeepsItsInverseFinite) {
    npc.BodyObject()->customData[2] = 7.0f;
    ASSERT_TRUE(SetSilhouetteWidth(npc, 0.25f));
    EXPECT_EQ(npc.BodyObject()->customData[0], 0.25f);
    EXPECT_EQ(npc.BodyObject()->customData[1], 4.0f);
    EXPECT_EQ(npc.BodyObject()->customData[2], 7.0f);
    ASSERT_TRUE(SetSilhouetteWidth(npc, 0.0f));
    EXPECT_TRUE(std::isfinite(npc.BodyObject()->customData[1]));

    npc.SetBody(nullptr);
    EXPECT_FALSE(SetSilhouetteWidth(npc, 0.5f));
    EXPECT_FALSE(SetCharacterMaterial(npc, 9, 0, true));
}

}  // namespace
