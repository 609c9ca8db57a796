#include "ai/AI_Passive.h"

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
