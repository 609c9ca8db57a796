#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx/Math3D.h"

namespace {
constexpr float kTol = 1e-5f;
constexpr float kHalfPi = D3DX_PI / 2.0f;

void ExpectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = kTol) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << "at row " << r << " col " << c;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tol = kTol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectNear(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tol = kTol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
    EXPECT_NEAR(a.w, b.w, tol);
}

D3DXVECTOR3 Coord(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &v, &m);
}

D3DXMATRIX FromQuaternion(const D3DXQUATERNION& q) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationQuaternion(&m, &q);
}
}  // namespace

TEST(Math3D, VectorBasics) {
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), out;
    ExpectNear(*D3DXVec3Cross(&out, &x, &y), D3DXVECTOR3(0, 0, 1));
    // The output may alias an input.
    D3DXVECTOR3 a(1, 2, 3);
    D3DXVec3Cross(&a, &a, &x);
    ExpectNear(a, D3DXVECTOR3(0, 3, -2));

    D3DXVECTOR3 v(3, 4, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
    ExpectNear(*D3DXVec3Normalize(&out, &v), D3DXVECTOR3(0.6f, 0.8f, 0));
    D3DXVECTOR3 zero;
    ExpectNear(*D3DXVec3Normalize(&out, &zero), D3DXVECTOR3(0, 0, 0));
    D3DXVECTOR4 zero4, out4;
    D3DXVec4Normalize(&out4, &zero4);
    EXPECT_EQ(out4, D3DXVECTOR4(0, 0, 0, 0));

    D3DXVECTOR3 b(10, 20, 30);
    ExpectNear(*D3DXVec3Lerp(&out, &v, &b, 0.5f), D3DXVECTOR3(6.5f, 12, 15));
    ExpectNear(*D3DXVec3Lerp(&out, &v, &b, 2.0f), D3DXVECTOR3(17, 36, 60));
    EXPECT_EQ(2.0f * D3DXVECTOR3(1, 2, 3) - D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 3, 5));
}

TEST(Math3D, RowVectorsAndLeftHandedRotations) {
    D3DXMATRIX rx, ry, rz;
    D3DXMatrixRotationX(&rx, kHalfPi);
    D3DXMatrixRotationY(&ry, kHalfPi);
    D3DXMatrixRotationZ(&rz, kHalfPi);
    ExpectNear(Coord({0, 1, 0}, rx), {0, 0, 1});
    ExpectNear(Coord({0, 0, 1}, ry), {1, 0, 0});
    ExpectNear(Coord({1, 0, 0}, ry), {0, 0, -1});
    ExpectNear(Coord({1, 0, 0}, rz), {0, 1, 0});

    // v * T * R: the translation happens first.
    D3DXMATRIX t, tr;
    D3DXMatrixTranslation(&t, 1, 0, 0);
    D3DXMatrixMultiply(&tr, &t, &rz);
    ExpectNear(Coord({1, 0, 0}, tr), {0, 2, 0});
    ExpectNear(t * rz, tr);

    // Normals ignore translation; Transform keeps w.
    D3DXVECTOR3 n;
    D3DXVECTOR3 unitX(1, 0, 0);
    ExpectNear(*D3DXVec3TransformNormal(&n, &unitX, &tr), {0, 1, 0});
    D3DXVECTOR4 h;
    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2, 3, 4);
    s._44 = 2;
    D3DXVECTOR3 ones(1, 1, 1);
    D3DXVec3Transform(&h, &ones, &s);
    EXPECT_EQ(h, D3DXVECTOR4(2, 3, 4, 2));
    ExpectNear(Coord(ones, s), {1, 1.5f, 2});

    D3DXMATRIX axis;
    D3DXVECTOR3 longX(5, 0, 0);
    ExpectNear(*D3DXMatrixRotationAxis(&axis, &longX, 0.7f), *D3DXMatrixRotationX(&rx, 0.7f));
}

TEST(Math3D, YawPitchRollIsRollThenPitchThenYaw) {
    const float yaw = 0.3f, pitch = -1.1f, roll = 2.0f;
    D3DXMATRIX rz, rx, ry, ypr;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
    ExpectNear(ypr, rz * rx * ry);

    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
    ExpectNear(FromQuaternion(q), ypr);
}

