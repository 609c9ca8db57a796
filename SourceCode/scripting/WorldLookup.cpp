#include "scripting/WorldLookup.h"

#include "Video/ObjectMesh.h"
#include "characters/NPC.h"
#include "core/SystemNames.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace scripting {

GameObject* FindObject(std::int32_t id) {
    auto* objects = Running<GameObjectsMan>(names::GameObjectsMan);
    return objects ? objects->GetObjectById(static_cast<std::uint32_t>(id)) : nullptr;
}

NPC* CharacterOf(GameObject* object) {
    if (!object) return nullptr;
    switch (object->kind) {
        case kKindTrampNode:
        case kKindNPC:
        case kKindPlayer:
        case kKindEditChar:
            return static_cast<NPC*>(object);
        default:
            return nullptr;
    }
}

Point* OwnPoint(GameObject* object) {
    if (!object || !object->body) return nullptr;
    return object->body->GetPoint(0);
}

SurfaceData* SurfaceOf(GameObject* object) {
    Object* render = object ? object->renderObject : nullptr;
    if (!render) return nullptr;
    // The name doubles as the class's type tag.
    if (render->Name() == names::ObjectMesh) return &static_cast<ObjectMesh*>(render)->surface;
    if (render->Name() == names::ObjectCustom) return &static_cast<ObjectCustom*>(render)->surface;
    return nullptr;
}

}  // namespace scripting
