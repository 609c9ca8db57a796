#include "scripting/ZOPAPI.h"

#include "core/SystemNames.h"
#include "platform/common/NowRunning.h"
#include "scripting/ScriptEnd.h"
#include "scripting/ZOPAPIInternal.h"

namespace zopapi {
namespace {
// Every function refuses, with RuntimeError, once the game's end has begun:
// the end waits a little for the threads a script left running, and what
// they make then would only lengthen it. A process a script forked is
// refused too: the engine's display, devices and files are the game's.
const char* FunctionName(PyCFunction served);

template <PyCFunction handler>
PyObject* Served(PyObject* module, PyObject* args) {
    if (GameIsEnding()) {
        PyErr_SetString(PyExc_RuntimeError, "the game is ending: the engine takes no more calls");
        return nullptr;
    }
    if (InForkedChild()) {
        PyErr_SetString(PyExc_RuntimeError, "a forked process cannot call the engine: it runs in the game's process only");
        return nullptr;
    }
    // Should the engine's work for the call outlast an end signal, the line
    // that ends the game names the call rather than blaming the script.
    static const char* const name = FunctionName(Served<handler>);
    plat::NowRunning running("calling ZOPAPI.", name);
    return handler(module, args);
}

// The functions in the order scripts have always found them, each with its
// documentation text. Handlers shared by several names (the reserved
// conditions) appear once per name.
PyMethodDef methods[] = {
    // World objects
    {"AddRectTramp", Served<AddRectTramp>, METH_VARARGS, "AddRectTramp(id, (x, y, z), columns, rows, spacing, unused1, unused2, unused3) -> 0, or -1 for a side below 1 or above 64\n\nAdds a rectangular trampoline to the world: its nodes lie around (x, y, z), at height y."},
    {"AddGlobalNPC", Served<AddGlobalNPC>, METH_VARARGS, "AddGlobalNPC(id, (x, y, z), yaw, pitch, scale, extra, inverseMass, character) -> 0 (a character without a file shows as a white ball)\n\nAdds an NPC to the game."},
    {"AddLevelNPC", Served<AddLevelNPC>, METH_VARARGS, "AddLevelNPC(id, (x, y, z), yaw, pitch, scale, extra, inverseMass, character) -> 0 (a character without a file shows as a white ball)\n\nAdds an NPC to the level."},
    {"AddPC", Served<AddPC>, METH_VARARGS, "AddPC((x, y, z), yaw, pitch, scale) -> 0\n\nAdds a PC to the world."},
    {"AddLevelBasket", Served<AddLevelBasket>, METH_VARARGS, "AddLevelBasket((x, y, z), size) -> 0\n\nAdds a basket to the level."},
    // Data bank
    {"SetInt", Served<SetInt>, METH_VARARGS, "SetInt(slot, value) -> 0\n\nSets an int in the python data bank."},
    {"SetFloat", Served<SetFloat>, METH_VARARGS, "SetFloat(slot, value) -> 0\n\nSets a float in the python data bank."},
    {"GetInt", Served<GetInt>, METH_VARARGS, "GetInt(slot) -> the int in data-bank slot 0..255\n\nGets an int from the python data bank."},
    {"GetFloat", Served<GetFloat>, METH_VARARGS, "GetFloat(slot) -> the float in data-bank slot 0..255\n\nGets a float from the python data bank."},
    // Triggers
    {"BuildTrigger", Served<BuildTrigger>, METH_VARARGS, "BuildTrigger(reusable, eventCount, conditionCount, id1, ..., id10) -> the trigger id, or -1 when refused\n\nTies events and conditions together (Limit: 10 events+conditions)."},
    {"AddTrigger", Served<AddTrigger>, METH_VARARGS, "AddTrigger() -> the trigger id\n\nAdds an empty trigger to the event handler."},
    {"AddEventToTrigger", Served<AddEventToTrigger>, METH_VARARGS, "AddEventToTrigger(trigger, event) -> 1 done, 0 refused (no such id)\n\nAdds an event to the given trigger."},
    {"AddConditionToTrigger", Served<AddConditionToTrigger>, METH_VARARGS, "AddConditionToTrigger(trigger, condition) -> 1 done, 0 refused (no such id)\n\nAdds a condition to the given trigger."},
    {"DisableTrigger", Served<DisableTrigger>, METH_VARARGS, "DisableTrigger(trigger) -> 1 done, 0 refused (no such id)\n\nDisables the given trigger."},
    {"EnableTrigger", Served<EnableTrigger>, METH_VARARGS, "EnableTrigger(trigger) -> 1 done, 0 refused (no such id)\n\nEnables the given trigger."},
    {"SetTriggerReusable", Served<SetTriggerReusable>, METH_VARARGS, "SetTriggerReusable(trigger) -> 1 done, 0 refused (no such id)\n\nSets the given trigger to be reusable."},
    {"SetTriggerSingleUse", Served<SetTriggerSingleUse>, METH_VARARGS, "SetTriggerSingleUse(trigger) -> 1 done, 0 refused (no such id)\n\nSets the given trigger to be single use only."},
    // Events
    {"AddCreateNPCEvent", Served<AddCreateNPCEvent>, METH_VARARGS, "AddCreateNPCEvent(id, (x, y, z), yaw, pitch, scale, extra, inverseMass, spare, action, character) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddMoveObjEvent", Served<AddMoveObjEvent>, METH_VARARGS, "AddMoveObjEvent(id, (x, y, z), time) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddRotateObjEvent", Served<AddRotateObjEvent>, METH_VARARGS, "AddRotateObjEvent(id, yaw, pitch, time) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddScaleObjEvent", Served<AddScaleObjEvent>, METH_VARARGS, "AddScaleObjEvent(id, scale, time) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddRemoveObjEvent", Served<AddRemoveObjEvent>, METH_VARARGS, "AddRemoveObjEvent(id) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddChangeAIEvent", Served<AddChangeAIEvent>, METH_VARARGS, "AddChangeAIEvent(id, ai) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddChangeAniEvent", Served<AddChangeAniEvent>, METH_VARARGS, "AddChangeAniEvent(id, action) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddCallPyFuncEvent", Served<AddCallPyFuncEvent>, METH_VARARGS, "AddCallPyFuncEvent(function) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddWinEvent", Served<AddWinEvent>, METH_VARARGS, "AddWinEvent() -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddLoseEvent", Served<AddLoseEvent>, METH_VARARGS, "AddLoseEvent() -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddSetNextLevelEvent", Served<AddSetNextLevelEvent>, METH_VARARGS, "AddSetNextLevelEvent(module) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddShowTextEvent", Served<AddShowTextEvent>, METH_VARARGS, "AddShowTextEvent(x, y, text) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddPlaySoundEvent", Served<AddPlaySoundEvent>, METH_VARARGS, "AddPlaySoundEvent(sound) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddNextMusicClipEvent", Served<AddNextMusicClipEvent>, METH_VARARGS, "AddNextMusicClipEvent(music) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddTriggerConditionEvent", Served<AddTriggerConditionEvent>, METH_VARARGS, "AddTriggerConditionEvent(condition) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddToggleConditionEvent", Served<AddToggleConditionEvent>, METH_VARARGS, "AddToggleConditionEvent(condition) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddSetPyVarIntEvent", Served<AddSetPyVarIntEvent>, METH_VARARGS, "AddSetPyVarIntEvent(slot, value) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddSetPyVarFloatEvent", Served<AddSetPyVarFloatEvent>, METH_VARARGS, "AddSetPyVarFloatEvent(slot, value) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddSetObjectVelocityEvent", Served<AddSetObjectVelocityEvent>, METH_VARARGS, "AddSetObjectVelocityEvent(id, (x, y, z)) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddModifyScoreEvent", Served<AddModifyScoreEvent>, METH_VARARGS, "AddModifyScoreEvent(amount) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddEnableTriggerEvent", Served<AddEnableTriggerEvent>, METH_VARARGS, "AddEnableTriggerEvent(trigger) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddDisableTriggerEvent", Served<AddDisableTriggerEvent>, METH_VARARGS, "AddDisableTriggerEvent(trigger) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddQuitGameEvent", Served<AddQuitGameEvent>, METH_VARARGS, "AddQuitGameEvent() -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddPauseGameEvent", Served<AddPauseGameEvent>, METH_VARARGS, "AddPauseGameEvent() -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddUnpauseGameEvent", Served<AddUnpauseGameEvent>, METH_VARARGS, "AddUnpauseGameEvent() -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddLockObjectPosEvent", Served<AddLockObjectPosEvent>, METH_VARARGS, "AddLockObjectPosEvent(id) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddModifyLightEvent", Served<AddModifyLightEvent>, METH_VARARGS, "AddModifyLightEvent(id, a, r, g, b) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeEvent", Served<AddLockTrampNodeEvent>, METH_VARARGS, "AddLockTrampNodeEvent(node, height) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeXYZEvent", Served<AddLockTrampNodeXYZEvent>, METH_VARARGS, "AddLockTrampNodeXYZEvent(node, x, y, z) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddUnlockTrampNodeEvent", Served<AddUnlockTrampNodeEvent>, METH_VARARGS, "AddUnlockTrampNodeEvent(node) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddChangeSurfacePropsEvent", Served<AddChangeSurfacePropsEvent>, METH_VARARGS, "AddChangeSurfacePropsEvent(id, (a, r, g, b), (a, r, g, b), power) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddChangeEyesEvent", Served<AddChangeEyesEvent>, METH_VARARGS, "AddChangeEyesEvent(id, texture) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddAlterTimeElapsedCondEvent", Served<AddAlterTimeElapsedCondEvent>, METH_VARARGS, "AddAlterTimeElapsedCondEvent(condition, start) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddFadeSplashScreenEvent", Served<AddFadeSplashScreenEvent>, METH_VARARGS, "AddFadeSplashScreenEvent(id, a, r, g, b, rate) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddFadeTextEvent", Served<AddFadeTextEvent>, METH_VARARGS, "AddFadeTextEvent(id, a, r, g, b, rate) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddAlterTextEvent", Served<AddAlterTextEvent>, METH_VARARGS, "AddAlterTextEvent(id, text, alpha) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    {"AddMoveObjectUnderEvent", Served<AddMoveObjectUnderEvent>, METH_VARARGS, "AddMoveObjectUnderEvent(id, above) -> event id\n\nAdds an event to the event handler and returns the events ID."},
    // Conditions
    {"AddSingleSingleColCondition", Served<AddSingleSingleColCondition>, METH_VARARGS, "AddSingleSingleColCondition(first, second) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddSingleGroupColCondition", Served<ReservedCondition>, METH_VARARGS, "AddSingleGroupColCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupSingleColCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupSingleColCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupGroupColCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupGroupColCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddSingleInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "AddSingleInAreaCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupInAreaCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddSingleNotInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "AddSingleNotInAreaCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupNotInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupNotInAreaCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddTimeCondition", Served<AddTimeCondition>, METH_VARARGS, "AddTimeCondition(time) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddTimePassedCondition", Served<AddTimePassedCondition>, METH_VARARGS, "AddTimePassedCondition(start, duration) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddCalledCondition", Served<AddCalledCondition>, METH_VARARGS, "AddCalledCondition() -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfAniCondition", Served<ReservedCondition>, METH_VARARGS, "AddSingleEndOfAniCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfAniCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupEndOfAniCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddPlayerStatusCondition", Served<ReservedCondition>, METH_VARARGS, "AddPlayerStatusCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfPathCondition", Served<AddSingleEndOfPathCondition>, METH_VARARGS, "AddSingleEndOfPathCondition(id) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfPathCondition", Served<ReservedCondition>, METH_VARARGS, "AddGroupEndOfPathCondition(*args) -> -1 (reserved: no condition is made)\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddScoreCondition", Served<AddScoreCondition>, METH_VARARGS, "AddScoreCondition(score) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddKeyPressedCondition", Served<AddKeyPressedCondition>, METH_VARARGS, "AddKeyPressedCondition(key) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddKeyTriggeredCondition", Served<AddKeyTriggeredCondition>, METH_VARARGS, "AddKeyTriggeredCondition(key) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddPyFuncCondition", Served<AddPyFuncCondition>, METH_VARARGS, "AddPyFuncCondition(function) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddToggleCondition", Served<AddToggleCondition>, METH_VARARGS, "AddToggleCondition() -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarIntCondition", Served<AddPyVarIntCondition>, METH_VARARGS, "AddPyVarIntCondition(slot, value) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarFloatCondition", Served<AddPyVarFloatCondition>, METH_VARARGS, "AddPyVarFloatCondition(slot, value) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarIntCondition", Served<AddNotPyVarIntCondition>, METH_VARARGS, "AddNotPyVarIntCondition(slot, value) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarFloatCondition", Served<AddNotPyVarFloatCondition>, METH_VARARGS, "AddNotPyVarFloatCondition(slot, value) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddButtonClickedCondition", Served<AddButtonClickedCondition>, METH_VARARGS, "AddButtonClickedCondition(button) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddDownwardVelocityCondition", Served<AddDownwardVelocityCondition>, METH_VARARGS, "AddDownwardVelocityCondition(id, speed) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddRangeToLockedObjCondition", Served<AddRangeToLockedObjCondition>, METH_VARARGS, "AddRangeToLockedObjCondition(first, second, range) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddNotCondition", Served<AddNotCondition>, METH_VARARGS, "AddNotCondition(condition) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    {"AddOrCondition", Served<AddOrCondition>, METH_VARARGS, "AddOrCondition(first, second) -> condition id\n\nAdds a condition to the event handler and returns the conditions ID."},
    // AI and paths
    {"CreateLevelAI", Served<CreateLevelAI>, METH_VARARGS, "CreateLevelAI(kind, id) -> the AI id, or -1 for an unknown kind\n\nCreates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"CreateGlobalAI", Served<CreateGlobalAI>, METH_VARARGS, "CreateGlobalAI(kind, id) -> the AI id, or -1 for an unknown kind\n\nCreates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"SwitchAI", Served<SwitchAI>, METH_VARARGS, "SwitchAI(ai, id) -> the AI id given\n\nSwitches the AI of a specified object to the specified AI ID and returns the result."},
    {"DisableAI", Served<DisableAI>, METH_VARARGS, "DisableAI(ai) -> the AI id given\n\nDisables the specified AI."},
    {"EnableAI", Served<EnableAI>, METH_VARARGS, "EnableAI(ai) -> the AI id given\n\nEnables the specified AI."},
    {"AssignPathToAI", Served<AssignPathToAI>, METH_VARARGS, "AssignPathToAI(ai, path) -> the AI id given\n\nAssigns the specified path to the specified AI if it is a path following AI."},
    {"CreatePath", Served<CreatePath>, METH_VARARGS, "CreatePath() -> the path id\n\nCreates a path and returns the ID."},
    {"AddPointToPath", Served<AddPointToPath>, METH_VARARGS, "AddPointToPath(path, (x, y, z)) -> 1 done, 0 refused\n\nAdds a point to the specified path."},
    {"SetPathTime", Served<SetPathTime>, METH_VARARGS, "SetPathTime(path, seconds) -> 1 done, 0 refused\n\nSets the time to take traveling along the specified path."},
    {"SetPathSpeed", Served<SetPathSpeed>, METH_VARARGS, "SetPathSpeed(path, speed) -> 1 done, 0 refused\n\nSets the speed to travel along the specified path."},
    {"SetPathSingle", Served<SetPathSingle>, METH_VARARGS, "SetPathSingle(path) -> 1 done, 0 refused\n\nSets the path to run through only a single time."},
    {"SetPathCyclic", Served<SetPathCyclic>, METH_VARARGS, "SetPathCyclic(path) -> 1 done, 0 refused\n\nSets the path to run repeatedly, moving to the beginning after reaching the end."},
    {"SetPathReversing", Served<SetPathReversing>, METH_VARARGS, "SetPathReversing(path) -> 1 done, 0 refused\n\nSets the path to run back and forth, turning around at each end."},
    // Camera
    {"CamSetYRange", Served<CamSetYRange>, METH_VARARGS, "CamSetYRange(low, high) -> 0\n\nSets the min and max Y of the camera."},
    {"CamSetYPosition", Served<CamSetYPosition>, METH_VARARGS, "CamSetYPosition(y) -> 0\n\nSets the min and max Y of the camera."},
    {"CamSetRadiusRange", Served<CamSetRadiusRange>, METH_VARARGS, "CamSetRadiusRange(low, high) -> 0\n\nSets the min and max radius for the camera."},
    {"CamSetRadius", Served<CamSetRadius>, METH_VARARGS, "CamSetRadius(radius) -> 0\n\nSets the min and max radius for the camera."},
    {"CamSetAngleRange", Served<CamSetAngleRange>, METH_VARARGS, "CamSetAngleRange(low, high) -> 0\n\nSets the min and max viewing angle for the camera."},
    {"CamSetAngle", Served<CamSetAngle>, METH_VARARGS, "CamSetAngle(angle) -> 0\n\nSets the min and max viewing angle for the camera."},
    {"CamSetRotationAngle", Served<CamSetRotationAngle>, METH_VARARGS, "CamSetRotationAngle(angle) -> 0\n\nSets the rotation of the camera around the Y axis."},
    {"CamLock", Served<CamLock>, METH_VARARGS, "CamLock() -> 0\n\nSets the min and max viewing angle for the camera."},
    {"CamUnlock", Served<CamUnlock>, METH_VARARGS, "CamUnlock() -> 0\n\nSets the min and max viewing angle for the camera."},
    // User interface and level settings
    {"ClearUIObjects", Served<ClearUIObjects>, METH_VARARGS, "ClearUIObjects() -> 0\n\nClears the UI objects from this level."},
    {"AddSplashScreen", Served<AddSplashScreen>, METH_VARARGS, "AddSplashScreen(texture, caption) -> the user-interface object's id\n\nAdds a splash screen to this level."},
    {"AddButton", Served<AddButton>, METH_VARARGS, "AddButton(left, right, top, bottom, texture, label, spacing, size, glyphCount, randomRange) -> the button's id (for AddButtonClickedCondition)\n\nAdds a button to this level."},
    {"AddAnimatedButton", Served<AddAnimatedButton>, METH_VARARGS, "AddAnimatedButton(left, right, top, bottom, texture, label, spacing, size, glyphCount, randomRange, rate, amount, height) -> the button's id (for AddButtonClickedCondition)\n\nAdds a button to this level."},
    {"AddText", Served<AddText>, METH_VARARGS, "AddText(text, spacing, size, (x, y), glyphCount, randomRange) -> the text's id\n\nAdds text to this level."},
    {"AddAnimatedText", Served<AddAnimatedText>, METH_VARARGS, "AddAnimatedText(text, spacing, size, (x, y), glyphCount, randomRange, rate, amount, height) -> the text's id\n\nAdds animated text to this level."},
    {"ShowCursor", Served<ShowCursor>, METH_VARARGS, "ShowCursor() -> 0\n\nShows the cursor."},
    {"HideCursor", Served<HideCursor>, METH_VARARGS, "HideCursor() -> 0\n\nHides the cursor."},
    {"AddFire", Served<AddFire>, METH_VARARGS, "AddFire(x, y, z, scale) -> the user-interface object's id\n\nAdds fire used for the menus."},
    {"AddHUD", Served<AddHUD>, METH_VARARGS, "AddHUD() -> 0\n\nAdds the HUD to display."},
    {"RemoveHUD", Served<RemoveHUD>, METH_VARARGS, "RemoveHUD() -> 0\n\nRemoves the HUD from the display."},
    {"SetLevelTime", Served<SetLevelTime>, METH_VARARGS, "SetLevelTime(seconds) -> 0\n\nSets the amount of time left for a level"},
    {"SetSkybox", Served<SetSkybox>, METH_VARARGS, "SetSkybox(texture) -> 0\n\nSets the skybox to use"},
    {"SetBackColor", Served<SetBackColor>, METH_VARARGS, "SetBackColor(r, g, b, a) -> 0\n\nSets the background color to use."},
    {"SetPhysicsStatus", Served<SetPhysicsStatus>, METH_VARARGS, "SetPhysicsStatus(on) -> 0\n\nEnables/Disables physics for entire app."},
    {"SetGameObjStatus", Served<SetGameObjStatus>, METH_VARARGS, "SetGameObjStatus(id, ignored, on) -> 0\n\nEnables/Disables use of a given game object"},
    {"SetPlayerControl", Served<SetPlayerControl>, METH_VARARGS, "SetPlayerControl(on) -> 0\n\nEnables/Disables control over the character"},
    {"GetGameTime", Served<GetGameTime>, METH_VARARGS, "GetGameTime() -> the unpaused game time in seconds (float)\n\nGets the total unpaused game time."},
    {"GetCurrentScore", Served<GetCurrentScore>, METH_VARARGS, "GetCurrentScore() -> the score (int)\n\nGets the current total score."},
    {nullptr, nullptr, 0, nullptr},
};
static_assert(sizeof methods / sizeof methods[0] == kFunctionCount + 1);

// The first name in the table served by the function (a handler shared by
// several names has one).
const char* FunctionName(PyCFunction served) {
    for (const PyMethodDef& method : methods)
        if (method.ml_meth == served) return method.ml_name;
    return "";
}

PyModuleDef moduleDefinition = {
    PyModuleDef_HEAD_INIT, kModuleName, "The engine's functions for the game's scripts.", -1, methods,
    nullptr, nullptr, nullptr, nullptr,
};
}  // namespace

PyObject* CreateModule() { return PyModule_Create(&moduleDefinition); }

System* RequireSystem(const char* systemName) {
    System* system = eTable::Peek(systemName);
    if (!system) PyErr_Format(PyExc_RuntimeError, "the engine's \"%s\" is not running", systemName);
    return system;
}

}  // namespace zopapi
