// The character in a real scene and physics: rising and falling edges,
// turning and running, the speed limit, cross-fades and spline detail.
#include <gtest/gtest.h>

#include <cmath>

#include "Video/Effects/EffectParams.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "characters/ModelLimb.h"
#include "characters/Animation.h"
#include "characters/NPC.h"
#include "characters/SplineLimb.h"
#include "support/CharacterStage.h"

namespace {

// One character on the stage (video, physics, sound and a 50 fps timer).
class NPCTest : public ::testing::Test, protected CharacterStage {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartStage());
        ASSERT_NEAR(timer.Fps(), 50.0f, 3.0f);
        ASSERT_TRUE(npc.Init());
    }
    void TearDown() override { npc.Shutdown(); }
    Point& BodyPoint() { return *npc.body->GetPoint(0); }

    NPC npc;
};

float Angle(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    return 2.0f * std::acos(std::min(1.0f, std::fabs(D3DXQuaternionDot(&a, &b))));
}

}  // namespace

TEST_F(NPCTest, StartsAsAPlainWhiteSphereWithOnePhysicsPoint) {
    EXPECT_EQ(npc.kind, 3u);
    ASSERT_NE(npc.BodyObject(), nullptr);
    EXPECT_EQ(npc.BodyObject()->MaterialKind(), 10u);
    ASSERT_NE(npc.body, nullptr);
    EXPECT_EQ(npc.body->PointCount(), 1u);
    EXPECT_EQ(BodyPoint().owner, &npc);
    EXPECT_EQ(npc.face.bodyMatrix, npc.BodyObject()->WorldMatrix());
    EXPECT_FALSE(npc.Init());
}

TEST_F(NPCTest, StartingToRiseJumpsOncePushesAlongTheFacingAndPlaysASound) {
    Animation jump("jump", 2, 1.0f, false), fall("fall", 3, 1.0f, false);
    npc.actionAnimations[2] = &jump;
    npc.actionAnimations[3] = &fall;
    npc.reboundSounds = {0};
    npc.Update();  // settles the facing: (0, 0, -1)
    npc.runSpeed = 100.0f;
    npc.lastVerticalVelocity = -5.0f;
    BodyPoint().velocity = {0.0f, 3.0f, 0.0f};
    BodyPoint().force = {0.0f, 0.0f, 0.0f};
    ASSERT_TRUE(npc.Update());
    EXPECT_EQ(npc.pendingAnimation, &jump);
    EXPECT_EQ(npc.blendTime, 0.25f);
    EXPECT_NEAR(BodyPoint().force.z, -100.0f, 1e-4f);
    EXPECT_EQ(BodyPoint().force.x, 0.0f);
    EXPECT_EQ(BodyPoint().force.y, 0.0f);
    EXPECT_NEAR(npc.runSpeed, 100.0f - 60.0f * 0.02f, 1e-4f);
    // Still rising: no second jump and no second push.
    npc.Update();
    EXPECT_NEAR(BodyPoint().force.z, -100.0f, 1e-4f);

    // Rising to falling starts the fall; a still frame starts neither.
    BodyPoint().velocity.y = -1.0f;
    npc.Update();
    EXPECT_EQ(npc.pendingAnimation, &fall);
    EXPECT_EQ(npc.currentAnimation, &jump);  // the fade in progress finished at once
    BodyPoint().velocity.y = 0.0f;
    npc.Update();
    BodyPoint().velocity.y = 1.0f;
    npc.Update();
    EXPECT_EQ(npc.pendingAnimation, &fall);

    // Seven sounds are more than a character plays: none, and no crash.
    npc.reboundSounds.assign(7, 1);
    npc.PlayReboundSound();
}

