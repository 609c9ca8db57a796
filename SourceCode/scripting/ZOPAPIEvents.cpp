// The Add...Event functions: each parses its arguments, builds the event and
// hands it to "EventHandler", returning the event's id. Colours arrive alpha
// first and are stored red, green, blue, alpha.
#include "scripting/ZOPAPIInternal.h"

#include "core/SystemNames.h"
#include "scripting/EventHandler.h"
#include "ui/HUDText.h"

namespace zopapi {
namespace {
using namespace event_params;

PyObject* Store(EventType type, Event::Params params) {
    auto* handler = Target<EventHandler>(names::EventHandler);
    if (!handler) return nullptr;
    return Int(handler->AddEvent(new Event(type, std::move(params))));
}

PyObject* StoreBare(EventType type) { return Store(type, std::monostate{}); }

PyObject* IdEvent(PyObject* args, EventType type) {
    int id = 0;
    if (!PyArg_ParseTuple(args, "i", &id)) return nullptr;
    return Store(type, IdValue{id, 0});
}

PyObject* TwoIdEvent(PyObject* args, EventType type) {
    int id = 0, value = 0;
    if (!PyArg_ParseTuple(args, "ii", &id, &value)) return nullptr;
    return Store(type, IdValue{id, value});
}

PyObject* TextEvent(PyObject* args, EventType type) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    return Store(type, Text{0, 0, 0, text});
}

PyObject* FadeEvent(PyObject* args, EventType type) {
    int id = 0;
    float a = 0, r = 0, g = 0, b = 0, rate = 0;
    if (!PyArg_ParseTuple(args, "ifffff", &id, &a, &r, &g, &b, &rate)) return nullptr;
    return Store(type, Colour{id, {r, g, b, a}, rate});
}
}  // namespace

ZOPAPI_HANDLER(AddCreateNPCEvent) {
    int id = 0, spare = 0, action = 0;
    float x = 0, y = 0, z = 0, yaw = 0, pitch = 0, scale = 0, extra = 0, inverseMass = 0;
    const char* character = nullptr;
    if (!PyArg_ParseTuple(args, "i(fff)fffffiis", &id, &x, &y, &z, &yaw, &pitch, &scale, &extra, &inverseMass,
                          &spare, &action, &character))
        return nullptr;
    return Store(EventType::CreateNPC, event_params::CreateNPC{id, x, y, z, yaw, pitch, scale, action, inverseMass,
                                                               character});
}

ZOPAPI_HANDLER(AddMoveObjEvent) {
    int id = 0;
    float x = 0, y = 0, z = 0, time = 0;
    if (!PyArg_ParseTuple(args, "i(fff)f", &id, &x, &y, &z, &time)) return nullptr;
    return Store(EventType::MoveObj, IdVector{id, x, y, z, time});
}

ZOPAPI_HANDLER(AddRotateObjEvent) {
    int id = 0;
    float yaw = 0, pitch = 0, time = 0;
    if (!PyArg_ParseTuple(args, "ifff", &id, &yaw, &pitch, &time)) return nullptr;
    return Store(EventType::RotateObj, IdFloats{id, yaw, pitch, time});
}

ZOPAPI_HANDLER(AddScaleObjEvent) {
    int id = 0;
    float scale = 0, time = 0;
    if (!PyArg_ParseTuple(args, "iff", &id, &scale, &time)) return nullptr;
    return Store(EventType::ScaleObj, IdFloats{id, scale, 0, time});
}

ZOPAPI_HANDLER(AddRemoveObjEvent) { return IdEvent(args, EventType::RemoveObj); }
ZOPAPI_HANDLER(AddChangeAIEvent) { return TwoIdEvent(args, EventType::ChangeAI); }
ZOPAPI_HANDLER(AddChangeAniEvent) { return TwoIdEvent(args, EventType::ChangeAni); }
ZOPAPI_HANDLER(AddCallPyFuncEvent) { return TextEvent(args, EventType::CallPyFunc); }
ZOPAPI_HANDLER(AddWinEvent) { return StoreBare(EventType::Win); }
ZOPAPI_HANDLER(AddLoseEvent) { return StoreBare(EventType::Lose); }
ZOPAPI_HANDLER(AddSetNextLevelEvent) { return TextEvent(args, EventType::SetNextLevel); }

ZOPAPI_HANDLER(AddShowTextEvent) {
    float x = 0, y = 0;
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "ffs", &x, &y, &text)) return nullptr;
    return Store(EventType::ShowText, Text{0, x, y, GlyphCodesFromUtf8(text)});
}

ZOPAPI_HANDLER(AddPlaySoundEvent) { return TextEvent(args, EventType::PlaySound); }
ZOPAPI_HANDLER(AddNextMusicClipEvent) { return TextEvent(args, EventType::NextMusicClip); }
ZOPAPI_HANDLER(AddTriggerConditionEvent) { return IdEvent(args, EventType::TriggerCondition); }
ZOPAPI_HANDLER(AddToggleConditionEvent) { return IdEvent(args, EventType::ToggleCondition); }
ZOPAPI_HANDLER(AddSetPyVarIntEvent) { return TwoIdEvent(args, EventType::SetPyVarInt); }

