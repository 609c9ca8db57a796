#include "scripting/ZOPAPI.h"

#include "core/SystemNames.h"
#include "scripting/ZOPAPIInternal.h"

namespace zopapi {
namespace {
// The functions in the order scripts have always found them, each with its
// documentation text. Handlers shared by several names (the reserved
// conditions) appear once per name.
PyMethodDef methods[] = {
    // World objects
    {"AddRectTramp", AddRectTramp, METH_VARARGS, "Adds a rectangular trampoline to the world."},
    {"AddGlobalNPC", AddGlobalNPC, METH_VARARGS, "Adds an NPC to the game."},
    {"AddLevelNPC", AddLevelNPC, METH_VARARGS, "Adds an NPC to the level."},
    {"AddPC", AddPC, METH_VARARGS, "Adds a PC to the world."},
    {"AddLevelBasket", AddLevelBasket, METH_VARARGS, "Adds a basket to the level."},
    // Data bank
    {"SetInt", SetInt, METH_VARARGS, "Sets an int in the python data bank."},
    {"SetFloat", SetFloat, METH_VARARGS, "Sets a float in the python data bank."},
    {"GetInt", GetInt, METH_VARARGS, "Gets an int from the python data bank."},
    {"GetFloat", GetFloat, METH_VARARGS, "Gets a float from the python data bank."},
    // Triggers
    {"BuildTrigger", BuildTrigger, METH_VARARGS, "Ties events and conditions together (Limit: 10 events+conditions)."},
    {"AddTrigger", AddTrigger, METH_VARARGS, "Adds an empty trigger to the event handler."},
    {"AddEventToTrigger", AddEventToTrigger, METH_VARARGS, "Adds an event to the given trigger."},
    {"AddConditionToTrigger", AddConditionToTrigger, METH_VARARGS, "Adds a condition to the given trigger."},
    {"DisableTrigger", DisableTrigger, METH_VARARGS, "Disables the given trigger."},
    {"EnableTrigger", EnableTrigger, METH_VARARGS, "Enables the given trigger."},
    {"SetTriggerReusable", SetTriggerReusable, METH_VARARGS, "Sets the given trigger to be reusable."},
    {"SetTriggerSingleUse", SetTriggerSingleUse, METH_VARARGS, "Sets the given trigger to be single use only."},
    // Events
    {"AddCreateNPCEvent", AddCreateNPCEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddMoveObjEvent", AddMoveObjEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddRotateObjEvent", AddRotateObjEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddScaleObjEvent", AddScaleObjEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddRemoveObjEvent", AddRemoveObjEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeAIEvent", AddChangeAIEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeAniEvent", AddChangeAniEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddCallPyFuncEvent", AddCallPyFuncEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddWinEvent", AddWinEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLoseEvent", AddLoseEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetNextLevelEvent", AddSetNextLevelEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddShowTextEvent", AddShowTextEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddPlaySoundEvent", AddPlaySoundEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddNextMusicClipEvent", AddNextMusicClipEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddTriggerConditionEvent", AddTriggerConditionEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddToggleConditionEvent", AddToggleConditionEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetPyVarIntEvent", AddSetPyVarIntEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetPyVarFloatEvent", AddSetPyVarFloatEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddSetObjectVelocityEvent", AddSetObjectVelocityEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddModifyScoreEvent", AddModifyScoreEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddEnableTriggerEvent", AddEnableTriggerEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddDisableTriggerEvent", AddDisableTriggerEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddQuitGameEvent", AddQuitGameEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddPauseGameEvent", AddPauseGameEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddUnpauseGameEvent", AddUnpauseGameEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockObjectPosEvent", AddLockObjectPosEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddModifyLightEvent", AddModifyLightEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeEvent", AddLockTrampNodeEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddLockTrampNodeXYZEvent", AddLockTrampNodeXYZEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddUnlockTrampNodeEvent", AddUnlockTrampNodeEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeSurfacePropsEvent", AddChangeSurfacePropsEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddChangeEyesEvent", AddChangeEyesEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddAlterTimeElapsedCondEvent", AddAlterTimeElapsedCondEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddFadeSplashScreenEvent", AddFadeSplashScreenEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddFadeTextEvent", AddFadeTextEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddAlterTextEvent", AddAlterTextEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    {"AddMoveObjectUnderEvent", AddMoveObjectUnderEvent, METH_VARARGS, "Adds an event to the event handler and returns the events ID."},
    // Conditions
    {"AddSingleSingleColCondition", AddSingleSingleColCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleGroupColCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupSingleColCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupGroupColCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleInAreaCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupInAreaCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleNotInAreaCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupNotInAreaCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddTimeCondition", AddTimeCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddTimePassedCondition", AddTimePassedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddCalledCondition", AddCalledCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfAniCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfAniCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPlayerStatusCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddSingleEndOfPathCondition", AddSingleEndOfPathCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddGroupEndOfPathCondition", ReservedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddScoreCondition", AddScoreCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddKeyPressedCondition", AddKeyPressedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddKeyTriggeredCondition", AddKeyTriggeredCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyFuncCondition", AddPyFuncCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddToggleCondition", AddToggleCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarIntCondition", AddPyVarIntCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddPyVarFloatCondition", AddPyVarFloatCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarIntCondition", AddNotPyVarIntCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotPyVarFloatCondition", AddNotPyVarFloatCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddButtonClickedCondition", AddButtonClickedCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddDownwardVelocityCondition", AddDownwardVelocityCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddRangeToLockedObjCondition", AddRangeToLockedObjCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddNotCondition", AddNotCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    {"AddOrCondition", AddOrCondition, METH_VARARGS, "Adds a condition to the event handler and returns the conditions ID."},
    // AI and paths
    {"CreateLevelAI", CreateLevelAI, METH_VARARGS, "Creates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"CreateGlobalAI", CreateGlobalAI, METH_VARARGS, "Creates a new AI of the specified type and assigns it to the specified object, returning the AI ID."},
    {"SwitchAI", SwitchAI, METH_VARARGS, "Switches the AI of a specified object to the specified AI ID and returns the result."},
    {"DisableAI", DisableAI, METH_VARARGS, "Disables the specified AI."},
    {"EnableAI", EnableAI, METH_VARARGS, "Enables the specified AI."},
    {"AssignPathToAI", AssignPathToAI, METH_VARARGS, "Assigns the specified path to the specified AI if it is a path following AI."},
    {"CreatePath", CreatePath, METH_VARARGS, "Creates a path and returns the ID."},
    {"AddPointToPath", AddPointToPath, METH_VARARGS, "Adds a point to the specified path."},
    {"SetPathTime", SetPathTime, METH_VARARGS, "Sets the time to take traveling along the specified path."},
    {"SetPathSpeed", SetPathSpeed, METH_VARARGS, "Sets the speed to travel along the specified path."},
    {"SetPathSingle", SetPathSingle, METH_VARARGS, "Sets the path to run through only a single time."},
    {"SetPathCyclic", SetPathCyclic, METH_VARARGS, "Sets the path to run repeatedly, moving to the beginning after reaching the end."},
    {"SetPathReversing", SetPathReversing, METH_VARARGS, "Sets the path to run back and forth, turning around at each end."},
    // Camera
    {"CamSetYRange", CamSetYRange, METH_VARARGS, "Sets the min and max Y of the camera."},
    {"CamSetYPosition", CamSetYPosition, METH_VARARGS, "Sets the min and max Y of the camera."},
    {"CamSetRadiusRange", CamSetRadiusRange, METH_VARARGS, "Sets the min and max radius for the camera."},
    {"CamSetRadius", CamSetRadius, METH_VARARGS, "Sets the min and max radius for the camera."},
    {"CamSetAngleRange", CamSetAngleRange, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamSetAngle", CamSetAngle, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamSetRotationAngle", CamSetRotationAngle, METH_VARARGS, "Sets the rotation of the camera around the Y axis."},
    {"CamLock", CamLock, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    {"CamUnlock", CamUnlock, METH_VARARGS, "Sets the min and max viewing angle for the camera."},
    // User interface and level settings
    {"ClearUIObjects", ClearUIObjects, METH_VARARGS, "Clears the UI objects from this level."},
    {"AddSplashScreen", AddSplashScreen, METH_VARARGS, "Adds a splash screen to this level."},
    {"AddButton", AddButton, METH_VARARGS, "Adds a button to this level."},
    {"AddAnimatedButton", AddAnimatedButton, METH_VARARGS, "Adds a button to this level."},
    {"AddText", AddText, METH_VARARGS, "Adds text to this level."},
    {"AddAnimatedText", AddAnimatedText, METH_VARARGS, "Adds animated text to this level."},
    {"ShowCursor", ShowCursor, METH_VARARGS, "Shows the cursor."},
    {"HideCursor", HideCursor, METH_VARARGS, "Hides the cursor."},
    {"AddFire", AddFire, METH_VARARGS, "Adds fire used for the menus."},
    {"AddHUD", AddHUD, METH_VARARGS, "Adds the HUD to display."},
    {"RemoveHUD", RemoveHUD, METH_VARARGS, "Removes the HUD from the display."},
    {"SetLevelTime", SetLevelTime, METH_VARARGS, "Sets the amount of time left for a level"},
    {"SetSkybox", SetSkybox, METH_VARARGS, "Sets the skybox to use"},
    {"SetBackColor", SetBackColor, METH_VARARGS, "Sets the background color to use."},
    {"SetPhysicsStatus", SetPhysicsStatus, METH_VARARGS, "Enables/Disables physics for entire app."},
    {"SetGameObjStatus", SetGameObjStatus, METH_VARARGS, "Enables/Disables use of a given game object"},
    {"SetPlayerControl", SetPlayerControl, METH_VARARGS, "Enables/Disables control over the character"},
    {"GetGameTime", GetGameTime, METH_VARARGS, "Gets the total unpaused game time."},
    {"GetCurrentScore", GetCurrentScore, METH_VARARGS, "Gets the current total score."},
    {nullptr, nullptr, 0, nullptr},
};
static_assert(sizeof methods / sizeof methods[0] == kFunctionCount + 1);

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