TEST_F(NPCTest, ASteerOfLengthTwoTurnsInFourUpdatesAndSpeedsUp) {
    D3DXVECTOR2 steer(2.0f, 0.0f);  // toward +x, a quarter turn from +z
    npc.Move(&steer, false);
    EXPECT_EQ(steer, D3DXVECTOR2(1.0f, 0.0f));  // normalised in place
    EXPECT_NEAR(npc.turnRate, 0.25f * timer.Fps(), 1e-4f);
    EXPECT_EQ(npc.runSpeed, 10.0f);
    for (int i = 0; i < 3; ++i) npc.Update();
    EXPECT_GT(Angle(npc.BodyObject()->GetRotation(), npc.targetHeading), 0.1f);
    npc.Update();
    EXPECT_LT(Angle(npc.BodyObject()->GetRotation(), npc.targetHeading), 1e-3f);
    npc.Update();
    EXPECT_EQ(npc.turnRate, 0.0f);
    // Facing (0, 0, -1) turned a quarter about +Y.
    EXPECT_NEAR(std::fabs(npc.facing.x), 1.0f, 1e-4f);
    EXPECT_NEAR(npc.facing.z, 0.0f, 1e-4f);

    // A steer of length 1 turns nothing but is stored as the next start.
    D3DXVECTOR2 slow(0.0f, -1.0f);
    npc.Move(&slow, false);
    EXPECT_EQ(npc.turnRate, 0.0f);
    // No direction at all leaves everything as it was, without NaN.
    D3DXQUATERNION before = npc.targetHeading;
    D3DXVECTOR2 none(0.0f, 0.0f);
    npc.Move(&none, false);
    EXPECT_EQ(npc.targetHeading, before);
    npc.Update();
    EXPECT_FALSE(std::isnan(npc.facing.x));

    // Speed caps at 450 and decays at 60 a second.
    for (int i = 0; i < 100; ++i) {
        D3DXVECTOR2 fast(30.0f, 0.0f);
        npc.Move(&fast, false);
    }
    EXPECT_EQ(npc.runSpeed, 450.0f);
    npc.Update();
    EXPECT_NEAR(npc.runSpeed, 450.0f - 1.2f, 1e-3f);
}

TEST_F(NPCTest, TheSpeedLimitTakesTwoOffAbove150AndVelocityIsPublished) {
    BodyPoint().velocity = {150.0f, 0.0f, 0.0f};
    NPC::LimitSpeed(npc.body);
    EXPECT_EQ(BodyPoint().velocity.x, 150.0f);
    BodyPoint().velocity = {0.0f, 0.0f, 151.0f};
    NPC::LimitSpeed(npc.body);
    EXPECT_NEAR(BodyPoint().velocity.z, 149.0f, 1e-4f);

    BodyPoint().velocity = {0.0f, -4.0f, 3.0f};
    NPC::BodyRenderCallback(&npc);
    const float* published = EffectParams::GetVector(sem::Velocity);
    EXPECT_NEAR(published[1], -0.8f, 1e-6f);
    EXPECT_NEAR(published[3], 5.0f, 1e-6f);
    BodyPoint().velocity = {0.0f, 0.0f, 0.0f};
    NPC::BodyRenderCallback(&npc);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(EffectParams::GetVector(sem::Velocity)[i], 0.0f);
}

TEST_F(NPCTest, ANewFadePromotesThePendingAnimationAtItsOwnTime) {
    Animation idle("idle", 0, 2.0f, true), walk("walk", 1, 2.0f, true), hold("hold", 5, 2.0f, true);
    npc.actionAnimations[0] = &idle;
    npc.actionAnimations[1] = &walk;
    npc.actionAnimations[5] = &hold;
    npc.PlayAnimation(0, 0.1f, true);
    for (int i = 0; i < 10; ++i) npc.Update();  // the 0.1 s fade is over
    EXPECT_EQ(npc.currentAnimation, &idle);
    EXPECT_EQ(npc.pendingAnimation, nullptr);
    npc.PlayAnimation(1, 1.0f, true);
    for (int i = 0; i < 5; ++i) npc.Update();
    const float walkTime = npc.pendingTime;
    EXPECT_NEAR(walkTime, 0.1f, 1e-4f);
    npc.PlayAnimation(5, 1.0f, true);
    EXPECT_EQ(npc.currentAnimation, &walk);
    EXPECT_EQ(npc.currentTime, walkTime);
    EXPECT_EQ(npc.pendingAnimation, &hold);
    EXPECT_EQ(npc.pendingTime, 0.0f);
}

