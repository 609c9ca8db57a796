#include "characters/Limb.h"

#include <iterator>

Limb::~Limb() = default;

bool Limb::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseAllPoints();
    initialized = false;
    return true;
}

bool Limb::AddControlPoints(const LimbControlPoint* points, std::uint32_t count) {
    if (controlPoints.size() + count > kMaxControlPoints) return false;
    if (count > 0 && !points) return false;
    for (std::uint32_t i = 0; i < count; ++i) AdoptPoint(points[i]);
    return true;
}

void Limb::RemoveControlPoint(std::uint32_t index) {
    if (index >= controlPoints.size()) return;
    auto it = controlPoints.begin();
    std::advance(it, index);
    ReleasePoint(**it);
    controlPoints.erase(it);
}

LimbControlPoint* Limb::GetControlPoint(std::uint32_t index) {
    if (index >= controlPoints.size()) return nullptr;
    auto it = controlPoints.begin();
    std::advance(it, index);
    return it->get();
}

void Limb::ReleasePoint(LimbControlPoint&) {}

void Limb::AdoptPoint(const LimbControlPoint& point) {
    controlPoints.push_back(std::make_unique<LimbControlPoint>(point));
}

void Limb::ReleaseAllPoints() {
    // The last point first, as they were made.
    while (!controlPoints.empty()) {
        ReleasePoint(*controlPoints.back());
        controlPoints.pop_back();
    }
}
