#include "ai/AI_Flee.h"

#include "world/GameObject.h"

namespace {
// Squared distance: the wander point counts as threatened when the threat is
// within 10 units of it.
constexpr float kThreatenedSq = 100.0f;
}  // namespace

void AI_Flee::Restart() {
    AI_Wander::Restart();
    threatId = 1000;
}

bool AI_Flee::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!DrivesCharacter()) return false;
    GameObject* threat = FindObjectById(threatId);
    if (!threat) return false;

    const float self = DistanceToPointSq(ObjectPosition());
    const float threatened = DistanceToPointSq(threat->GetRenderPosition());
    SettleUnsetPoint();
    if (self < kReachedSq || threatened < kThreatenedSq) DrawWanderPoint();
    SteerToWanderPoint();
    return true;
}
