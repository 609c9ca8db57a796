#pragma once
// Lookups that events, conditions and the engine module share: the running
// system of a name, a game object by the id a script gave it, and the point
// that carries an object's own position.
#include <cstdint>

#include "core/eTable.h"

class GameObject;
class NPC;
struct Point;
struct SurfaceData;

namespace scripting {

// The running system of that name, or null (never the registry's fatal
// error: scripts may run while a system is missing).
template <class T>
T* Running(const char* systemName) {
    return static_cast<T*>(eTable::Peek(systemName));
}

// Null when "GameObjectsMan" is not running or no object has the id.
GameObject* FindObject(std::int32_t id);
// The object as a character (a character, the player, a trampoline node or
// the editor's character: every kind built on NPC); null for any other.
NPC* CharacterOf(GameObject* object);
// Point 0 of the object's body; null without a body or points.
Point* OwnPoint(GameObject* object);
// The surface record of the object's render object when it is a mesh or a
// custom mesh; null otherwise.
SurfaceData* SurfaceOf(GameObject* object);

}  // namespace scripting
