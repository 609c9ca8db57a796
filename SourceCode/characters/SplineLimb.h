#pragma once
// A limb drawn as a smooth curve through its control points (an
// ObjectSpline): each point has a width and a tension, the scale of the
// curve's tangent there.
#include "characters/LineLimb.h"

class ObjectSpline;

class SplineLimb : public LineLimb {
public:
    SplineLimb() { kind = kSpline; }

    bool Init(void* a = nullptr, void* b = nullptr) override;
    void Rebuild() override;
    // Curve detail: segments per curve piece; false where the spline
    // refuses it.
    bool SetSegments(std::uint32_t segments);

protected:
    ObjectLine* MakeRenderObject() override;
};
