// AI controllers, paths and the camera controller.
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

// Pending: paths through "PathMan" (comes with ai).
ZOPAPI_HANDLER(CreatePath) { return SystemNotRunning(names::PathMan); }
ZOPAPI_HANDLER(AddPointToPath) { return ParseThenPending(args, "i(fff)", names::PathMan); }
ZOPAPI_HANDLER(SetPathTime) { return ParseThenPending(args, "if", names::PathMan); }
ZOPAPI_HANDLER(SetPathSpeed) { return ParseThenPending(args, "if", names::PathMan); }
ZOPAPI_HANDLER(SetPathSingle) { return ParseThenPending(args, "i", names::PathMan); }
ZOPAPI_HANDLER(SetPathCyclic) { return ParseThenPending(args, "i", names::PathMan); }
ZOPAPI_HANDLER(SetPathReversing) { return ParseThenPending(args, "i", names::PathMan); }

// Pending: the camera controller "AI_Camera" (comes with ai).
ZOPAPI_HANDLER(CamSetYRange) { return ParseThenPending(args, "ff", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetYPosition) { return ParseThenPending(args, "f", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetRadiusRange) { return ParseThenPending(args, "ff", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetRadius) { return ParseThenPending(args, "f", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetAngleRange) { return ParseThenPending(args, "ff", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetAngle) { return ParseThenPending(args, "f", names::AI_Camera); }
ZOPAPI_HANDLER(CamSetRotationAngle) { return ParseThenPending(args, "f", names::AI_Camera); }
ZOPAPI_HANDLER(CamLock) { return SystemNotRunning(names::AI_Camera); }
ZOPAPI_HANDLER(CamUnlock) { return SystemNotRunning(names::AI_Camera); }

}  // namespace zopapi
