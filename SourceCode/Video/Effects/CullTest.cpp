#include "Video/Effects/CullTest.h"

#include "Video/Camera.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Mesh.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

CullTest::CullTest(std::uint32_t flags) : test((flags & 1u) ? &FrustumSphereTest : nullptr) {}

std::int32_t CullTest::Test(const Mesh* mesh, const D3DXMATRIX* world) {
    if (!mesh || !world) return lastResult = 0;
    D3DXVECTOR3 centre;
    D3DXVec3TransformCoord(&centre, &mesh->sphereCentre, world);
    const float* scale = EffectParams::GetVector(sem::ObjScale);
    const float sphere[4] = {centre.x, centre.y, centre.z, mesh->sphereRadius * (scale ? scale[3] : 1.0f)};
    return TestSphere(sphere, mesh, world);
}

std::int32_t CullTest::TestSphere(const float sphere[4], const Mesh* mesh, const D3DXMATRIX* world) {
    auto* camera = eTable::Find<Camera>(names::Camera);
    if (!camera) return lastResult = 0;
    eyeToCentre[0] = sphere[0] - camera->eye.x;
    eyeToCentre[1] = sphere[1] - camera->eye.y;
    eyeToCentre[2] = sphere[2] - camera->eye.z;
    squaredDistance = eyeToCentre[0] * eyeToCentre[0] + eyeToCentre[1] * eyeToCentre[1] +
                      eyeToCentre[2] * eyeToCentre[2];
    lastResult = test ? test(this, sphere, mesh, world) : 0;
    return lastResult;
}

std::int32_t SphereAgainstPlanes(const D3DXPLANE planes[6], const float sphere[4]) {
    const float radius = sphere[3];
    std::int32_t result = CullTest::kInside;
    for (int k = 0; k < 6; ++k) {
        const D3DXPLANE& p = planes[k];
        const float d = p.a * sphere[0] + p.b * sphere[1] + p.c * sphere[2] + p.d;
        // Strict comparisons: touching from inside is inside, and a NaN
        // distance compares false both ways and so counts as inside.
        if (d < -radius) return k + 1;
        if (d < radius) result = k + 7;
    }
    return result;
}

std::int32_t FrustumSphereTest(CullTest*, const float sphere[4], const Mesh*, const D3DXMATRIX*) {
    auto* camera = eTable::Find<Camera>(names::Camera);
    if (!camera) return CullTest::kInside;
    return SphereAgainstPlanes(camera->frustum, sphere);
}
