#include "ai/AI.h"

#include "characters/NPC.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

AI::~AI() {
    if (initialized) Shutdown();
    if (object) object->DetachAI();
}

bool AI::Init(void* a, void*) {
    if (initialized) return false;
    name = className;
    Restart();
    if (auto* target = static_cast<GameObject*>(a)) target->AttachAI(this);
    initialized = true;
    return true;
}

bool AI::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    if (object) object->DetachAI();
    initialized = false;
    return true;
}

void AI::BindObject(GameObject* newObject) {
    if (object && object != newObject) {
        if (object->ai == this)
            object->DetachAI();
        else
            UnbindObject();
    }
    object = newObject;
}

D3DXVECTOR2 AI::SteerFrom(const D3DXVECTOR3& position, float gx, float gz) {
    return D3DXVECTOR2((gx - position.x) * 0.5f, -(gz - position.z) * 0.5f);
}

D3DXVECTOR3 AI::ObjectPosition() const { return object ? object->GetRenderPosition() : D3DXVECTOR3(); }

GameObject* AI::FindObjectById(std::uint32_t objectId) {
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    return objects ? objects->GetObjectById(objectId) : nullptr;
}

bool AI::DrivesCharacter() const { return dynamic_cast<NPC*>(object) != nullptr; }

void AI::SteerToward(float gx, float gz) {
    auto* character = dynamic_cast<NPC*>(object);
    if (!character) return;
    D3DXVECTOR2 steer = SteerFrom(character->GetRenderPosition(), gx, gz);
    character->Move(&steer, false);
}
