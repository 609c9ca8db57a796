// User interface and level settings.
#include "scripting/ZOPAPIInternal.h"

#include <cstdint>
#include <cstring>

#include "Video/Object.h"
#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Video.h"
#include "characters/Player.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "scripting/WorldLookup.h"
#include "ui/Button.h"
#include "ui/Cursor.h"
#include "ui/Fire.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace zopapi {
namespace {
constexpr std::uint32_t kCubeTexture = 2;
}  // namespace

ZOPAPI_HANDLER(ClearUIObjects) {
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    logic->ClearUIObjects();
    if (auto* hud = scripting::Running<HUD>(names::HUD)) hud->Clear();
    return Zero();
}

namespace {
// Hands the object to the game logic, which owns it from then on.
PyObject* AddUIObject(GameLogic& logic, System* object) { return Int(logic.AddUIObject(object)); }

std::uint32_t Count(int value) { return value < 0 ? 0u : static_cast<std::uint32_t>(value); }

// A button's rectangle comes as the four floats Init reads, in that order.
struct ButtonArgs {
    float left = 0, right = 0, top = 0, bottom = 0;
    const char *texture = nullptr, *label = nullptr;
    float spacing = 0, size = 0;
    int glyphCount = 0, randomRange = 0;
    float rate = 0, amount = 0, height = 0;
};

PyObject* AddButtonFrom(const ButtonArgs& a, bool animated) {
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    ButtonDesc desc;
    desc.left = a.left;
    desc.right = a.right;
    desc.top = a.top;
    desc.bottom = a.bottom;
    desc.texture = std::strcmp(a.texture, "NOTEX") == 0 ? nullptr : a.texture;
    auto* button = new Button;
    button->Init(&desc);
    button->SetText(GlyphCodesFromUtf8(a.label).c_str(), Count(a.glyphCount), a.spacing, a.size,
                    Count(a.randomRange));
    if (animated && button->Label()) {
        button->Label()->SetAnimation(a.rate, a.amount, a.height);
        button->Label()->SetMode(1);
    }
    return AddUIObject(*logic, button);
}

PyObject* AddTextFrom(const char* text, float spacing, float size, float x, float y, int glyphCount,
                      int randomRange, const float* animation) {
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    const float origin[2] = {x, y};
    TextDesc desc(GlyphCodesFromUtf8(text), spacing, size, origin, Count(glyphCount), Count(randomRange),
                  animation ? 1u : 0u);
    auto* hudText = new HUDText;
    hudText->Init(&desc);
    if (animation) hudText->SetAnimation(animation[0], animation[1], animation[2]);
    return AddUIObject(*logic, hudText);
}
}  // namespace

ZOPAPI_HANDLER(AddSplashScreen) {
    const char *texture = nullptr, *caption = nullptr;
    if (!PyArg_ParseTuple(args, "ss", &texture, &caption)) return nullptr;
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    auto* splash = new SplashScreen;
    splash->Init(nullptr, nullptr);
    if (ObjectScreenQuad* quad = splash->Quad()) {
        if (std::strcmp(texture, "NOTEX") == 0) {
            const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            quad->surface = SurfaceData(black, black, 10, 0.5f, 0.01f, 1.5f);
        } else {
            quad->SetTextureSlot(texture, kBaseTextureSemantic, 0, 0);
        }
    }
    if (std::strcmp(caption, "NOTEXT") != 0) splash->SetCaption(caption);
    return AddUIObject(*logic, splash);
}

ZOPAPI_HANDLER(AddButton) {
    ButtonArgs a;
    if (!PyArg_ParseTuple(args, "ffffssffii", &a.left, &a.right, &a.top, &a.bottom, &a.texture, &a.label,
                          &a.spacing, &a.size, &a.glyphCount, &a.randomRange))
        return nullptr;
    return AddButtonFrom(a, false);
}

