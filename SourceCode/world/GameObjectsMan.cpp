#include "world/GameObjectsMan.h"

#include <algorithm>

#include "characters/NPC.h"
#include "characters/Player.h"
#include "core/eTable.h"
#include "editor/EditChar.h"
#include "editor/EditNode.h"
#include "world/Basket.h"
#include "world/GameObject.h"
#include "world/Plane.h"
#include "world/Trampoline.h"

GameObjectsMan::~GameObjectsMan() {
    if (initialized) Shutdown();
    // Objects forget themselves here as they go: they must go while the
    // index still exists, not in the base destructor.
    DestroyChildren();
}

bool GameObjectsMan::Init(void* a, void*) {
    if (initialized || !a) return false;
    name = static_cast<const char*>(a);
    if (!eTable::Register(name, this)) return false;
    initialized = true;
    return true;
}

bool GameObjectsMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    levelObjects.clear();
    levelSlot.clear();
    levelGaps = 0;
    byId.clear();
    listedAt.clear();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

// One line per kind; a kind whose class is not part of the engine yet has
// none and is refused.
GameObject* GameObjectsMan::NewObjectOfKind(std::uint32_t kind) {
    switch (kind) {
        case kKindTrampoline: return new Trampoline();
        case kKindTrampNode: return new TrampNode();
        case kKindNPC: return new NPC();
        case kKindPlayer: return new Player();
        case kKindEditChar: return new EditChar();
        case kKindEditNode: return new EditNode();
        case kKindPlane: return new Plane();
        case kKindBasket: return new Basket();
        default: return nullptr;
    }
}

GameObject* GameObjectsMan::CreateObject(const ObjectDesc* desc) {
    if (!desc) return nullptr;
    GameObject* object = NewObjectOfKind(desc->kind);
    if (!object) return nullptr;
    AddChild(object);
    object->Init(const_cast<ObjectDesc*>(desc));
    return object;
}

GameObject* GameObjectsMan::CreateLevelObject(const ObjectDesc* desc) {
    GameObject* object = CreateObject(desc);
    if (object && levelSlot.emplace(object, levelObjects.size()).second) levelObjects.push_back(object);
    return object;
}

void GameObjectsMan::DeleteLevelObjects() {
    // Deleting an object takes it off the list (ForgetObject), and an
    // object's Shutdown may delete others of the list: walk a copy, and only
    // delete what is still listed and still a child.
    std::vector<GameObject*> level = levelObjects;
    for (GameObject* object : level) {
        if (!object || !levelSlot.count(object)) continue;
        DeleteObject(object);
    }
    levelObjects.clear();
    levelSlot.clear();
    levelGaps = 0;
}

void GameObjectsMan::DeleteObject(GameObject* object) {
    ForgetObject(object);
    DeleteChild(object);
}

GameObject* GameObjectsMan::GetObjectById(std::uint32_t id) const {
    auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second.rbegin()->second;
}

void GameObjectsMan::AddChild(GameObject* object) {
    if (!object) return;
    System::AddChild(object);
    // Listed again, it is found at its last entry, as a walk would find it.
    Unindex(object);
    object->listedBy = this;
    listedAt[object] = nextPlace;
    byId[object->id][nextPlace++] = object;
}

void GameObjectsMan::Reindex(GameObject* object, std::uint32_t oldId) {
    auto listed = listedAt.find(object);
    if (listed == listedAt.end()) return;
    Unlist(oldId, listed->second);
    byId[object->id][listed->second] = object;
}

void GameObjectsMan::Unlist(std::uint32_t id, std::uint64_t place) {
    auto bucket = byId.find(id);
    if (bucket == byId.end()) return;
    bucket->second.erase(place);
    if (bucket->second.empty()) byId.erase(bucket);
}

void GameObjectsMan::Unindex(const GameObject* object) {
    auto listed = listedAt.find(object);
    if (listed == listedAt.end()) return;
    Unlist(object->id, listed->second);
    listedAt.erase(listed);
}

void GameObjectsMan::ForgetObject(const GameObject* object) {
    Unindex(object);
    auto it = levelSlot.find(object);
    if (it == levelSlot.end()) return;
    levelObjects[it->second] = nullptr;
    levelSlot.erase(it);
    if (++levelGaps * 2 > levelObjects.size()) CloseLevelGaps();
}

void GameObjectsMan::CloseLevelGaps() const {
    std::erase(levelObjects, nullptr);
    for (std::size_t i = 0; i < levelObjects.size(); ++i) levelSlot[levelObjects[i]] = i;
    levelGaps = 0;
}

const std::vector<GameObject*>& GameObjectsMan::LevelObjects() const {
    if (levelGaps > 0) CloseLevelGaps();
    return levelObjects;
}
