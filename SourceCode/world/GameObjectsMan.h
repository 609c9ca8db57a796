#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
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
    // Appends an object made elsewhere, found by its id like the others.
    // Hides System::AddChild: every object this manager lists passes here.
    void AddChild(GameObject* object);

    // Called by every game object of this manager as it is destroyed,
    // however that happens, so that neither the level list nor the index by
    // id names a freed object.
    void ForgetObject(const GameObject* object);
    // Called by an object of this manager whose id changed from oldId.
    void Reindex(GameObject* object, std::uint32_t oldId);

    // The level's objects in creation order.
    const std::vector<GameObject*>& LevelObjects() const;

    // Marks the loading of a level (the level change's import of its module
    // and its "loadlevel") for as long as it lives. What scripts add then
    // without a lifetime of its own, a trampoline, goes with the level.
    class LevelLoading {
    public:
        explicit LevelLoading(GameObjectsMan* objects) : objects(objects) {
            if (objects) ++objects->levelsLoading;
        }
        ~LevelLoading() {
            if (objects) --objects->levelsLoading;
        }
        LevelLoading(const LevelLoading&) = delete;
        LevelLoading& operator=(const LevelLoading&) = delete;

    private:
        GameObjectsMan* objects;
    };
    bool LoadingLevel() const { return levelsLoading > 0; }

private:
    static GameObject* NewObjectOfKind(std::uint32_t kind);
    void CloseLevelGaps() const;
    void Unindex(const GameObject* object);
    void Unlist(std::uint32_t id, std::uint64_t place);

    // The objects by id, each id's in the order they were listed, so that a
    // lookup (the chasing and fleeing controllers make one a frame each)
    // does not walk every object, a trampoline's hidden nodes included. The
    // child list keeps the update order; this only finds.
    std::unordered_map<std::uint32_t, std::map<std::uint64_t, GameObject*>> byId;
    std::unordered_map<const GameObject*, std::uint64_t> listedAt;  // its place in listing order
    std::uint64_t nextPlace = 0;
    int levelsLoading = 0;

    // Not owned. A forgotten object leaves a null, closed up once they make
    // half the list, so that deleting a level of many objects one by one
    // stays in proportion to them.
    mutable std::vector<GameObject*> levelObjects;
    mutable std::unordered_map<const GameObject*, std::size_t> levelSlot;  // its place in the list
    mutable std::size_t levelGaps = 0;
};
