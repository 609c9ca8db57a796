// Frames, frame lookup and interpolation, and the three ways a pose is
// applied to a limb's control points.
#include <gtest/gtest.h>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/Limb.h"

namespace {

// A limb that draws nothing and counts its rebuilds.
class CountingLimb : public Limb {
public:
    int rebuilds = 0;
    bool Init(void*, void*) override {
        name = names::Limb;
        initialized = true;
        return true;
    }
    void Rebuild() override { ++rebuilds; }
    void ToggleEnabled() override {}
    Object* GetRenderObject(std::uint32_t) override { return nullptr; }
    void SetBodyMatrix(D3DXMATRIX*) override {}
};

LimbControlPoint Rest(float x, float y, float z) {
    LimbControlPoint p;
    p.position = p.restPosition = {x, y, z};
    return p;
}

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

// Two frames at 0 and 1 moving point 1 of the left arm from +x 1 to +y 2.
Animation TwoKeys(bool loop, float length) {
    Animation a("swing", 1, length, loop);
    a.AddFrame(0.0f)->AddLimb(0)->AddControlPoint(1)->pos = {1, 0, 0};
    a.AddFrame(1.0f)->AddLimb(0)->AddControlPoint(1)->pos = {0, 2, 0};
    return a;
}

}  // namespace

TEST(Animation, FramesKeepTimeOrderAndTheirDistance) {
    Animation a("", 0, 3.0f, false);
    ASSERT_NE(a.AddFrame(2.0f), nullptr);
    ASSERT_NE(a.AddFrame(1.04f), nullptr);
    EXPECT_EQ(a.AddFrame(1.0f), nullptr);  // within 0.05 of 1.04
    ASSERT_NE(a.AddFrame(0.5f), nullptr);
    Animation b("", 0, 3.0f, false);
    b.AddFrame(1.05f);
    EXPECT_NE(b.AddFrame(1.0f), nullptr);
    EXPECT_EQ(a.AddFrame(3.5f), nullptr);  // past the length
    std::vector<float> times;
    for (const AnimationFrame& f : a.frames) times.push_back(f.time);
    EXPECT_EQ(times, (std::vector<float>{0.5f, 1.04f, 2.0f}));
    EXPECT_EQ(a.FindFrame(1.08f), a.GetFrame(1));
    EXPECT_EQ(a.FindFrameAtOrAfter(1.5f), a.GetFrame(2));
    EXPECT_EQ(a.FindFrameAtOrAfter(2.5f), a.GetFrame(0));
    EXPECT_FLOAT_EQ(a.SetLength(1.0f), 2.0f);  // never before the last frame
    EXPECT_TRUE(a.RemoveFrame(2.03f));
    EXPECT_FALSE(a.RemoveFrame(2.0f));
    EXPECT_EQ(a.frames.size(), 2u);
    EXPECT_EQ(a.GetFrame(2), nullptr);
}

