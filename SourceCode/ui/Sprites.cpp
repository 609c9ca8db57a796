#include "ui/Sprites.h"

#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/Scene.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"

namespace ui {

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }

ObjectScreenQuad* CreateSprite(const char* typeName, std::uint32_t materialKind, std::uint8_t flags,
                               const ScreenQuadItem* items, std::uint32_t count, const char* texture) {
    Scene* scene = MainScene();
    if (!scene) return nullptr;
    const SurfaceData surface;  // white, power 10, m 0.5, n 0.01, str 1.5
    const SceneObjectDesc desc(flags, typeName, materialKind, count, surface, 1, items);
    ObjectScreenQuad* sprite = Scene::CreateScreenQuad(scene, &desc);
    if (sprite && texture) sprite->SetTextureSlot(texture, kBaseTextureSemantic, 0, TextureMan::kFlat);
    return sprite;
}

void RemoveSprite(ObjectScreenQuad*& sprite) {
    if (!sprite) return;
    if (Scene* scene = MainScene()) scene->RemoveObject(sprite, false);
    sprite = nullptr;
}

void PlaceSprite(ObjectScreenQuad* sprite, const ScreenQuadItem& item) {
    if (sprite) sprite->SetQuads(&item, 1);
}

void ShowSprite(ObjectScreenQuad* sprite, bool shown) {
    if (sprite) sprite->SetActive(shown);
}

D3DVIEWPORT9 CurrentViewport() {
    D3DVIEWPORT9 viewport{};
    if (IDirect3DDevice9* device = RunningDevice()) device->GetViewport(&viewport);
    return viewport;
}

ScreenPoint PixelsToScreen(const D3DVIEWPORT9& viewport, float px, float py) {
    const int halfWidth = static_cast<int>(viewport.Width / 2);
    const int halfHeight = static_cast<int>(viewport.Height / 2);
    if (halfWidth < 1 || halfHeight < 1) return {};
    return {(px - float(halfWidth)) / float(halfWidth), -(py - float(halfHeight)) / float(halfHeight)};
}

float GameSeconds() {
    auto* timer = static_cast<Timer*>(eTable::Peek(names::Timer));
    return timer ? timer->GameTime() : 0.0f;
}

// A step that would reach or pass the target ends on it: past it, a frame
// of rate x frame time 2 swung a component from one side to the other for
// ever, and a longer one swung it further each frame until it was NaN.
void FadeToward(float colour[4], const float target[4], float k) {
    for (int i = 0; i < 4; ++i) {
        const float left = colour[i] - target[i];
        const float next = colour[i] - left * k;
        colour[i] = (next - target[i]) * left > 0.0f ? next : target[i];
    }
}

}  // namespace ui
