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
    plat::NowRunning running("ZOPAPI.", name);
    return handler(module, args);
}

// The functions in the order scripts have always found them, each with its
// documentation text. Handlers shared by several names (the reserved
// conditions) appear once per name.
PyMethodDef methods[] = {
    // World objects
    {"AddRectTramp", Served<AddRectTramp>, METH_VARARGS, "Adds a rectangular trampoline to the world."},
    {"AddGlobalNPC", Served<AddGlobalNPC>, METH_VARARGS, "Adds an NPC to the game."},
    {"AddLevelNPC", Served<AddLevelNPC>, METH_VARARGS, "Adds an NPC to the level."},
    {"AddPC", Served<AddPC>, METH_VARARGS, "Adds a PC to the world."},
    {"AddLevelBasket", Served<AddLevelBasket>, METH_VARARGS, "Adds a basket to the level."},
    // Data bank
    {"SetInt", Served<SetInt>, METH_VARARGS, "Sets an int in the python data bank."},
    {"SetFloat", Served<SetFloat>, METH_VARARGS, "Sets a float in the python data bank."},
    {"GetInt", Served<GetInt>, METH_VARARGS, "Gets an int from the python data bank."},
    {"GetFloat", Served<GetFloat>, METH_VARARGS, "Gets a float from the python data bank."},
    // Triggers
    {"BuildTrigger", Served<BuildTrigger>, METH_VARARGS, "Ties events and conditions together (Limit: 10 events+conditions)."},
    {"AddTrigger", Served<AddTrigger>, METH_VARARGS, "Adds an empty trigger to the event handler."},
    {"AddEventToTrigger", Served<AddEventToTrigger>, METH_VARARGS, "Adds an event to the given trigger."},
    {"AddConditionToTrigger", Served<AddConditionToTrigger>, METH_VARARGS, "Adds a condition to the given trigger."},
    {"DisableTrigger", Served<DisableTrigger>, METH_VARARGS, "Disables the given trigger."},
    {"EnableTrigger", Served<EnableTrigger>, METH_VARARGS, "Enables the given trigger."},
    {"SetTriggerReusable", Served<SetTriggerReusable>, METH_VARARGS, "Sets the given trigger to be reusable."},
    {"SetTriggerSingleUse", Served<SetTriggerSingleUse>, METH_VARARGS, "Sets the given trigger to be single use only."},
    // Events
    {"AddCreateNPCEvent", Served<AddCreateNPCEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddMoveObjEvent", Served<AddMoveObjEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddRotateObjEvent", Served<AddRotateObjEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddScaleObjEvent", Served<AddScaleObjEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddRemoveObjEvent", Served<AddRemoveObjEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeAIEvent", Served<AddChangeAIEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeAniEvent", Served<AddChangeAniEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddCallPyFuncEvent", Served<AddCallPyFuncEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddWinEvent", Served<AddWinEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLoseEvent", Served<AddLoseEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetNextLevelEvent", Served<AddSetNextLevelEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddShowTextEvent", Served<AddShowTextEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddPlaySoundEvent", Served<AddPlaySoundEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddNextMusicClipEvent", Served<AddNextMusicClipEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddTriggerConditionEvent", Served<AddTriggerConditionEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddToggleConditionEvent", Served<AddToggleConditionEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetPyVarIntEvent", Served<AddSetPyVarIntEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetPyVarFloatEvent", Served<AddSetPyVarFloatEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetObjectVelocityEvent", Served<AddSetObjectVelocityEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddModifyScoreEvent", Served<AddModifyScoreEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddEnableTriggerEvent", Served<AddEnableTriggerEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddDisableTriggerEvent", Served<AddDisableTriggerEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddQuitGameEvent", Served<AddQuitGameEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddPauseGameEvent", Served<AddPauseGameEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddUnpauseGameEvent", Served<AddUnpauseGameEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockObjectPosEvent", Served<AddLockObjectPosEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddModifyLightEvent", Served<AddModifyLightEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeEvent", Served<AddLockTrampNodeEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeXYZEvent", Served<AddLockTrampNodeXYZEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddUnlockTrampNodeEvent", Served<AddUnlockTrampNodeEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeSurfacePropsEvent", Served<AddChangeSurfacePropsEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeEyesEvent", Served<AddChangeEyesEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddAlterTimeElapsedCondEvent", Served<AddAlterTimeElapsedCondEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddFadeSplashScreenEvent", Served<AddFadeSplashScreenEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddFadeTextEvent", Served<AddFadeTextEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddAlterTextEvent", Served<AddAlterTextEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddMoveObjectUnderEvent", Served<AddMoveObjectUnderEvent>, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    // Conditions
    {"AddSingleSingleColCondition", Served<AddSingleSingleColCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleGroupColCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupSingleColCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupGroupColCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleNotInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupNotInAreaCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddTimeCondition", Served<AddTimeCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddTimePassedCondition", Served<AddTimePassedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddCalledCondition", Served<AddCalledCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfAniCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfAniCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPlayerStatusCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfPathCondition", Served<AddSingleEndOfPathCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfPathCondition", Served<ReservedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddScoreCondition", Served<AddScoreCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddKeyPressedCondition", Served<AddKeyPressedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddKeyTriggeredCondition", Served<AddKeyTriggeredCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyFuncCondition", Served<AddPyFuncCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddToggleCondition", Served<AddToggleCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarIntCondition", Served<AddPyVarIntCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarFloatCondition", Served<AddPyVarFloatCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarIntCondition", Served<AddNotPyVarIntCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarFloatCondition", Served<AddNotPyVarFloatCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddButtonClickedCondition", Served<AddButtonClickedCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddDownwardVelocityCondition", Served<AddDownwardVelocityCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddRangeToLockedObjCondition", Served<AddRangeToLockedObjCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotCondition", Served<AddNotCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddOrCondition", Served<AddOrCondition>, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    // AI and paths
    {"CreateLevelAI", Served<CreateLevelAI>, METH_VARARGS, "Creates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"CreateGlobalAI", Served<CreateGlobalAI>, METH_VARARGS, "Creates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"SwitchAI", Served<SwitchAI>, METH_VARARGS, "Switches the AI of a specified object to the specified AI ID and returns the result."},
    {"DisableAI", Served<DisableAI>, METH_VARARGS, "Disables the specified AI."},
    {"EnableAI", Served<EnableAI>, METH_VARARGS, "Enables the specified AI."},
    {"AssignPathToAI", Served<AssignPathToAI>, METH_VARARGS, "Assigns the specified path to the specified AI if it is a path following AI."},
    {"CreatePath", Served<CreatePath>, METH_VARARGS, "Creates a path and returns the ID."},
    {"AddPointToPath", Served<AddPointToPath>, METH_VARARGS, "Adds a point to the specified path."},
    {"SetPathTime", Served<SetPathTime>, METH_VARARGS, "Sets the time to take traveling along the specified path."},
    {"SetPathSpeed", Served<SetPathSpeed>, METH_VARARGS, "Sets the speed to travel along the specified path."},
    {"SetPathSingle", Served<SetPathSingle>, METH_VARARGS, "Sets the path to run through only a single time."},
    {"SetPathCyclic", Served<SetPathCyclic>, METH_VARARGS, "Sets the path to run repeatedly, moving to the beginning after reaching the end."},
    {"SetPathReversing", Served<SetPathReversing>, METH_VARARGS, "Sets the path to run back and forth, turning around at each end."},
    // Camera
    {"CamSetYRange", Served<CamSetYRange>, METH_VARARGS, "Sets the min and max Y of the camera."},
    {"CamSetYPosition", Served<CamSetYPosition>, METH_VARARGS, "Sets the min and max Y of the camera."},
    {"CamSetRadiusRange", Served<CamSetRadiusRange>, METH_VARARGS, "Sets the min and max radius for the camera."},
    {"CamSetRadius", Served<CamSetRadius>, METH_VARARGS, "Sets the min and max radius for the camera."},
    {"CamSetAngleRange", Served<CamSetAngleRange>, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamSetAngle", Served<CamSetAngle>, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamSetRotationAngle", Served<CamSetRotationAngle>, METH_VARARGS, "Sets the rotation of the camera around the Y axis."},
    {"CamLock", Served<CamLock>, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamUnlock", Served<CamUnlock>, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    // User interface and level settings
    {"ClearUIObjects", Served<ClearUIObjects>, METH_VARARGS, "Clears the UI objects from this level."},
    {"AddSplashScreen", Served<AddSplashScreen>, METH_VARARGS, "Adds a splash screen to this level."},
    {"AddButton", Served<AddButton>, METH_VARARGS, "Adds a button to this level."},
    {"AddAnimatedButton", Served<AddAnimatedButton>, METH_VARARGS, "Adds a button to this level."},
    {"AddText", Served<AddText>, METH_VARARGS, "Adds text to this level."},
    {"AddAnimatedText", Served<AddAnimatedText>, METH_VARARGS, "Adds animated text to this level."},
    {"ShowCursor", Served<ShowCursor>, METH_VARARGS, "Shows the cursor."},
    {"HideCursor", Served<HideCursor>, METH_VARARGS, "Hides the cursor."},
    {"AddFire", Served<AddFire>, METH_VARARGS, "Adds fire used for the menus."},
    {"AddHUD", Served<AddHUD>, METH_VARARGS, "Adds the HUD to display."},
    {"RemoveHUD", Served<RemoveHUD>, METH_VARARGS, "Removes the HUD from the display."},
    {"SetLevelTime", Served<SetLevelTime>, METH_VARARGS, "Sets the amount of time left for a level"},
    {"SetSkybox", Served<SetSkybox>, METH_VARARGS, "Sets the skybox to use"},
    {"SetBackColor", Served<SetBackColor>, METH_VARARGS, "Sets the background color to use."},
    {"SetPhysicsStatus", Served<SetPhysicsStatus>, METH_VARARGS, "Enables/Disables physics for entire app."},
    {"SetGameObjStatus", Served<SetGameObjStatus>, METH_VARARGS, "Enables/Disables use of a given game object"},
    {"SetPlayerControl", Served<SetPlayerControl>, METH_VARARGS, "Enables/Disables control over the character"},
    {"GetGameTime", Served<GetGameTime>, METH_VARARGS, "Gets the total unpaused game time."},
    {"GetCurrentScore", Served<GetCurrentScore>, METH_VARARGS, "Gets the current total score."},
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
