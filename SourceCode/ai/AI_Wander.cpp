#include "ai/AI_Wander.h"

#include "core/Random.h"

namespace {
// (0..100) hundredths, centred and spread over 18 units: -9..9 in steps of 0.18.
float DrawCoordinate() { return (static_cast<float>(Random::Next() % 101) * 0.01f - 0.5f) * 18.0f; }
}  // namespace

float AI_Wander::DistanceToPointSq(const D3DXVECTOR3& position) const {
    const float dx = position.x - wanderX;
    const float dz = position.z - wanderZ;
    return dx * dx + dz * dz;
}

void AI_Wander::SettleUnsetPoint() {
    if (wanderX == 0.0f) wanderZ = 0.0f;
}

void AI_Wander::DrawWanderPoint() {
    wanderX = DrawCoordinate();
    wanderZ = DrawCoordinate();
}
