// The transform operations of every render object and the world matrix it
// draws with.
#include <gtest/gtest.h>

#include <cmath>

#include "Video/MatrixMan.h"
#include "Video/ObjectMesh.h"

namespace {

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-5f) << "at " << r << "," << c;
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

TEST(ObjectTransform, AFreshObjectIsAtTheOriginUnscaledAndUnturned) {
    ObjectMesh object;
    ExpectMatrixNear(object.UpdateWorldMatrix(), Identity());
    EXPECT_FLOAT_EQ(object.GetFactor(), 1.0f);
    EXPECT_EQ(object.Flags() & Object::kDirty, 0);  // the build cleared it
    // Scaling adds; moving adds.
    EXPECT_FLOAT_EQ(object.Scale(1, 1, 1).y, 2.0f);
    EXPECT_FLOAT_EQ(object.Move(1, 2, 3).z, 3.0f);
    EXPECT_NE(object.Flags() & Object::kDirty, 0);
    object.SetFactor(0.5f);
    object.UpdateWorldMatrix();
    object.SetFactor(0.25f);
    EXPECT_EQ(object.Flags() & Object::kDirty, 0);  // the factor is not a transform
}

TEST(ObjectTransform, WorldIsScaleThenRotationThenTranslation) {
    ObjectMesh object;
    object.SetScale(2, 3, 4);
    const D3DXVECTOR3 z(0, 0, 1);
    object.SetRotationAxis(&z, D3DX_PI / 2);
    object.SetPosition(5, 6, 7);
    const D3DXMATRIX world = object.UpdateWorldMatrix();
    D3DXVECTOR3 out;
    const D3DXVECTOR3 unitX(1, 0, 0);
    D3DXVec3TransformCoord(&out, &unitX, &world);
    // x scaled by 2, turned a quarter about z onto +y, then moved.
    EXPECT_NEAR(out.x, 5.0f, 1e-5f);
    EXPECT_NEAR(out.y, 8.0f, 1e-5f);
    EXPECT_NEAR(out.z, 7.0f, 1e-5f);
}

TEST(ObjectTransform, RotationsComposeAndStayNormalised) {
    ObjectMesh twice, once;
    const D3DXVECTOR3 axis(1, 2, 3);
    twice.RotateAxis(&axis, 0.3f);
    twice.RotateAxis(&axis, 0.3f);
    once.SetRotationAxis(&axis, 0.6f);
    ExpectMatrixNear(twice.UpdateWorldMatrix(), once.UpdateWorldMatrix());
    const D3DXQUATERNION q = twice.GetRotation();
    EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, 1e-6f);

    // The first argument turns about X.
    ObjectMesh pitched;
    pitched.SetRotationYawPitchRoll(0.5f, 0, 0);
    D3DXMATRIX expected;
    D3DXMatrixRotationX(&expected, 0.5f);
    ExpectMatrixNear(pitched.UpdateWorldMatrix(), expected);
}

TEST(ObjectTransform, SetDirectionTurnsPlusYOntoTheDirection) {
    ObjectMesh object;
    const D3DXVECTOR3 forward(0, 0, 1);
    object.SetDirection(&forward);
    D3DXMATRIX expected;
    D3DXMatrixRotationX(&expected, D3DX_PI / 2);
    ExpectMatrixNear(object.UpdateWorldMatrix(), expected);

    // Along the Y axis the turning axis vanishes: still a finite rotation.
    const D3DXVECTOR3 up(0, 1, 0), down(0, -1, 0), none(0, 0, 0);
    object.SetDirection(&up);
    ExpectMatrixNear(object.UpdateWorldMatrix(), Identity());
    object.SetDirection(&down);
    const D3DXMATRIX flipped = object.UpdateWorldMatrix();
    D3DXVECTOR3 turned;
    const D3DXVECTOR3 unitY(0, 1, 0);
    D3DXVec3TransformNormal(&turned, &unitY, &flipped);
    EXPECT_NEAR(turned.y, -1.0f, 1e-5f);
    object.SetDirection(&none);  // keeps the rotation
    ExpectMatrixNear(object.UpdateWorldMatrix(), flipped);
    // A direction a hair longer than 1 still turns, not NaN.
    const D3DXVECTOR3 longUp(0, 1.0000001f, 0);
    object.SetDirection(&longUp);
    EXPECT_FALSE(std::isnan(object.GetRotation().w));
}

TEST(ObjectWorldMatrix, PoolMatricesComeAndGoButTheCallersStays) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    MeshObjectDesc desc;
    {
        ObjectMesh object;
        ASSERT_TRUE(object.Init(&desc));
        ASSERT_NE(object.WorldMatrix(), nullptr);
        EXPECT_EQ(pool.IndexOf(object.WorldMatrix()), 5u);
        object.SetPosition(1, 2, 3);
        object.CurrentWorld();
        EXPECT_FLOAT_EQ(object.WorldMatrix()->_42, 2.0f);

        // The caller's matrix replaces the pool's, which goes back.
        D3DXMATRIX mine = Identity();
        mine._41 = 9.0f;
        object.SetWorldMatrix(&mine);
        EXPECT_EQ(pool.GetMatrix(5), nullptr);
        object.SetPosition(4, 4, 4);
        EXPECT_NE(object.Flags() & Object::kDirty, 0);
        EXPECT_FLOAT_EQ(object.CurrentWorld()->_41, 9.0f);  // never rebuilt
        ASSERT_TRUE(object.Shutdown());
        EXPECT_FLOAT_EQ(mine._41, 9.0f);
    }
    {
        desc.flags = Object::kExternalWorld;
        ObjectMesh object;
        ASSERT_TRUE(object.Init(&desc));
        EXPECT_EQ(object.WorldMatrix(), nullptr);  // no pool matrix taken
        EXPECT_FALSE(object.Init(&desc));
    }
    pool.Shutdown();
}

}  // namespace