ZOPAPI_HANDLER(AddSetPyVarFloatEvent) {
    int slot = 0;
    float value = 0;
    if (!PyArg_ParseTuple(args, "if", &slot, &value)) return nullptr;
    return Store(EventType::SetPyVarFloat, SlotFloat{slot, value});
}

ZOPAPI_HANDLER(AddSetObjectVelocityEvent) {
    int id = 0;
    float x = 0, y = 0, z = 0;
    if (!PyArg_ParseTuple(args, "i(fff)", &id, &x, &y, &z)) return nullptr;
    return Store(EventType::SetObjectVelocity, IdVector{id, x, y, z, 0});
}

ZOPAPI_HANDLER(AddModifyScoreEvent) { return IdEvent(args, EventType::ModifyScore); }
ZOPAPI_HANDLER(AddEnableTriggerEvent) { return IdEvent(args, EventType::EnableTrigger); }
ZOPAPI_HANDLER(AddDisableTriggerEvent) { return IdEvent(args, EventType::DisableTrigger); }
ZOPAPI_HANDLER(AddQuitGameEvent) { return StoreBare(EventType::QuitGame); }
ZOPAPI_HANDLER(AddPauseGameEvent) { return StoreBare(EventType::PauseGame); }
ZOPAPI_HANDLER(AddUnpauseGameEvent) { return StoreBare(EventType::UnpauseGame); }
ZOPAPI_HANDLER(AddLockObjectPosEvent) { return IdEvent(args, EventType::LockObjectPos); }

ZOPAPI_HANDLER(AddModifyLightEvent) {
    int id = 0;
    float a = 0, r = 0, g = 0, b = 0;
    if (!PyArg_ParseTuple(args, "iffff", &id, &a, &r, &g, &b)) return nullptr;
    return Store(EventType::ModifyLight, Colour{id, {r, g, b, a}, 0});
}

ZOPAPI_HANDLER(AddLockTrampNodeEvent) {
    int node = 0;
    float height = 0;
    if (!PyArg_ParseTuple(args, "if", &node, &height)) return nullptr;
    return Store(EventType::LockTrampNode, IdFloats{node, height, 0, 0});
}

ZOPAPI_HANDLER(AddLockTrampNodeXYZEvent) {
    int node = 0;
    float x = 0, y = 0, z = 0;
    if (!PyArg_ParseTuple(args, "ifff", &node, &x, &y, &z)) return nullptr;
    return Store(EventType::LockTrampNodeXYZ, IdVector{node, x, y, z, 0});
}

ZOPAPI_HANDLER(AddUnlockTrampNodeEvent) { return IdEvent(args, EventType::UnlockTrampNode); }

ZOPAPI_HANDLER(AddChangeSurfacePropsEvent) {
    int id = 0, power = 0;
    float d[4] = {}, s[4] = {};
    if (!PyArg_ParseTuple(args, "i(ffff)(ffff)i", &id, &d[3], &d[0], &d[1], &d[2], &s[3], &s[0], &s[1], &s[2],
                          &power))
        return nullptr;
    return Store(EventType::ChangeSurfaceProps,
                 Surface{id, {d[0], d[1], d[2], d[3]}, {s[0], s[1], s[2], s[3]}, power});
}

ZOPAPI_HANDLER(AddChangeEyesEvent) {
    int id = 0;
    const char* texture = nullptr;
    if (!PyArg_ParseTuple(args, "is", &id, &texture)) return nullptr;
    return Store(EventType::ChangeEyes, Text{id, 0, 0, texture});
}

ZOPAPI_HANDLER(AddAlterTimeElapsedCondEvent) {
    int condition = 0;
    float start = 0;
    if (!PyArg_ParseTuple(args, "if", &condition, &start)) return nullptr;
    return Store(EventType::AlterTimeElapsedCond, IdFloats{condition, start, 0, 0});
}

ZOPAPI_HANDLER(AddFadeSplashScreenEvent) { return FadeEvent(args, EventType::FadeSplashScreen); }
ZOPAPI_HANDLER(AddFadeTextEvent) { return FadeEvent(args, EventType::FadeText); }

ZOPAPI_HANDLER(AddAlterTextEvent) {
    int id = 0;
    const char* text = nullptr;
    float alpha = 0;
    if (!PyArg_ParseTuple(args, "isf", &id, &text, &alpha)) return nullptr;
    return Store(EventType::AlterText, Text{id, alpha, 0, GlyphCodesFromUtf8(text)});
}

ZOPAPI_HANDLER(AddMoveObjectUnderEvent) { return TwoIdEvent(args, EventType::MoveObjectUnder); }

}  // namespace zopapi
