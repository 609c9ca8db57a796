#pragma once
// Shared by the files that implement the engine module's functions: the
// handler declarations and the conventions every handler keeps. Arguments are
// parsed first (a parse failure leaves the interpreter's TypeError set and
// returns null); the target system is looked up by name at the call, and a
// system that is not running raises RuntimeError in the script rather than
// stopping the engine.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>

#include "core/eTable.h"

namespace zopapi {

// The running system of that name, or null with RuntimeError set.
System* RequireSystem(const char* systemName);
template <class T>
T* Target(const char* systemName) {
    return static_cast<T*>(RequireSystem(systemName));
}

inline PyObject* Int(long value) { return PyLong_FromLong(value); }
inline PyObject* Float(double value) { return PyFloat_FromDouble(value); }
inline PyObject* Zero() { return PyLong_FromLong(0); }

// A script's slot: its low 8 bits.
inline std::uint8_t Slot(int scriptSlot) { return static_cast<std::uint8_t>(scriptSlot & 0xFF); }

#define ZOPAPI_HANDLER(name) PyObject* name(PyObject*, [[maybe_unused]] PyObject* args)

// World objects, data bank, triggers (ZOPAPIWorld.cpp).
ZOPAPI_HANDLER(AddRectTramp);
ZOPAPI_HANDLER(AddGlobalNPC);
ZOPAPI_HANDLER(AddLevelNPC);
ZOPAPI_HANDLER(AddPC);
ZOPAPI_HANDLER(AddLevelBasket);
ZOPAPI_HANDLER(SetInt);
ZOPAPI_HANDLER(SetFloat);
ZOPAPI_HANDLER(GetInt);
ZOPAPI_HANDLER(GetFloat);
ZOPAPI_HANDLER(BuildTrigger);
ZOPAPI_HANDLER(AddTrigger);
ZOPAPI_HANDLER(AddEventToTrigger);
ZOPAPI_HANDLER(AddConditionToTrigger);
ZOPAPI_HANDLER(DisableTrigger);
ZOPAPI_HANDLER(EnableTrigger);
ZOPAPI_HANDLER(SetTriggerReusable);
ZOPAPI_HANDLER(SetTriggerSingleUse);

// Events (ZOPAPIEvents.cpp).
ZOPAPI_HANDLER(AddCreateNPCEvent);
ZOPAPI_HANDLER(AddMoveObjEvent);
ZOPAPI_HANDLER(AddRotateObjEvent);
ZOPAPI_HANDLER(AddScaleObjEvent);
ZOPAPI_HANDLER(AddRemoveObjEvent);
ZOPAPI_HANDLER(AddChangeAIEvent);
ZOPAPI_HANDLER(AddChangeAniEvent);
ZOPAPI_HANDLER(AddCallPyFuncEvent);
ZOPAPI_HANDLER(AddWinEvent);
ZOPAPI_HANDLER(AddLoseEvent);
ZOPAPI_HANDLER(AddSetNextLevelEvent);
ZOPAPI_HANDLER(AddShowTextEvent);
ZOPAPI_HANDLER(AddPlaySoundEvent);
ZOPAPI_HANDLER(AddNextMusicClipEvent);
ZOPAPI_HANDLER(AddTriggerConditionEvent);
ZOPAPI_HANDLER(AddToggleConditionEvent);
ZOPAPI_HANDLER(AddSetPyVarIntEvent);
ZOPAPI_HANDLER(AddSetPyVarFloatEvent);
ZOPAPI_HANDLER(AddSetObjectVelocityEvent);
ZOPAPI_HANDLER(AddModifyScoreEvent);
ZOPAPI_HANDLER(AddEnableTriggerEvent);
ZOPAPI_HANDLER(AddDisableTriggerEvent);
ZOPAPI_HANDLER(AddQuitGameEvent);
ZOPAPI_HANDLER(AddPauseGameEvent);
ZOPAPI_HANDLER(AddUnpauseGameEvent);
ZOPAPI_HANDLER(AddLockObjectPosEvent);
ZOPAPI_HANDLER(AddModifyLightEvent);
ZOPAPI_HANDLER(AddLockTrampNodeEvent);
ZOPAPI_HANDLER(AddLockTrampNodeXYZEvent);
ZOPAPI_HANDLER(AddUnlockTrampNodeEvent);
ZOPAPI_HANDLER(AddChangeSurfacePropsEvent);
ZOPAPI_HANDLER(AddChangeEyesEvent);
ZOPAPI_HANDLER(AddAlterTimeElapsedCondEvent);
ZOPAPI_HANDLER(AddFadeSplashScreenEvent);
ZOPAPI_HANDLER(AddFadeTextEvent);
ZOPAPI_HANDLER(AddAlterTextEvent);
ZOPAPI_HANDLER(AddMoveObjectUnderEvent);

// Conditions (ZOPAPIConditions.cpp).
ZOPAPI_HANDLER(AddSingleSingleColCondition);
ZOPAPI_HANDLER(ReservedCondition);
ZOPAPI_HANDLER(AddTimeCondition);
ZOPAPI_HANDLER(AddTimePassedCondition);
ZOPAPI_HANDLER(AddCalledCondition);
ZOPAPI_HANDLER(AddSingleEndOfPathCondition);
ZOPAPI_HANDLER(AddScoreCondition);
ZOPAPI_HANDLER(AddKeyPressedCondition);
ZOPAPI_HANDLER(AddKeyTriggeredCondition);
ZOPAPI_HANDLER(AddPyFuncCondition);
ZOPAPI_HANDLER(AddToggleCondition);
ZOPAPI_HANDLER(AddPyVarIntCondition);
ZOPAPI_HANDLER(AddPyVarFloatCondition);
ZOPAPI_HANDLER(AddNotPyVarIntCondition);
ZOPAPI_HANDLER(AddNotPyVarFloatCondition);
ZOPAPI_HANDLER(AddButtonClickedCondition);
ZOPAPI_HANDLER(AddDownwardVelocityCondition);
ZOPAPI_HANDLER(AddRangeToLockedObjCondition);
ZOPAPI_HANDLER(AddNotCondition);
ZOPAPI_HANDLER(AddOrCondition);

// AI, paths and camera (ZOPAPIControllers.cpp).
ZOPAPI_HANDLER(CreateLevelAI);
ZOPAPI_HANDLER(CreateGlobalAI);
ZOPAPI_HANDLER(SwitchAI);
ZOPAPI_HANDLER(DisableAI);
ZOPAPI_HANDLER(EnableAI);
ZOPAPI_HANDLER(AssignPathToAI);
ZOPAPI_HANDLER(CreatePath);
ZOPAPI_HANDLER(AddPointToPath);
ZOPAPI_HANDLER(SetPathTime);
ZOPAPI_HANDLER(SetPathSpeed);
ZOPAPI_HANDLER(SetPathSingle);
ZOPAPI_HANDLER(SetPathCyclic);
ZOPAPI_HANDLER(SetPathReversing);
ZOPAPI_HANDLER(CamSetYRange);
ZOPAPI_HANDLER(CamSetYPosition);
ZOPAPI_HANDLER(CamSetRadiusRange);
ZOPAPI_HANDLER(CamSetRadius);
ZOPAPI_HANDLER(CamSetAngleRange);
ZOPAPI_HANDLER(CamSetAngle);
ZOPAPI_HANDLER(CamSetRotationAngle);
ZOPAPI_HANDLER(CamLock);
ZOPAPI_HANDLER(CamUnlock);

// User interface and level settings (ZOPAPIInterface.cpp).
ZOPAPI_HANDLER(ClearUIObjects);
ZOPAPI_HANDLER(AddSplashScreen);
ZOPAPI_HANDLER(AddButton);
ZOPAPI_HANDLER(AddAnimatedButton);
ZOPAPI_HANDLER(AddText);
ZOPAPI_HANDLER(AddAnimatedText);
ZOPAPI_HANDLER(ShowCursor);
ZOPAPI_HANDLER(HideCursor);
ZOPAPI_HANDLER(AddFire);
ZOPAPI_HANDLER(AddHUD);
ZOPAPI_HANDLER(RemoveHUD);
ZOPAPI_HANDLER(SetLevelTime);
ZOPAPI_HANDLER(SetSkybox);
ZOPAPI_HANDLER(SetBackColor);
ZOPAPI_HANDLER(SetPhysicsStatus);
ZOPAPI_HANDLER(SetGameObjStatus);
ZOPAPI_HANDLER(SetPlayerControl);
ZOPAPI_HANDLER(GetGameTime);
ZOPAPI_HANDLER(GetCurrentScore);

}  // namespace zopapi
