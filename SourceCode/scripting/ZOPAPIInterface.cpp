// User interface and level settings.
#include <cstdint>

#include <cstring>

#include "Video/Object.h"
#include "Video/ObjectDesc.h"
#include "Video/Video.h"
#include "scripting/WorldLookup.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
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

constexpr std::uint32_t kCubeTexture = 2;

std::uint32_t ColourByte(float c) {
    if (c >= 1.0f) return 255;
    if (c <= 0.0f) return 0;
    return static_cast<std::uint32_t>(c * 255.0f + 0.5f);
}
}  // namespace

ZOPAPI_HANDLER(ClearUIObjects) {
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    logic->ClearUIObjects();
    // Pending: "HUD" Clear (comes with ui).
    return Zero();
}

// Pending: the user-interface objects of "GameLogic" (comes with ui).
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

ZOPAPI_HANDLER(SetSkybox) {
    // The game logic is looked up first: without it nothing else matters.
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    const char* texture = nullptr;
    if (!PyArg_ParseTuple(args, "s", &texture)) return nullptr;
    Object* skybox = logic->Skybox();
    if (!skybox) return Zero();
    if (std::strcmp(texture, "NOTEX") == 0) {
        skybox->SetActive(false);
    } else {
        skybox->ReplaceTextureSlot(texture, kBaseTextureSemantic, 0, kCubeTexture);
        skybox->SetActive(true);
    }
    return Zero();
}

ZOPAPI_HANDLER(SetBackColor) {
    float r = 0, g = 0, b = 0, a = 0;
    if (!PyArg_ParseTuple(args, "ffff", &r, &g, &b, &a)) return nullptr;
    auto* video = Target<Video>(names::Video);
    if (!video) return nullptr;
    video->Settings().clearColor =
        (ColourByte(a) << 24) | (ColourByte(r) << 16) | (ColourByte(g) << 8) | ColourByte(b);
    return Zero();
}

ZOPAPI_HANDLER(SetPhysicsStatus) {
    int on = 0;
    if (!PyArg_ParseTuple(args, "i", &on)) return nullptr;
    auto* physics = Target<Physics>(names::Physics);
    if (!physics) return nullptr;
    physics->SetActive(on != 0);
    return Zero();
}

ZOPAPI_HANDLER(SetGameObjStatus) {
    int id = 0, ignored = 0, on = 0;
    if (!PyArg_ParseTuple(args, "iii", &id, &ignored, &on)) return nullptr;
    if (!Target<GameObjectsMan>(names::GameObjectsMan)) return nullptr;
    if (GameObject* object = scripting::FindObject(id)) {
        if (on != 0)
            object->Enable();
        else
            object->Disable();
    }
    return Zero();
}

// Pending: the player's control flag (comes with characters' Player).
ZOPAPI_HANDLER(SetPlayerControl) { return ParseThenPending(args, "i", "Player"); }

ZOPAPI_HANDLER(GetGameTime) {
    auto* timer = Target<Timer>(names::Timer);
    return timer ? Float(timer->GameTime()) : nullptr;
}

// Pending: the score of "HUD" (comes with ui).
ZOPAPI_HANDLER(GetCurrentScore) { return SystemNotRunning(names::HUD); }

}  // namespace zopapi
