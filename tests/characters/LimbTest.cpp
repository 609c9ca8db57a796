// Line, spline and model limbs in a real scene: what they hand their render
// objects, and where a model limb puts its models.
#include <gtest/gtest.h>

#include <cmath>

#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "characters/LineLimb.h"
#include "characters/ModelLimb.h"
#include "characters/SplineLimb.h"
#include "support/TestVideo.h"

namespace {

LimbControlPoint At(float x, float y, float z, float width = 0.1f) {
    LimbControlPoint p;
    p.position = p.restPosition = {x, y, z};
    p.width = width;
    p.tension = 0.5f;
    return p;
}

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row) { return {m.m[row][0], m.m[row][1], m.m[row][2]}; }

void ExpectNear(const D3DXVECTOR3& v, const D3DXVECTOR3& w, float tolerance = 1e-4f) {
    EXPECT_NEAR(v.x, w.x, tolerance);
    EXPECT_NEAR(v.y, w.y, tolerance);
    EXPECT_NEAR(v.z, w.z, tolerance);
}

bool Finite(const D3DXMATRIX& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.m[r][c])) return false;
    return true;
}

MeshObjectDesc LimbModel() { return MeshObjectDesc(0, "Limb/playerLimb.x", 10, SurfaceData(), 0); }

}  // namespace

TEST(Limbs, LineAndSplineLimbsSendTheirDrawnPoints) {
    TestVideo video;
    ASSERT_TRUE(video.ok());
    LimbControlPoint points[] = {At(0, 0, 0, 0.2f), At(1, 0, 0, 0.1f), At(1, 1, 0, 0.05f)};
    LimbDesc desc;
    desc.count = 3;
    desc.points = points;
    desc.colour[0] = 0.5f;
    LineLimb line;
    ASSERT_TRUE(line.Init(&desc));
    auto* object = static_cast<ObjectLine*>(line.GetRenderObject(7));  // whatever the index
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->MaterialKind(), 5u);
    EXPECT_EQ(object->surface.diff[0], 0.5f);
    ASSERT_EQ(object->PointCount(), 3u);
    EXPECT_EQ(object->Points()[1].x, 1.0f);
    EXPECT_EQ(object->Points()[2].width, 0.05f);

    // A target, once set, is what is drawn; a target of zero is no target.
    line.GetControlPoint(1)->targetPosition = {2, 0, 0};
    line.Rebuild();
    EXPECT_EQ(object->Points()[1].x, 2.0f);
    line.GetControlPoint(1)->targetPosition = {0, 0, 0};
    line.Rebuild();
    EXPECT_EQ(object->Points()[1].x, 1.0f);
    line.RemoveControlPoint(0);
    EXPECT_EQ(object->PointCount(), 2u);

    line.ToggleEnabled();
    EXPECT_FALSE(object->IsActive());
    line.ToggleEnabled();
    EXPECT_TRUE(object->IsActive());
    EXPECT_TRUE(line.IsActive());

    SplineLimb spline;
    ASSERT_TRUE(spline.Init(&desc));
    auto* curve = static_cast<ObjectSpline*>(spline.GetRenderObject(0));
    ASSERT_EQ(curve->PointCount(), 3u);
    EXPECT_EQ(curve->Points()[0].tension, 0.5f);
    EXPECT_TRUE(spline.SetSegments(24));
    EXPECT_FALSE(spline.SetSegments(1));
    EXPECT_EQ(spline.kind, Limb::kSpline);

    // A second Init is refused; Shutdown takes the objects out of the scene.
    EXPECT_FALSE(line.Init(&desc));
    EXPECT_TRUE(line.Shutdown());
    EXPECT_TRUE(spline.Shutdown());
    EXPECT_EQ(line.GetRenderObject(0), nullptr);
}

TEST(Limbs, ModelLimbTurnsEachModelAlongItsSegmentThroughTheBody) {
    TestVideo video;
    ASSERT_TRUE(video.ok());
    // The body: scale 2, a quarter turn about Y, standing at (10, 5, 0).
    D3DXMATRIX scale, turn, body;
    D3DXMatrixScaling(&scale, 2, 2, 2);
    D3DXMatrixRotationY(&turn, D3DX_PI / 2);
    D3DXMatrixMultiply(&body, &scale, &turn);
    body._41 = 10;
    body._42 = 5;
    LimbControlPoint points[] = {At(0, 0, 0), At(1, 0, 0), At(1, 0, 0), At(1, -2, 0)};
    LimbDesc desc;
    desc.count = 3;
    desc.points = points;
    desc.bodyMatrix = &body;
    ModelLimb limb;
    ASSERT_TRUE(limb.Init(&desc));
    EXPECT_FALSE(limb.AddControlPoints(points, 8));  // 3 + 8 > 10
    MeshObjectDesc model = LimbModel();
    for (std::uint32_t i = 0; i < 3; ++i) ASSERT_NE(limb.AddModel(i, &model), nullptr);
    EXPECT_EQ(limb.AddModel(3, &model), nullptr);
    limb.GetControlPoint(2)->model->SetScale(0.5f, 0.5f, 0.5f);
    ASSERT_TRUE(limb.Update());

    // Model 0: its +Y along the segment (1, 0, 0) in body space, which the
    // body turns to (0, 0, -2); it stands at the body's origin.
    const D3DXMATRIX& first = *limb.GetControlPoint(0)->matrix;
    ExpectNear(Row(first, 1), {0, 0, -2});
    ExpectNear(Row(first, 3), {10, 5, 0});
    // Model 1 sits where point 1 is carried: (1, 0, 0) -> (0, 0, -2) + T. Its
    // segment to point 2 has no length: it keeps the turn it had (none).
    const D3DXMATRIX& second = *limb.GetControlPoint(1)->matrix;
    ExpectNear(Row(second, 3), {10, 5, -2});
    ExpectNear(Row(second, 1), {0, 2, 0});
    // The last model is carried like the others (its segment in has no
    // length: no turn, its own half scale); the body matrix is unchanged.
    const D3DXMATRIX& last = *limb.GetControlPoint(2)->matrix;
    ExpectNear(Row(last, 3), {10, 5, -2});
    ExpectNear(Row(last, 1), {0, 1, 0});
    EXPECT_EQ(body._41, 10.0f);
    // When the character moves, every model follows, the last one too.
    body._41 = 30;
    ASSERT_TRUE(limb.Update());
    ExpectNear(Row(first, 3), {30, 5, 0});
    ExpectNear(Row(last, 3), {30, 5, -2});
    body._41 = 10;

    // A segment straight down gives a half turn, not NaN; the last model
    // goes on along it.
    limb.GetControlPoint(2)->position = {1, -2, 0};
    ASSERT_TRUE(limb.Update());
    EXPECT_TRUE(Finite(second));
    ExpectNear(Row(second, 1), {0, -2, 0});
    ExpectNear(Row(last, 1), {0, -1, 0});

    // With one point there is no segment; its model still follows the body.
    limb.RemoveControlPoint(2);
    limb.RemoveControlPoint(1);
    body._42 = 7;
    EXPECT_FALSE(limb.Update());
    ExpectNear(Row(first, 3), {10, 7, 0});
    limb.ToggleEnabled();
    EXPECT_FALSE(limb.GetControlPoint(0)->model->IsActive());
    EXPECT_TRUE(limb.Shutdown());
}
