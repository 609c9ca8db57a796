#include "ai/AI_Chase.h"

#include "world/GameObject.h"

void AI_Chase::Restart() { targetId = 1000; }

bool AI_Chase::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!DrivesCharacter()) return false;
    GameObject* target = FindObjectById(targetId);
    if (!target) return false;
    const D3DXVECTOR3 goal = target->GetRenderPosition();
    SteerToward(goal.x, goal.z);
    return true;
}