ZOPAPI_HANDLER(AddAnimatedButton) {
    ButtonArgs a;
    if (!PyArg_ParseTuple(args, "ffffssffiifff", &a.left, &a.right, &a.top, &a.bottom, &a.texture, &a.label,
                          &a.spacing, &a.size, &a.glyphCount, &a.randomRange, &a.rate, &a.amount, &a.height))
        return nullptr;
    return AddButtonFrom(a, true);
}

ZOPAPI_HANDLER(AddText) {
    const char* text = nullptr;
    float spacing = 0, size = 0, x = 0, y = 0;
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "sff(ff)ii", &text, &spacing, &size, &x, &y, &glyphCount, &randomRange))
        return nullptr;
    return AddTextFrom(text, spacing, size, x, y, glyphCount, randomRange, nullptr);
}

ZOPAPI_HANDLER(AddAnimatedText) {
    const char* text = nullptr;
    float spacing = 0, size = 0, x = 0, y = 0;
    float animation[3] = {};
    int glyphCount = 0, randomRange = 0;
    if (!PyArg_ParseTuple(args, "sff(ff)iifff", &text, &spacing, &size, &x, &y, &glyphCount, &randomRange,
                          &animation[0], &animation[1], &animation[2]))
        return nullptr;
    return AddTextFrom(text, spacing, size, x, y, glyphCount, randomRange, animation);
}

ZOPAPI_HANDLER(ShowCursor) {
    auto* cursor = Target<Cursor>(names::Cursor);
    if (!cursor) return nullptr;
    cursor->Show();
    return Zero();
}

ZOPAPI_HANDLER(HideCursor) {
    auto* cursor = Target<Cursor>(names::Cursor);
    if (!cursor) return nullptr;
    cursor->Hide();
    return Zero();
}

ZOPAPI_HANDLER(AddFire) {
    float x = 0, y = 0, z = 0, scale = 0;
    if (!PyArg_ParseTuple(args, "ffff", &x, &y, &z, &scale)) return nullptr;
    auto* logic = Target<GameLogic>(names::GameLogic);
    if (!logic) return nullptr;
    auto* fire = new Fire;
    fire->Init(nullptr, nullptr);
    if (Object* quad = fire->Quad()) {
        quad->SetPosition(x, y, z);
        quad->SetScale(scale, scale, scale);
    }
    return AddUIObject(*logic, fire);
}

ZOPAPI_HANDLER(AddHUD) {
    auto* hud = Target<HUD>(names::HUD);
    if (!hud) return nullptr;
    hud->ShowScoreAndTime();
    return Zero();
}

ZOPAPI_HANDLER(RemoveHUD) {
    auto* hud = Target<HUD>(names::HUD);
    if (!hud) return nullptr;
    hud->Clear();
    return Zero();
}

ZOPAPI_HANDLER(SetLevelTime) {
    float seconds = 0;
    if (!PyArg_ParseTuple(args, "f", &seconds)) return nullptr;
    auto* hud = Target<HUD>(names::HUD);
    if (!hud) return nullptr;
    hud->SetLevelTime(seconds);
    return Zero();
}

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
    video->Settings().clearColor = D3DXCOLOR(r, g, b, a);
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

ZOPAPI_HANDLER(SetPlayerControl) {
    int on = 0;
    if (!PyArg_ParseTuple(args, "i", &on)) return nullptr;
    if (!Target<GameObjectsMan>(names::GameObjectsMan)) return nullptr;
    GameObject* object = scripting::FindObject(static_cast<std::int32_t>(objectid::kPlayer));
    // Only the player has the flag; another object given its id is left alone.
    if (object && object->kind == kKindPlayer) static_cast<Player*>(object)->mouseSteering = on != 0 ? 1 : 0;
    return Zero();
}

ZOPAPI_HANDLER(GetGameTime) {
    auto* timer = Target<Timer>(names::Timer);
    return timer ? Float(timer->GameTime()) : nullptr;
}

ZOPAPI_HANDLER(GetCurrentScore) {
    auto* hud = Target<HUD>(names::HUD);
    return hud ? Int(hud->score) : nullptr;
}

}  // namespace zopapi
