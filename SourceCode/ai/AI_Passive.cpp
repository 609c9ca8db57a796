#include "ai/AI_Passive.h"

namespace {
// Squared distance within which the wander point counts as reached.
constexpr float kReachedSq = 10.0f;
}  // namespace

bool AI_Passive::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!DrivesCharacter()) return false;
    const float self = DistanceToPointSq(ObjectPosition());
    SettleUnsetPoint();
    if (self < kReachedSq) DrawWanderPoint();
    SteerToWanderPoint();
    return true;
}
