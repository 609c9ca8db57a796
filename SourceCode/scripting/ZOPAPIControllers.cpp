// AI controllers, paths and the camera controller.
#include "ai/AI_Camera.h"
#include "ai/PathMan.h"
#include "core/SystemNames.h"
#include "scripting/ZOPAPIInternal.h"

namespace zopapi {
namespace {
PyObject* ParseThenPending(PyObject* args, const char* format, const char* systemName) {
    // Parsed into scratch words only to give the script its TypeError; the
    // formats here hold at most four ints or floats.
    union Word {
        int i;
        float f;
    } words[4] = {};
    if (!PyArg_ParseTuple(args, format, &words[0], &words[1], &words[2], &words[3])) return nullptr;
    return SystemNotRunning(systemName);
}
}  // namespace

// Pending: AI controllers through "AIMan" (comes with ai).
ZOPAPI_HANDLER(CreateLevelAI) { return ParseThenPending(args, "ii", names::AIMan); }
ZOPAPI_HANDLER(CreateGlobalAI) { return ParseThenPending(args, "ii", names::AIMan); }
ZOPAPI_HANDLER(SwitchAI) { return ParseThenPending(args, "ii", names::AIMan); }
ZOPAPI_HANDLER(DisableAI) { return ParseThenPending(args, "i", names::AIMan); }
ZOPAPI_HANDLER(EnableAI) { return ParseThenPending(args, "i", names::AIMan); }
ZOPAPI_HANDLER(AssignPathToAI) { return ParseThenPending(args, "ii", names::AIMan); }

// ---- Paths ----

namespace {
std::uint32_t PathId(int id) { return id < 0 ? UINT32_MAX : static_cast<std::uint32_t>(id); }

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
