#include "ai/AIMan.h"

#include "ai/AI.h"
#include "ai/AI_Camera.h"
#include "ai/AI_Chase.h"
#include "ai/AI_Flee.h"
#include "ai/AI_Passive.h"
#include "ai/AI_Path.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

AIMan::~AIMan() {
    if (initialized) Shutdown();
}

bool AIMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::AIMan;
    if (!eTable::Register(name, this)) return false;
    cameraController = CreateChild<AI_Camera>();
    nextId = 0;
    levelIds.clear();
    initialized = true;
    return true;
}

bool AIMan::Shutdown() {
    if (!System::Shutdown()) return false;
    cameraController = nullptr;
    levelIds.clear();
    return true;
}

std::uint32_t AIMan::CreateAI(std::uint32_t kind, GameObject* object) {
    if (nextId == kNoAI) return kNoAI;  // every id has been handed out
    AI* controller = nullptr;
    switch (kind) {
        case kAIIdle: controller = CreateIdleAI(object); break;
        case kAIPath: controller = CreatePathAI(object); break;
        case kAIChase: controller = CreateChaseAI(object); break;
        case kAIFlee: controller = CreateFleeAI(object); break;
        case kAIPassive: controller = CreatePassiveAI(object); break;
        default: return kNoAI;
    }
    controller->SetId(nextId);
    return nextId++;
}

std::uint32_t AIMan::CreateLevelAI(std::uint32_t kind, GameObject* object) {
    const std::uint32_t id = CreateAI(kind, object);
    if (id != kNoAI) levelIds.push_back(id);
    return id;
}

AI* AIMan::AsController(System* child) {
    if (!child) return nullptr;
    const char* tag = child->Name();
    const bool isController = tag == ainames::AI || tag == ainames::AI_Path || tag == ainames::AI_Chase ||
                              tag == ainames::AI_Flee || tag == ainames::AI_Passive;
    return isController ? static_cast<AI*>(child) : nullptr;
}

AI* AIMan::GetAI(std::uint32_t id) const {
    if (id >= nextId) return nullptr;
    for (System* child : Children())
        if (AI* controller = AsController(child); controller && controller->Id() == id) return controller;
    return nullptr;
}

void AIMan::RemoveLevelAIs() {
    for (std::uint32_t id : levelIds)
        if (AI* controller = GetAI(id)) DeleteChild(controller);
    levelIds.clear();
}

AI* AIMan::CreateIdleAI(GameObject* object) { return CreateChild<AI>(object); }

AI* AIMan::CreatePathAI(GameObject* object) { return CreateChild<AI_Path>(object); }

AI* AIMan::CreateChaseAI(GameObject* object) { return CreateChild<AI_Chase>(object); }

AI* AIMan::CreateFleeAI(GameObject* object) { return CreateChild<AI_Flee>(object); }

AI* AIMan::CreatePassiveAI(GameObject* object) { return CreateChild<AI_Passive>(object); }