TEST(Animation, CopiesAreDeep) {
    Animation a = TwoKeys(true, 2.0f);
    a.GetFrame(0)->bodyOffset = D3DXVECTOR3(0, 1, 0);
    Animation copy(a);
    a.GetFrame(0)->limbs.front().controlPoints.front().pos = {9, 9, 9};
    a.GetFrame(0)->bodyOffset->y = 5;
    EXPECT_EQ(copy.GetFrame(0)->limbs.front().controlPoints.front().pos, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(copy.GetFrame(0)->bodyOffset->y, 1.0f);
    EXPECT_EQ(copy.name, "swing");
    EXPECT_EQ(copy.loop, 1);
}

TEST(Animation, FramesAroundATimeWrapWhenLooping) {
    Animation looping = TwoKeys(true, 2.0f);
    auto p = looping.FindFrames(1.5f);
    EXPECT_EQ(p.a, looping.GetFrame(1));
    EXPECT_EQ(p.b, looping.GetFrame(0));
    EXPECT_FLOAT_EQ(p.factor, 0.5f);

    Animation once = TwoKeys(false, 2.0f);
    p = once.FindFrames(1.5f);  // past the last frame: it holds
    EXPECT_EQ(p.a, once.GetFrame(1));
    EXPECT_EQ(p.b, once.GetFrame(1));
    EXPECT_FLOAT_EQ(p.factor, 0.0f);
    p = once.FindFrames(0.25f);
    EXPECT_EQ(p.a, once.GetFrame(0));
    EXPECT_EQ(p.b, once.GetFrame(1));
    EXPECT_FLOAT_EQ(p.factor, 0.25f);

    Animation late("", 0, 2.0f, false);
    late.AddFrame(1.0f);
    p = late.FindFrames(0.5f);  // before the first frame
    EXPECT_EQ(p.a, late.GetFrame(0));
    EXPECT_EQ(p.b, late.GetFrame(0));

    Animation empty;
    EXPECT_EQ(empty.FindFrames(0.0f).a, nullptr);
    Limb* none[Animation::kLimbLocations] = {};
    EXPECT_FALSE(empty.ApplyToLimbs(none, 0.0f, -1.0f));
}

TEST(Animation, ApplyPosesPointsInTheThreeBlendModes) {
    Animation a = TwoKeys(false, 2.0f);
    CountingLimb arm;
    arm.Init(nullptr, nullptr);
    LimbControlPoint points[] = {Rest(0, 0, 0), Rest(0, 1, 0), Rest(0, 2, 0)};
    ASSERT_TRUE(arm.AddControlPoints(points, 3));
    Limb* limbs[Animation::kLimbLocations] = {&arm};

    // No fade: positions set, targets cleared.
    arm.GetControlPoint(1)->targetPosition = {5, 5, 5};
    ASSERT_TRUE(a.ApplyToLimbs(limbs, 0.5f, -1.0f));
    ExpectNear(arm.GetControlPoint(1)->position, 0.5f, 2.0f, 0.0f);  // rest + (0.5, 1, 0)
    EXPECT_EQ(arm.GetControlPoint(1)->targetPosition, D3DXVECTOR3(0, 0, 0));
    // Point 2 has no keys and no offset: left alone, but the limb rebuilt once.
    EXPECT_EQ(arm.GetControlPoint(2)->position, D3DXVECTOR3(0, 2, 0));
    EXPECT_EQ(arm.rebuilds, 1);

    // During a fade the current animation sets positions and keeps targets.
    arm.GetControlPoint(1)->targetPosition = {5, 5, 5};
    a.ApplyToLimbs(limbs, 1.0f, 0.0f);
    ExpectNear(arm.GetControlPoint(1)->position, 0.0f, 3.0f, 0.0f);
    EXPECT_EQ(arm.GetControlPoint(1)->targetPosition, D3DXVECTOR3(5, 5, 5));

    // The pending animation draws the target a quarter of the way over.
    a.ApplyToLimbs(limbs, 0.0f, 0.25f);
    // At t = 0 the pose is frame 0's: rest + (1, 0, 0) = (1, 1, 0).
    ExpectNear(arm.GetControlPoint(1)->targetPosition, 0.25f, 2.5f, 0.0f);
    ExpectNear(arm.GetControlPoint(1)->GetPosition(), 0.25f, 2.5f, 0.0f);
    ExpectNear(arm.GetControlPoint(1)->position, 0.0f, 3.0f, 0.0f);
}

TEST(Animation, KeysOfZeroOnPointsAtRestChangeNothing) {
    Animation a("", 0, 1.0f, false);
    a.AddFrame(0.0f)->AddLimb(4)->AddControlPoint(0);
    CountingLimb head;
    head.Init(nullptr, nullptr);
    LimbControlPoint p = Rest(1, 2, 3);
    head.AddControlPoints(&p, 1);
    Limb* limbs[Animation::kLimbLocations] = {nullptr, nullptr, nullptr, nullptr, &head};
    EXPECT_TRUE(a.ApplyToLimbs(limbs, 0.0f, -1.0f));
    EXPECT_EQ(head.rebuilds, 0);
    EXPECT_EQ(head.GetControlPoint(0)->position, D3DXVECTOR3(1, 2, 3));
    // A limb missing from the frame is not touched either.
    Animation arms = TwoKeys(false, 1.0f);
    EXPECT_TRUE(arms.ApplyToLimbs(limbs, 0.0f, -1.0f));
    EXPECT_EQ(head.rebuilds, 0);
}

// A raise, a return to rest (keys of zero, and a key too small to see) and a
// raise again: the cleaned copy, which a cleaning save writes, must play the
// same pose at every moment.
TEST(Animation, ACleanedAnimationPlaysEveryPoseOfTheOriginal) {
    Animation a("wave", 1, 3.0f, false);
    for (float t : {0.0f, 2.0f}) {
        AnimationLimb* raised = a.AddFrame(t)->AddLimb(0);
        raised->AddControlPoint(1)->pos = {0, 1, 0};
        raised->AddControlPoint(2)->pos = {0.5f, 0, 0};
    }
    AnimationLimb* rest = a.AddFrame(1.0f)->AddLimb(0);
    rest->AddControlPoint(1)->pos = {0, 0, 0};
    rest->AddControlPoint(2)->pos = {0.0005f, 0, 0};
    const auto cleaned = AnimationFile::Cleaned(a);

    CountingLimb original, copy;
    LimbControlPoint points[] = {Rest(0, 0, 0), Rest(0, 1, 0), Rest(0, 2, 0)};
    for (CountingLimb* limb : {&original, &copy}) {
        limb->Init(nullptr, nullptr);
        ASSERT_TRUE(limb->AddControlPoints(points, 3));
    }
    Limb* originalLimbs[Animation::kLimbLocations] = {&original};
    Limb* copyLimbs[Animation::kLimbLocations] = {&copy};
    for (int step = 0; step <= 300; ++step) {
        const float t = float(step) * 0.01f;
        a.ApplyToLimbs(originalLimbs, t, -1.0f);
        cleaned->ApplyToLimbs(copyLimbs, t, -1.0f);
        for (std::uint32_t i = 0; i < 3; ++i) {
            const D3DXVECTOR3 d = original.GetControlPoint(i)->GetPosition() - copy.GetControlPoint(i)->GetPosition();
            ASSERT_LT(D3DXVec3Length(&d), 1e-4f) << "point " << i << " at " << t;
        }
    }
}

TEST(LimbControlPoints, AtMostTenAndTheTargetOnlyWhenSet) {
    CountingLimb limb;
    limb.Init(nullptr, nullptr);
    LimbControlPoint seven[7] = {}, four[4] = {};
    ASSERT_TRUE(limb.AddControlPoints(seven, 7));
    EXPECT_FALSE(limb.AddControlPoints(four, 4));
    EXPECT_EQ(limb.ControlPointCount(), 7u);
    EXPECT_TRUE(limb.AddControlPoints(four, 3));
    EXPECT_FALSE(limb.AddControlPoints(four, 1));
    limb.RemoveControlPoint(10);
    EXPECT_EQ(limb.ControlPointCount(), 10u);

    LimbControlPoint p = Rest(1, 1, 1);
    EXPECT_EQ(p.GetPosition(), D3DXVECTOR3(1, 1, 1));
    p.targetPosition = {0, 0, 0.5f};
    EXPECT_EQ(p.GetPosition(), D3DXVECTOR3(0, 0, 0.5f));
    ExpectNear(p.GetOffset(), -1, -1, -0.5f);
}
