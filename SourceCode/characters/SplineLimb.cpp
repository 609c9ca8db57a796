#include "characters/SplineLimb.h"

#include <vector>

#include "Video/ObjectLine.h"

ObjectLine* SplineLimb::MakeRenderObject() { return new ObjectSpline(); }

bool SplineLimb::Init(void* a, void*) { return InitWith(static_cast<const LimbDesc*>(a), kSpline); }

void SplineLimb::Rebuild() {
    if (!renderObject) return;
    std::vector<LinePoint> curve;
    for (const auto& point : controlPoints) {
        D3DXVECTOR3 p = point->GetPosition();
        curve.push_back({p.x, p.y, p.z, point->width, point->tension});
    }
    static_cast<ObjectSpline*>(renderObject)->SetControlPoints(curve.data(), static_cast<std::uint32_t>(curve.size()));
}

bool SplineLimb::SetSegments(std::uint32_t segments) {
    return renderObject && static_cast<ObjectSpline*>(renderObject)->SetSegments(segments);
}
