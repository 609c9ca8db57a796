#pragma once
// The collision step's pieces, for "Physics" and for tests: the tests of
// spheres against spheres and planes, and the sphere response.
#include "platform/d3dx/Math3D.h"
#include "world/Physics.h"

namespace collision {

inline constexpr float kRestitution = 0.33f;
inline constexpr float kPlayerRestitution = 0.1f;
inline constexpr float kReboundFactor = -125.0f;
inline constexpr float kHoldCharge = 10.0f;
inline constexpr float kHoldFloor = 0.1f;
inline constexpr float kLaunchBase = 125.0f;
inline constexpr float kMassTerm = 100.0f;

// True when the spheres overlap: their distance is below their radii's sum
// (touching is not enough; radii may be negative, the sum's square counts).
bool Overlaps(const D3DXVECTOR3& a, float rA, const D3DXVECTOR3& b, float rB);

// True when the spheres overlap; then the contact
// normal points from A to B (straight up when the centres coincide) and the
// depth is the overlap.
bool SphereTest(const D3DXVECTOR3& a, float rA, const D3DXVECTOR3& b, float rB, Contact* out);

// Whether a and n point the same way along n's major axis (x, then y, then
// z on ties).
bool SameSignMajorAxis(const D3DXVECTOR3& a, const D3DXVECTOR3& n);

// The sphere response: each acting point is pushed back by half the depth
// and leaves along the normal with the impulse j times its inverse mass.
void ResolveContact(Point* a, Point* b, const Contact& contact, float j);

}  // namespace collision
