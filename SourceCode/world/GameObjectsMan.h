#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/System.h"

class GameObject;
struct ObjectDesc;

// Owns every game object (its children, in creation order), creates them by
// kind, keeps the list of the current level's objects and finds objects by
// id.
class GameObjectsMan : public System {
public:
    GameObjectsMan() = default;
    ~GameObjectsMan() override;

    // a is the name to register under (names::GameObjectsMan).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // The object of desc's kind, appended and initialised (whatever its Init
    // says); null for a null record or a kind without a class.
    GameObject* CreateObject(const ObjectDesc* desc);
    // The same, and the object is deleted at the next level change.
    GameObject* CreateLevelObject(const ObjectDesc* desc);
    // Shuts down and deletes the level's objects; the others stay.
    void DeleteLevelObjects();
    // Shuts down and deletes one object of this manager.
    void DeleteObject(GameObject* object);
    // The last object created with this id, or null.
    GameObject* GetObjectById(std::uint32_t id) const;

    // Called by every game object as it is destroyed, however that happens,
    // so that the level list never names a freed object.
    void ForgetObject(const GameObject* object);

    // The level's objects in creation order.
    const std::vector<GameObject*>& LevelObjects() const;

private:
    static GameObject* NewObjectOfKind(std::uint32_t kind);
    void CloseLevelGaps() const;

    // Not owned. A forgotten object leaves a null, closed up once they make
    // half the list, so that deleting a level of many objects one by one
    // stays in proportion to them.
    mutable std::vector<GameObject*> levelObjects;
    mutable std::unordered_map<const GameObject*, std::size_t> levelSlot;  // its place in the list
    mutable std::size_t levelGaps = 0;
};
