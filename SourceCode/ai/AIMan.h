#pragma once
#include <cstdint>
#include <vector>

#include "core/System.h"

class AI;
class AI_Camera;
class GameObject;

// "AIMan": owns the camera controller (its first child) and every AI
// controller, numbers the controllers and removes the current level's ones at
// a level change. An id is never handed out twice: numbering goes on after a
// level's controllers are gone, so an id a script kept from an earlier level
// finds nothing rather than another level's controller.
class AIMan : public System {
public:
    // The id of a refused creation (-1 to scripts).
    static constexpr std::uint32_t kNoAI = 0xFFFFFFFFu;

    AIMan() = default;
    ~AIMan() override;

    // Arguments ignored. Creates the camera controller.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // A controller of the kind (0..4) driving object (may be null) that
    // outlives levels; kNoAI, with nothing created, for any other kind.
    std::uint32_t CreateAI(std::uint32_t kind, GameObject* object);
    // The same, removed at the next level change.
    std::uint32_t CreateLevelAI(std::uint32_t kind, GameObject* object);
    // Null for an id no living controller has.
    AI* GetAI(std::uint32_t id) const;
    void RemoveLevelAIs();

    AI_Camera* CameraController() const { return cameraController; }
    std::uint32_t NextId() const { return nextId; }

private:
    AI* CreateIdleAI(GameObject* object);
    AI* CreatePathAI(GameObject* object);
    AI* CreateChaseAI(GameObject* object);
    AI* CreateFleeAI(GameObject* object);
    AI* CreatePassiveAI(GameObject* object);
    // The child as a controller, null for the camera controller.
    static AI* AsController(System* child);

    AI_Camera* cameraController = nullptr;
    std::uint32_t nextId = 0;
    std::vector<std::uint32_t> levelIds;
};
