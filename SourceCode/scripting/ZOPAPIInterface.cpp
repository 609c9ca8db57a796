// User interface and level settings.
#include <cstdint>

#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "scripting/ZOPAPIInternal.h"

namespace zopapi {
namespace {
PyObject* ParseThenPending(PyObject* args, const char* format, const char* systemName) {
    // Scratch words only to give the script its TypeError (at most four
    // ints or floats here).
    union Word {
        int i;
        float f;
    } words[4] = {};
    if (!PyArg_ParseTuple(args, format, &words[0], &words[1], &words[2], &words[3])) return nullptr;
    return SystemNotRunning(systemName);
}

PyObject* ParseTextThenPending(PyObject* args, const char* format, const char* systemName) {
    const char* texts[2] = {};
    if (!PyArg_ParseTuple(args, format, &texts[0], &texts[1])) return nullptr;
    return SystemNotRunning(systemName);
}

std::uint32_t ColourByte(float c) {
    if (c >= 1.0f) return 255;
    if (c <= 0.0f) return 0;
    return static_cast<std::uint32_t>(c * 255.0f + 0.5f);
}
}  // namespace

// Pending: the user-interface objects of "GameLogic" (comes with world and ui).
ZOPAPI_HANDLER(ClearUIObjects) { return SystemNotRunning(names::GameLogic); }
ZOPAPI_HANDLER(AddSplashScreen) { return ParseTextThenPending(args, "ss", names::GameLogic); }

ZOPAPI_HANDLER(AddButton) {
    float a = 0, b = 0, c = 0, d = 0, spacing = 0, size = 0;
    const char *texture = nullptr, *label = nullptr;
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "ffffssffii", &a, &b, &c, &d, &texture, &label, &spacing, &size, &glyphCount,
                          &randomRange))
        return nullptr;
    return SystemNotRunning(names::GameLogic);
}

ZOPAPI_HANDLER(AddAnimatedButton) {
    float a = 0, b = 0, c = 0, d = 0, spacing = 0, size = 0, rate = 0, amount = 0, height = 0;
    const char *texture = nullptr, *label = nullptr;
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "ffffssffiifff", &a, &b, &c, &d, &texture, &label, &spacing, &size, &glyphCount,
                          &randomRange, &rate, &amount, &height))
        return nullptr;
    return SystemNotRunning(names::GameLogic);
}

ZOPAPI_HANDLER(AddText) {
    const char* text = nullptr;
    float spacing = 0, size = 0, x = 0, y = 0;
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "sff(ff)ii", &text, &spacing, &size, &x, &y, &glyphCount, &randomRange))
        return nullptr;
    return SystemNotRunning(names::GameLogic);
}

ZOPAPI_HANDLER(AddAnimatedText) {
    const char* text = nullptr;
    float spacing = 0, size = 0, x = 0, y = 0, rate = 0, amount = 0, height = 0;
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "sff(ff)iifff", &text, &spacing, &size, &x, &y, &glyphCount, &randomRange, &rate,
                          &amount, &height))
        return nullptr;
    return SystemNotRunning(names::GameLogic);
}

// Pending: the cursor "Cursor" (comes with ui).
ZOPAPI_HANDLER(ShowCursor) { return SystemNotRunning(names::Cursor); }
ZOPAPI_HANDLER(HideCursor) { return SystemNotRunning(names::Cursor); }

// Pending: the menu fire through "GameLogic" (comes with ui).
ZOPAPI_HANDLER(AddFire) { return ParseThenPending(args, "ffff", names::GameLogic); }

// Pending: "HUD" (comes with ui).
ZOPAPI_HANDLER(AddHUD) { return SystemNotRunning(names::HUD); }
ZOPAPI_HANDLER(RemoveHUD) { return SystemNotRunning(names::HUD); }
ZOPAPI_HANDLER(SetLevelTime) { return ParseThenPending(args, "f", names::HUD); }

// Pending: the skybox of "GameLogic" (comes with world).
ZOPAPI_HANDLER(SetSkybox) { return ParseTextThenPending(args, "s", names::GameLogic); }

ZOPAPI_HANDLER(SetBackColor) {
    float r = 0, g = 0, b = 0, a = 0;
    if (!PyArg_ParseTuple(args, "ffff", &r, &g, &b, &a)) return nullptr;
    auto* video = Target<Video>(names::Video);
    if (!video) return nullptr;
    video->Settings().clearColor =
        (ColourByte(a) << 24) | (ColourByte(r) << 16) | (ColourByte(g) << 8) | ColourByte(b);
    return Zero();
}

// Pending: "Physics" and the game objects of "GameObjectsMan" (comes with world).
ZOPAPI_HANDLER(SetPhysicsStatus) { return ParseThenPending(args, "i", names::Physics); }
ZOPAPI_HANDLER(SetGameObjStatus) { return ParseThenPending(args, "iii", names::GameObjectsMan); }
ZOPAPI_HANDLER(SetPlayerControl) { return ParseThenPending(args, "i", names::GameObjectsMan); }

ZOPAPI_HANDLER(GetGameTime) {
    auto* timer = Target<Timer>(names::Timer);
    return timer ? Float(timer->GameTime()) : nullptr;
}

// Pending: the score of "HUD" (comes with ui).
ZOPAPI_HANDLER(GetCurrentScore) { return SystemNotRunning(names::HUD); }

}  // namespace zopapi
