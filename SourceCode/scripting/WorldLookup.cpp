#include "scripting/WorldLookup.h"

#include "Video/ObjectMesh.h"
#include "core/SystemNames.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace scripting {

GameObject* FindObject(std::int32_t id) {
    auto* objects = Running<GameObjectsMan>(names::GameObjectsMan);
    return objects ? objects->GetObjectById(static_cast<std::uint32_t>(id)) : nullptr;
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