TEST_F(NPCTest, LimbsOnePerPlaceFollowTheBodyAndSplinesFollowTheDetailFactor) {
    Limb* arm = npc.AddLimb(Limb::kSpline, 0);
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(npc.AddLimb(Limb::kLine, 0), nullptr);
    EXPECT_EQ(npc.AddLimb(7, 1), nullptr);
    ASSERT_NE(npc.AddLimb(Limb::kModel, 4), nullptr);
    EXPECT_EQ(npc.CountLimbs(), 2u);
    EXPECT_EQ(npc.GetLimb(4)->kind, Limb::kModel);

    LimbControlPoint points[4];
    for (int i = 0; i < 4; ++i) points[i].position = points[i].restPosition = {float(i), 0.0f, 0.0f};
    arm->AddControlPoints(points, 4);
    auto* spline = static_cast<ObjectSpline*>(arm->GetRenderObject(0));
    npc.BodyObject()->SetFactor(1.0f);
    npc.Update();
    EXPECT_NEAR(spline->Step(), 1.0f / 24.0f, 1e-6f);
    npc.BodyObject()->SetFactor(1400.0f);
    npc.Update();
    EXPECT_NEAR(spline->Step(), 0.5f, 1e-6f);

    // A new body carries every limb and the eyes, and collides with its own
    // size, not the old body's.
    npc.BodyObject()->SetScale(3.0f, 3.0f, 3.0f);
    MeshObjectDesc other(0, "Body/egg.x", 14, SurfaceData(), 1);
    ASSERT_TRUE(npc.SetBody(&other));
    EXPECT_EQ(npc.GetScale(), 1.0f);
    D3DXMATRIX* world = npc.BodyObject()->WorldMatrix();
    EXPECT_EQ(spline->WorldMatrix(), world);
    EXPECT_EQ(static_cast<ModelLimb*>(npc.GetLimb(4))->BodyMatrix(), world);
    EXPECT_EQ(npc.face.bodyMatrix, world);

    npc.RemoveLimbByLoc(0);
    EXPECT_EQ(npc.GetLimb(0), nullptr);
    npc.RemoveLimb(npc.GetLimb(4));
    EXPECT_EQ(npc.CountLimbs(), 0u);

    // Without a body: no limbs, no update.
    EXPECT_FALSE(npc.SetBody(nullptr));
    EXPECT_EQ(npc.AddLimb(Limb::kLine, 2), nullptr);
    EXPECT_FALSE(npc.Update());
}

TEST_F(NPCTest, HidingTheCharacterHidesItsLimbsAndEyesAndCullingFollows) {
    Limb* leg = npc.AddLimb(Limb::kLine, limbloc::LLeg);
    npc.face.Init("Eyes/eyeBlue.tga", "", 22, nullptr);
    Object* line = leg->GetRenderObject(0);
    npc.Disable();
    EXPECT_FALSE(npc.BodyObject()->IsActive());
    EXPECT_FALSE(line->IsActive());
    EXPECT_FALSE(npc.face.eyes[0].object->IsActive());
    EXPECT_FALSE(npc.Update());
    npc.Enable();
    EXPECT_TRUE(line->IsActive());
    EXPECT_TRUE(npc.face.eyes[1].object->IsActive());

    // Out of view the limbs go; back in view they come back.
    npc.BodyObject()->SetCulled(true);
    npc.Update();
    EXPECT_FALSE(line->IsActive());
    npc.BodyObject()->SetCulled(false);
    npc.Update();
    EXPECT_TRUE(line->IsActive());
}
