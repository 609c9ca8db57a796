// World objects, the data bank and triggers.
#include "scripting/ZOPAPIInternal.h"

#include "Video/Object.h"
#include "characters/NPC.h"
#include "core/SystemNames.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "scripting/WorldLookup.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace zopapi {

// ---- World objects ----
// Each returns 0, or -1 when the manager refuses the object (a kind without
// a class, a trampoline grid out of bounds).

namespace {
// A trampoline's nodes are game objects of their own; grids past this many
// columns or rows are refused rather than left to exhaust the engine.
constexpr int kMaxTrampolineSide = 64;
constexpr char kPlayerCharacter[] = "Player";

GameObjectsMan* Objects() { return Target<GameObjectsMan>(names::GameObjectsMan); }

void Place(GameObject* object, float x, float y, float z) {
    if (!object->renderObject) return;
    object->renderObject->SetPosition(x, y, z);
    object->renderObject->UpdateWorldMatrix();
}

// Uniform scale, then yaw about y and pitch about x; roll is always 0.
void ScaleAndTurn(GameObject* object, float scale, float yaw, float pitch) {
    if (!object->renderObject) return;
    object->renderObject->SetScale(scale, scale, scale);
    object->renderObject->SetRotationYawPitchRoll(pitch, yaw, 0.0f);
}

void PlaceBody(GameObject* object, float x, float y, float z) {
    if (object->body) object->body->SetPositionXYZ(x, y, z);
}

PyObject* AddCharacter(PyObject* args, bool levelObject) {
    int id = 0;
    float x = 0, y = 0, z = 0, yaw = 0, pitch = 0, scale = 0, extra = 0, inverseMass = 0;
    const char* character = nullptr;
    if (!PyArg_ParseTuple(args, "i(fff)fffffs", &id, &x, &y, &z, &yaw, &pitch, &scale, &extra, &inverseMass,
                          &character))
        return nullptr;
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    ObjectDesc desc;
    desc.kind = kKindNPC;
    desc.character = character;
    GameObject* object = levelObject ? objects->CreateLevelObject(&desc) : objects->CreateObject(&desc);
    NPC* npc = scripting::CharacterOf(object);
    if (!npc) return Int(-1);
    npc->LoadCharacter(character);
    object->id = static_cast<std::uint32_t>(id);
    if (object->renderObject) object->renderObject->SetPosition(x, y, z);
    ScaleAndTurn(object, scale, yaw, pitch);
    npc->currentAnimation = npc->actionAnimations[0];
    PlaceBody(object, x, y, z);
    if (Point* point = scripting::OwnPoint(object)) point->SetInverseMass(inverseMass);
    return Zero();
}
}  // namespace

ZOPAPI_HANDLER(AddRectTramp) {
    int id = 0, columns = 0, rows = 0;
    float x = 0, y = 0, z = 0, spacing = 0, unused1 = 0, unused2 = 0, unused3 = 0;
    if (!PyArg_ParseTuple(args, "i(fff)iiffff", &id, &x, &y, &z, &columns, &rows, &spacing, &unused1, &unused2,
                          &unused3))
        return nullptr;
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    if (columns < 1 || rows < 1 || columns > kMaxTrampolineSide || rows > kMaxTrampolineSide) return Int(-1);
    ObjectDesc desc;
    desc.kind = kKindTrampoline;
    desc.columns = static_cast<std::uint32_t>(columns);
    desc.rows = static_cast<std::uint32_t>(rows);
    desc.spacing = spacing;
    desc.noBuild = 0;
    desc.position = {x, y, z};
    // A sheet that a level builds as it loads goes with the level, as its
    // characters do: a level loaded again builds it again. One built at any
    // other time (the game's own, in "initgame") lasts the whole run.
    GameObject* object = objects->LoadingLevel() ? objects->CreateLevelObject(&desc) : objects->CreateObject(&desc);
    if (!object) return Int(-1);
    Place(object, x, y, z);
    object->id = static_cast<std::uint32_t>(id);
    return Zero();
}

ZOPAPI_HANDLER(AddGlobalNPC) { return AddCharacter(args, false); }
ZOPAPI_HANDLER(AddLevelNPC) { return AddCharacter(args, true); }

ZOPAPI_HANDLER(AddPC) {
    float x = 0, y = 0, z = 0, yaw = 0, pitch = 0, scale = 0;
    if (!PyArg_ParseTuple(args, "(fff)fff", &x, &y, &z, &yaw, &pitch, &scale)) return nullptr;
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    ObjectDesc desc;
    desc.kind = kKindPlayer;
    desc.character = kPlayerCharacter;
    // The player loads the named character itself and keeps its own id.
    GameObject* object = objects->CreateObject(&desc);
    NPC* player = scripting::CharacterOf(object);
    if (!player) return Int(-1);
    if (object->renderObject) object->renderObject->SetPosition(x, y, z);
    PlaceBody(object, x, y, z);
    ScaleAndTurn(object, scale, yaw, pitch);
    player->currentAnimation = player->actionAnimations[0];
    return Zero();
}

