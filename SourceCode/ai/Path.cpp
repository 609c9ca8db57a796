#include "ai/Path.h"

void Path::SetMode(std::uint32_t newMode) {
    mode = newMode;
    // Only a reversing path travels backward; a path switched to another
    // mode on its way back would otherwise never leave its current point.
    if (mode != kPathReversing) backward = false;
}

std::uint32_t Path::NextIndex(std::uint32_t i) { return Following(i, backward); }

std::uint32_t Path::PeekNextIndex(std::uint32_t i) const {
    bool goingBack = backward;
    return Following(i, goingBack);
}

std::uint32_t Path::Following(std::uint32_t i, bool& goingBack) const {
    const std::size_t n = points.size();
    if (n < 2 || i >= n) return 0;
    while (i + 1 == n || goingBack) {
        if (mode == kPathSingle) return i;
        if (mode != kPathReversing) return 0;
        if (!goingBack) {
            goingBack = true;
            return i - 1;
        }
        if (i > 0) return i - 1;
        goingBack = false;
    }
    return i + 1;
}

float Path::GetSegmentTime(std::uint32_t i) {
    const std::size_t n = points.size();
    if (n < 2 || i >= n) return 0.0f;
    while (true) {
        if (i + 1 < n && !backward) return Duration(Distance(i + 1, i));
        if (mode == kPathSingle) return 0.0f;
        if (mode == kPathCyclic) return Duration(Distance(0, n - 1));
        if (mode != kPathReversing) return 0.0f;
        if (!backward) {
            backward = true;
            return Duration(Distance(i, i - 1));
        }
        if (i > 0) return Duration(Distance(i, i - 1));
        backward = false;
    }
}

D3DXVECTOR3 Path::GetPoint(std::uint32_t i) const {
    return i < points.size() ? points[i] : D3DXVECTOR3();
}

float Path::Length() const {
    const std::size_t n = points.size();
    float length = 0.0f;
    for (std::size_t k = 0; k + 1 < n; ++k) length += Distance(k + 1, k);
    if (mode == kPathCyclic && n > 0) length += Distance(0, n - 1);
    return length;
}

void Path::UpdateSpeed() { speed = Length() / time; }

float Path::Distance(std::size_t a, std::size_t b) const {
    const D3DXVECTOR3 d = points[a] - points[b];
    return D3DXVec3Length(&d);
}

float Path::Duration(float distance) const {
    // A path of no length given a time has speed 0: its segments take no
    // time rather than 0/0.
    return speed > 0.0f ? distance / speed : 0.0f;
}
