#include "ai/AI_Chase.h"

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

void AI_Chase::Restart() { targetId = 1000; }

bool AI_Chase::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!DrivesCharacter()) return false;
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    GameObject* target = objects ? objects->GetObjectById(targetId) : nullptr;
    if (!target) return false;
    const D3DXVECTOR3 goal = target->GetRenderPosition();
    SteerToward(goal.x, goal.z);
    return true;
}
