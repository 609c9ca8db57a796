#include "ai/AI_Flee.h"

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace {
// Squared distances: the wander point counts as reached within about 3.2
// units, and as threatened when the threat is within 10 units of it.
constexpr float kReachedSq = 10.0f;
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
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    GameObject* threat = objects ? objects->GetObjectById(threatId) : nullptr;
    if (!threat) return false;

    const float self = DistanceToPointSq(ObjectPosition());
    const float threatened = DistanceToPointSq(threat->GetRenderPosition());
    SettleUnsetPoint();
    if (self < kReachedSq || threatened < kThreatenedSq) DrawWanderPoint();
    SteerToWanderPoint();
    return true;
}