TEST(Math3D, InverseAndDeterminant) {
    D3DXMATRIX m, inv, id;
    D3DXMatrixScaling(&m, 2, 4, 8);
    m._41 = 1;
    m._42 = -2;
    m._43 = 3;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_FLOAT_EQ(det, 64.0f);
    EXPECT_FLOAT_EQ(inv._11, 0.5f);
    EXPECT_FLOAT_EQ(inv._41, -0.5f);
    EXPECT_FLOAT_EQ(inv._42, 0.5f);
    EXPECT_FLOAT_EQ(inv._43, -0.375f);
    ExpectNear(m * inv, *D3DXMatrixIdentity(&id));

    // A general matrix with every entry in use.
    D3DXMATRIX g(2, 1, 0, 3, 1, 3, 2, 0, 0, 1, 4, 1, 5, 0, 1, 2);
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &g), nullptr);
    EXPECT_NEAR(det, D3DXMatrixDeterminant(&g), 1e-4f);
    ExpectNear(g * inv, id, 1e-5f);
    ExpectNear(inv * g, id, 1e-5f);

    // Singular: null, the out matrix untouched, the determinant still given.
    D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1);
    D3DXMATRIX untouched = inv;
    det = 7;
    EXPECT_EQ(D3DXMatrixInverse(&inv, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(inv, untouched);

    D3DXMATRIX tr;
    D3DXMatrixTranspose(&tr, &g);
    EXPECT_EQ(tr._14, g._41);
    EXPECT_EQ(tr._32, g._23);
}

TEST(Math3D, CameraMatrices) {
    D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view, expected, id;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixTranslation(&expected, 0, 0, 5);
    ExpectNear(view, expected);

    // Looking down +x from the origin: +x is ahead (view z), +z is to the left.
    D3DXVECTOR3 origin, ahead(1, 0, 0);
    D3DXMatrixLookAtLH(&view, &origin, &ahead, &up);
    ExpectNear(Coord({3, 0, 0}, view), {0, 0, 3});
    ExpectNear(Coord({0, 0, 1}, view), {-1, 0, 0});

    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, kHalfPi, 2.0f, 1.0f, 101.0f);
    EXPECT_NEAR(proj._11, 0.5f, kTol);
    EXPECT_NEAR(proj._22, 1.0f, kTol);
    EXPECT_FLOAT_EQ(proj._33, 1.01f);
    EXPECT_FLOAT_EQ(proj._34, 1.0f);
    EXPECT_FLOAT_EQ(proj._43, -1.01f);
    EXPECT_FLOAT_EQ(proj._44, 0.0f);
    // Depth runs 0 at the near plane to 1 at the far plane.
    EXPECT_NEAR(Coord({0, 0, 1}, proj).z, 0.0f, kTol);
    EXPECT_NEAR(Coord({0, 0, 101}, proj).z, 1.0f, kTol);

    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 640, 480, 0, 0, 1);
    ExpectNear(Coord({0, 0, 0}, ortho), {-1, 1, 0});
    ExpectNear(Coord({640, 480, 1}, ortho), {1, -1, 1});
    D3DXMatrixOrthoLH(&ortho, 4, 2, 1, 3);
    ExpectNear(Coord({2, -1, 3}, ortho), {1, -1, 1});
    ExpectNear(Coord({0, 0, 1}, ortho), {0, 0, 0});
}

TEST(Math3D, QuaternionsMatchMatrices) {
    D3DXQUATERNION q;
    D3DXVECTOR3 zAxis(0, 0, 2);
    D3DXQuaternionRotationAxis(&q, &zAxis, D3DX_PI);
    ExpectNear(q, {0, 0, 1, 0});

    D3DXQUATERNION a, b, ab;
    D3DXVECTOR3 xAxis(1, 0, 0), yAxis(0, 1, 0);
    D3DXQuaternionRotationAxis(&a, &xAxis, 0.4f);
    D3DXQuaternionRotationAxis(&b, &yAxis, 1.3f);
    // Multiply(a, b) is "a, then b", as the matrix product is.
    D3DXQuaternionMultiply(&ab, &a, &b);
    ExpectNear(FromQuaternion(ab), FromQuaternion(a) * FromQuaternion(b));
    ExpectNear(a * b, ab);

    D3DXMATRIX rx;
    D3DXMatrixRotationX(&rx, 0.4f);
    ExpectNear(FromQuaternion(a), rx);

    // Matrix to quaternion on every branch (w large, then x, y or z largest).
    const float angles[] = {0.5f, 3.0f};
    const D3DXVECTOR3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, -3}};
    for (float angle : angles) {
        for (const D3DXVECTOR3& axis : axes) {
            D3DXMATRIX m;
            D3DXMatrixRotationAxis(&m, &axis, angle);
            D3DXQUATERNION back;
            D3DXQuaternionRotationMatrix(&back, &m);
            ExpectNear(FromQuaternion(back), m, 1e-5f);
        }
    }

    D3DXQUATERNION inv, prod, id;
    D3DXQUATERNION twice = ab * 2.0f;
    D3DXQuaternionInverse(&inv, &twice);
    D3DXQuaternionMultiply(&prod, &twice, &inv);
    ExpectNear(prod, *D3DXQuaternionIdentity(&id));
    D3DXQUATERNION conj;
    EXPECT_EQ(*D3DXQuaternionConjugate(&conj, &ab), D3DXQUATERNION(-ab.x, -ab.y, -ab.z, ab.w));
    D3DXQuaternionNormalize(&conj, &twice);
    ExpectNear(conj, ab);

    D3DXVECTOR3 axis;
    float angle = 0;
    D3DXQuaternionToAxisAngle(&a, &axis, &angle);
    EXPECT_NEAR(angle, 0.4f, kTol);
    ExpectNear(axis, {std::sin(0.2f), 0, 0});
}

