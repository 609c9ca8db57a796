// World objects, the data bank and triggers.
#include "core/SystemNames.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "scripting/ZOPAPIInternal.h"

namespace zopapi {

// ---- World objects ----

ZOPAPI_HANDLER(AddRectTramp) {
    int id = 0, a = 0, b = 0;
    float x = 0, y = 0, z = 0, s = 0, unused1 = 0, unused2 = 0, unused3 = 0;
    if (!PyArg_ParseTuple(args, "i(fff)iiffff", &id, &x, &y, &z, &a, &b, &s, &unused1, &unused2, &unused3))
        return nullptr;
    // Pending: the trampoline through "GameObjectsMan" (comes with world).
    return SystemNotRunning(names::GameObjectsMan);
}

namespace {
PyObject* AddCharacter(PyObject* args) {
    int id = 0;
    float x = 0, y = 0, z = 0, yaw = 0, pitch = 0, scale = 0, extra = 0, inverseMass = 0;
    const char* character = nullptr;
    if (!PyArg_ParseTuple(args, "i(fff)fffffs", &id, &x, &y, &z, &yaw, &pitch, &scale, &extra, &inverseMass,
                          &character))
        return nullptr;
    // Pending: the character through "GameObjectsMan" (comes with world and characters).
    return SystemNotRunning(names::GameObjectsMan);
}
}  // namespace

ZOPAPI_HANDLER(AddGlobalNPC) { return AddCharacter(args); }
ZOPAPI_HANDLER(AddLevelNPC) { return AddCharacter(args); }

ZOPAPI_HANDLER(AddPC) {
    float x = 0, y = 0, z = 0, yaw = 0, pitch = 0, scale = 0;
    if (!PyArg_ParseTuple(args, "(fff)fff", &x, &y, &z, &yaw, &pitch, &scale)) return nullptr;
    // Pending: the player through "GameObjectsMan" (comes with world).
    return SystemNotRunning(names::GameObjectsMan);
}

ZOPAPI_HANDLER(AddLevelBasket) {
    float x = 0, y = 0, z = 0, size = 0;
    if (!PyArg_ParseTuple(args, "(fff)f", &x, &y, &z, &size)) return nullptr;
    // Pending: the basket through "GameObjectsMan" (comes with world).
    return SystemNotRunning(names::GameObjectsMan);
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