ZOPAPI_HANDLER(AddLevelBasket) {
    float x = 0, y = 0, z = 0, size = 0;
    if (!PyArg_ParseTuple(args, "(fff)f", &x, &y, &z, &size)) return nullptr;
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    ObjectDesc desc;
    desc.kind = kKindBasket;
    desc.size = size;
    desc.position = D3DXVECTOR3(x, y, z);
    return Int(objects->CreateLevelObject(&desc) ? 0 : -1);
}

// ---- Data bank ----

ZOPAPI_HANDLER(SetInt) {
    unsigned char slot = 0;
    int value = 0;
    if (!PyArg_ParseTuple(args, "Bi", &slot, &value)) return nullptr;
    auto* python = Target<PythonMan>(names::PythonMan);
    if (!python) return nullptr;
    python->SetInt(slot, value);
    return Zero();
}

ZOPAPI_HANDLER(SetFloat) {
    unsigned char slot = 0;
    float value = 0;
    if (!PyArg_ParseTuple(args, "Bf", &slot, &value)) return nullptr;
    auto* python = Target<PythonMan>(names::PythonMan);
    if (!python) return nullptr;
    python->SetFloat(slot, value);
    return Zero();
}

ZOPAPI_HANDLER(GetInt) {
    unsigned char slot = 0;
    if (!PyArg_ParseTuple(args, "B", &slot)) return nullptr;
    auto* python = Target<PythonMan>(names::PythonMan);
    return python ? Int(python->GetInt(slot)) : nullptr;
}

ZOPAPI_HANDLER(GetFloat) {
    unsigned char slot = 0;
    if (!PyArg_ParseTuple(args, "B", &slot)) return nullptr;
    auto* python = Target<PythonMan>(names::PythonMan);
    return python ? Float(python->GetFloat(slot)) : nullptr;
}

// ---- Triggers ----

ZOPAPI_HANDLER(BuildTrigger) {
    int reusable = 0, nEvents = 0, nConditions = 0;
    int ids[EventHandler::kMaxBuildIds] = {};
    if (!PyArg_ParseTuple(args, "iii|iiiiiiiiii", &reusable, &nEvents, &nConditions, &ids[0], &ids[1], &ids[2],
                          &ids[3], &ids[4], &ids[5], &ids[6], &ids[7], &ids[8], &ids[9]))
        return nullptr;
    auto* handler = Target<EventHandler>(names::EventHandler);
    if (!handler) return nullptr;
    return Int(handler->BuildTrigger(reusable != 0, nEvents, nConditions, ids));
}

ZOPAPI_HANDLER(AddTrigger) {
    auto* handler = Target<EventHandler>(names::EventHandler);
    return handler ? Int(handler->AddTrigger()) : nullptr;
}

namespace {
// Ids from scripts are ints; a negative one is out of range like any other.
std::uint32_t Index(int id) { return id < 0 ? UINT32_MAX : static_cast<std::uint32_t>(id); }

template <class Operation>
PyObject* OnTwoIds(PyObject* args, Operation operation) {
    int first = 0, second = 0;
    if (!PyArg_ParseTuple(args, "ii", &first, &second)) return nullptr;
    auto* handler = Target<EventHandler>(names::EventHandler);
    if (!handler) return nullptr;
    return Int((handler->*operation)(Index(first), Index(second)) ? 1 : 0);
}

template <class Operation>
PyObject* OnTrigger(PyObject* args, Operation operation) {
    int trigger = 0;
    if (!PyArg_ParseTuple(args, "i", &trigger)) return nullptr;
    auto* handler = Target<EventHandler>(names::EventHandler);
    if (!handler) return nullptr;
    return Int(operation(*handler, Index(trigger)) ? 1 : 0);
}
}  // namespace

ZOPAPI_HANDLER(AddEventToTrigger) { return OnTwoIds(args, &EventHandler::AddEventToTrigger); }
ZOPAPI_HANDLER(AddConditionToTrigger) { return OnTwoIds(args, &EventHandler::AddConditionToTrigger); }

ZOPAPI_HANDLER(DisableTrigger) {
    return OnTrigger(args, [](EventHandler& h, std::uint32_t t) { return h.DisableTrigger(t); });
}
ZOPAPI_HANDLER(EnableTrigger) {
    return OnTrigger(args, [](EventHandler& h, std::uint32_t t) { return h.EnableTrigger(t); });
}
ZOPAPI_HANDLER(SetTriggerReusable) {
    return OnTrigger(args, [](EventHandler& h, std::uint32_t t) { return h.SetTriggerReusable(t, true); });
}
ZOPAPI_HANDLER(SetTriggerSingleUse) {
    return OnTrigger(args, [](EventHandler& h, std::uint32_t t) { return h.SetTriggerReusable(t, false); });
}

}  // namespace zopapi
