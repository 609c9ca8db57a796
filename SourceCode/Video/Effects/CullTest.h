#pragma once
#include <cstdint>

#include "platform/d3dx/Math3D.h"

class Mesh;

// Decides whether a mesh's bounding sphere, placed by the object's world
// matrix, lies outside the camera's view frustum, and leaves the squared
// distance from the eye to the sphere's centre. Lives on the stack for one
// draw.
class CullTest {
public:
    // Results: 0 inside; 1-6 completely outside plane 1 near, 2 far, 3 left,
    // 4 right, 5 bottom, 6 top; 7-12 crossing plane (result - 6) and
    // outside none.
    enum : std::int32_t { kInside = 0, kOutsideNear = 1, kOutsideTop = 6, kCrossingFirst = 7, kCrossingLast = 12 };

    using TestFunction = std::int32_t (*)(CullTest* test, const float sphere[4], const Mesh* mesh,
                                          const D3DXMATRIX* world);

    // Flag bit 0 selects FrustumSphereTest; clear leaves no test.
    explicit CullTest(std::uint32_t flags);
    virtual ~CullTest() = default;

    // The sphere is the mesh's, moved by world and scaled by the fourth
    // component of the store's "OBJSCALE"; the eye is the camera's. A null
    // mesh or world, or no camera, tests nothing and gives 0.
    std::int32_t Test(const Mesh* mesh, const D3DXMATRIX* world);
    // The same for a sphere already in world space.
    std::int32_t TestSphere(const float sphere[4], const Mesh* mesh, const D3DXMATRIX* world);

    static bool IsOutside(std::int32_t result) { return result >= 1 && result <= 6; }

    TestFunction test = nullptr;
    float squaredDistance = 0.0f;
    float eyeToCentre[3] = {0.0f, 0.0f, 0.0f};
    std::int32_t lastResult = 0;
};

// The sphere against the six planes of "Camera", in the camera's order.
std::int32_t FrustumSphereTest(CullTest* test, const float sphere[4], const Mesh* mesh, const D3DXMATRIX* world);
// The same against given planes (normals pointing inward, normalised).
std::int32_t SphereAgainstPlanes(const D3DXPLANE planes[6], const float sphere[4]);
