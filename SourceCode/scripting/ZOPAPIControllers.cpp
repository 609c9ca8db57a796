// AI controllers, paths and the camera controller.
#include "scripting/ZOPAPIInternal.h"

#include "ai/AI.h"
#include "ai/AIMan.h"
#include "ai/AI_Camera.h"
#include "ai/AI_Path.h"
#include "ai/PathMan.h"
#include "core/SystemNames.h"
#include "scripting/WorldLookup.h"
#include "world/GameObject.h"

namespace zopapi {
// ---- AI controllers ----

namespace {
std::uint32_t Id(int id) { return id < 0 ? UINT32_MAX : static_cast<std::uint32_t>(id); }

PyObject* CreateAI(PyObject* args, bool levelAI) {
    int kind = 0, objectId = 0;
    if (!PyArg_ParseTuple(args, "ii", &kind, &objectId)) return nullptr;
    auto* ais = Target<AIMan>(names::AIMan);
    if (!ais) return nullptr;
    if (kind < 0 || static_cast<std::uint32_t>(kind) >= kAIKindCount) return Int(-1);
    GameObject* object = scripting::FindObject(objectId);
    std::uint32_t id = levelAI ? ais->CreateLevelAI(static_cast<std::uint32_t>(kind), object)
                               : ais->CreateAI(static_cast<std::uint32_t>(kind), object);
    return Int(id == AIMan::kNoAI ? -1 : static_cast<long>(id));
}

// Missing controllers and objects make these do nothing; the script gets
// its AI id back either way.
template <class Operation>
PyObject* OnAI(PyObject* args, Operation operation) {
    int aiId = 0;
    if (!PyArg_ParseTuple(args, "i", &aiId)) return nullptr;
    auto* ais = Target<AIMan>(names::AIMan);
    if (!ais) return nullptr;
    if (AI* ai = ais->GetAI(Id(aiId))) operation(*ai);
    return Int(aiId);
}
}  // namespace

ZOPAPI_HANDLER(CreateLevelAI) { return CreateAI(args, true); }
ZOPAPI_HANDLER(CreateGlobalAI) { return CreateAI(args, false); }

ZOPAPI_HANDLER(SwitchAI) {
    int aiId = 0, objectId = 0;
    if (!PyArg_ParseTuple(args, "ii", &aiId, &objectId)) return nullptr;
    auto* ais = Target<AIMan>(names::AIMan);
    if (!ais) return nullptr;
    AI* ai = ais->GetAI(Id(aiId));
    GameObject* object = scripting::FindObject(objectId);
    if (ai && object) object->AttachAI(ai);
    return Int(aiId);
}

ZOPAPI_HANDLER(DisableAI) {
    return OnAI(args, [](AI& ai) { ai.SetActive(false); });
}
ZOPAPI_HANDLER(EnableAI) {
    return OnAI(args, [](AI& ai) { ai.SetActive(true); });
}

ZOPAPI_HANDLER(AssignPathToAI) {
    int aiId = 0, pathId = 0;
    if (!PyArg_ParseTuple(args, "ii", &aiId, &pathId)) return nullptr;
    auto* ais = Target<AIMan>(names::AIMan);
    if (!ais) return nullptr;
    auto* paths = Target<PathMan>(names::PathMan);
    if (!paths) return nullptr;
    AI* ai = ais->GetAI(Id(aiId));
    // Only path followers take a path.
    if (ai && ai->Kind() == kAIPath) static_cast<AI_Path*>(ai)->SetPath(paths->GetPath(Id(pathId)));
    return Int(aiId);
}

// ---- Paths ----

namespace {
std::uint32_t PathId(int id) { return Id(id); }

template <class Operation>
PyObject* PathWithFloat(PyObject* args, Operation operation) {
    int path = 0;
    float value = 0;
    if (!PyArg_ParseTuple(args, "if", &path, &value)) return nullptr;
    auto* paths = Target<PathMan>(names::PathMan);
    if (!paths) return nullptr;
    return Int(operation(*paths, PathId(path), value) ? 1 : 0);
}

PyObject* PathMode(PyObject* args, std::uint32_t mode) {
    int path = 0;
    if (!PyArg_ParseTuple(args, "i", &path)) return nullptr;
    auto* paths = Target<PathMan>(names::PathMan);
    if (!paths) return nullptr;
    return Int(paths->SetPathMode(PathId(path), mode) ? 1 : 0);
}
}  // namespace

ZOPAPI_HANDLER(CreatePath) {
    auto* paths = Target<PathMan>(names::PathMan);
    return paths ? Int(paths->CreatePath()) : nullptr;
}

ZOPAPI_HANDLER(AddPointToPath) {
    int path = 0;
    float x = 0, y = 0, z = 0;
    if (!PyArg_ParseTuple(args, "i(fff)", &path, &x, &y, &z)) return nullptr;
    auto* paths = Target<PathMan>(names::PathMan);
    if (!paths) return nullptr;
    return Int(paths->AddPointToPath(PathId(path), x, y, z) ? 1 : 0);
}

ZOPAPI_HANDLER(SetPathTime) {
    return PathWithFloat(args, [](PathMan& p, std::uint32_t id, float v) { return p.SetPathTime(id, v); });
}
ZOPAPI_HANDLER(SetPathSpeed) {
    return PathWithFloat(args, [](PathMan& p, std::uint32_t id, float v) { return p.SetPathSpeed(id, v); });
}
ZOPAPI_HANDLER(SetPathSingle) { return PathMode(args, 0); }
ZOPAPI_HANDLER(SetPathCyclic) { return PathMode(args, 1); }
ZOPAPI_HANDLER(SetPathReversing) { return PathMode(args, 2); }

// ---- The camera controller ----

namespace {
template <class Setter>
PyObject* CameraRange(PyObject* args, Setter setter) {
    float a = 0, b = 0;
    if (!PyArg_ParseTuple(args, "ff", &a, &b)) return nullptr;
    auto* camera = Target<AI_Camera>(names::AI_Camera);
    if (!camera) return nullptr;
    (camera->*setter)(a, b);
    return Zero();
}

template <class Setter>
PyObject* CameraValue(PyObject* args, Setter setter) {
    float value = 0;
    if (!PyArg_ParseTuple(args, "f", &value)) return nullptr;
    auto* camera = Target<AI_Camera>(names::AI_Camera);
    if (!camera) return nullptr;
    setter(*camera, value);
    return Zero();
}

PyObject* CameraMode(std::uint32_t mode) {
    auto* camera = Target<AI_Camera>(names::AI_Camera);
    if (!camera) return nullptr;
    camera->SetMode(mode);
    return Zero();
}
}  // namespace

ZOPAPI_HANDLER(CamSetYRange) { return CameraRange(args, &AI_Camera::SetYRange); }
ZOPAPI_HANDLER(CamSetYPosition) {
    return CameraValue(args, [](AI_Camera& c, float y) { c.SetYPosition(y, 0.0f); });
}
ZOPAPI_HANDLER(CamSetRadiusRange) { return CameraRange(args, &AI_Camera::SetRadiusRange); }
ZOPAPI_HANDLER(CamSetRadius) {
    return CameraValue(args, [](AI_Camera& c, float v) { c.SetRadius(v); });
}
ZOPAPI_HANDLER(CamSetAngleRange) { return CameraRange(args, &AI_Camera::SetAngleRange); }
ZOPAPI_HANDLER(CamSetAngle) {
    return CameraValue(args, [](AI_Camera& c, float v) { c.SetPitch(v); });
}
ZOPAPI_HANDLER(CamSetRotationAngle) {
    return CameraValue(args, [](AI_Camera& c, float v) { c.SetRotation(v); });
}
ZOPAPI_HANDLER(CamLock) { return CameraMode(AI_Camera::kLockedOrbit); }
ZOPAPI_HANDLER(CamUnlock) { return CameraMode(AI_Camera::kFollow); }

}  // namespace zopapi
