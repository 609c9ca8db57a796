#pragma once
// What every user-interface element shares: its sprites are screen quads in
// "Main Scene" with one texture in slot 0 bound to "BASETEXTURE0" and the
// default surface; positions are screen units (-1..1, y upward), an item
// giving a sprite's top-left corner and size.
#include <cstdint>

#include "platform/gfx/D3DTypes.h"

class ObjectScreenQuad;
class Scene;
struct ScreenQuadItem;

namespace ui {

// Material kinds of the sprites: the quad-batch kinds of lines (the cursor
// and the widgets) and of text (glyphs, buttons, splash screens); the fire.
inline constexpr std::uint32_t kSpriteMaterial = 5;
inline constexpr std::uint32_t kTextMaterial = 23;
inline constexpr std::uint32_t kFireMaterial = 24;
// Object flag that files sprites in the later groups, drawn over the world.
inline constexpr std::uint8_t kOverlayFlags = 64;

// The scene sprites live in; null when there is none.
Scene* MainScene();

// A screen quad in "Main Scene" with the default surface, one texture slot
// and the given items (none when items is null). The texture, when named, is
// loaded into slot 0 for "BASETEXTURE0". Null when there is no scene.
ObjectScreenQuad* CreateSprite(const char* typeName, std::uint32_t materialKind, std::uint8_t flags,
                               const ScreenQuadItem* items, std::uint32_t count, const char* texture);
// Removes the sprite from the scene (deleting it) and nulls the pointer.
void RemoveSprite(ObjectScreenQuad*& sprite);
// Gives the sprite exactly this one item.
void PlaceSprite(ObjectScreenQuad* sprite, const ScreenQuadItem& item);
// Shows or hides the sprite (its active flag) when there is one.
void ShowSprite(ObjectScreenQuad* sprite, bool shown);

// The device's viewport; all zero when there is no device.
D3DVIEWPORT9 CurrentViewport();

// A pixel position inside the viewport in screen units, with the viewport's
// half sizes in whole pixels. A viewport under 2 pixels gives (0, 0).
struct ScreenPoint {
    float x = 0.0f;
    float y = 0.0f;
};
ScreenPoint PixelsToScreen(const D3DVIEWPORT9& viewport, float px, float py);

// The timer's game time in seconds (0 without a timer).
float GameSeconds();

// One step of a user-interface fade: each component moves toward its target
// by k of the remaining difference, and stops at the target.
void FadeToward(float colour[4], const float target[4], float k);

}  // namespace ui