TEST(Math3D, SlerpTakesShorterArcAndExtrapolates) {
    D3DXQUATERNION id, quarter, out, expected;
    D3DXVECTOR3 yAxis(0, 1, 0);
    D3DXQuaternionIdentity(&id);
    D3DXQuaternionRotationAxis(&quarter, &yAxis, kHalfPi);

    D3DXQuaternionSlerp(&out, &id, &quarter, 0.5f);
    ExpectNear(out, *D3DXQuaternionRotationAxis(&expected, &yAxis, kHalfPi / 2));

    // -quarter is the same rotation: the result is the same rotation, not the
    // long way round through 225 degrees.
    D3DXQUATERNION negated = -quarter;
    D3DXQuaternionSlerp(&out, &id, &negated, 0.5f);
    ExpectNear(FromQuaternion(out), FromQuaternion(expected));

    D3DXQuaternionSlerp(&out, &id, &quarter, 2.0f);
    ExpectNear(out, *D3DXQuaternionRotationAxis(&expected, &yAxis, D3DX_PI));
    D3DXQuaternionSlerp(&out, &id, &quarter, 0.0f);
    ExpectNear(out, id);
    D3DXQuaternionSlerp(&out, &quarter, &quarter, 0.3f);
    ExpectNear(out, quarter);
}

TEST(Math3D, Planes) {
    D3DXVECTOR3 p1(0, 0, 0), p2(0, 0, 1), p3(1, 0, 0);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &p1, &p2, &p3);
    EXPECT_EQ(plane, D3DXPLANE(0, 1, 0, 0));

    D3DXPLANE raw(0, 3, 4, 10), unit;
    D3DXPlaneNormalize(&unit, &raw);
    EXPECT_FLOAT_EQ(unit.b, 0.6f);
    EXPECT_FLOAT_EQ(unit.c, 0.8f);
    EXPECT_FLOAT_EQ(unit.d, 2.0f);

    D3DXVECTOR3 point(1, 2, 3), normal(0, 1, 0);
    D3DXPlaneFromPointNormal(&plane, &point, &normal);
    EXPECT_EQ(plane, D3DXPLANE(0, 1, 0, -2));
    D3DXVECTOR3 above(7, 5, 7);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&plane, &above), 3.0f);
    EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&plane, &above), 5.0f);

    D3DXVECTOR3 from(0, 0, 0), to(0, 4, 4), hit;
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &plane, &from, &to), nullptr);
    ExpectNear(hit, {0, 2, 2});
    D3DXVECTOR3 flat(5, 0, 0);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &plane, &from, &flat), nullptr);
}

TEST(Math3D, ColourWords) {
    D3DXCOLOR c(0xFF000666u);
    EXPECT_FLOAT_EQ(c.a, 1.0f);
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.g, 6.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 102.0f / 255.0f);
    EXPECT_EQ(static_cast<std::uint32_t>(c), 0xFF000666u);
    EXPECT_EQ(static_cast<std::uint32_t>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
    // A script's NaN colour packs as 0 in that channel (undefined behaviour before).
    EXPECT_EQ(static_cast<std::uint32_t>(D3DXCOLOR(std::nanf(""), 1.0f, 1.0f, 1.0f)), 0xFF00FFFFu);
}
