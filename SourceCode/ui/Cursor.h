#pragma once
// "Cursor": the game's own mouse pointer. Each frame it turns the mouse
// counters of "Input" into a movement delta, a pixel position clamped to the
// viewport, a wheel delta and the three button states, and moves its sprite
// there. Its taken, captured and capturer flags are how widgets and editors
// share the mouse buttons (see Update). Others read and write the fields
// directly, through the registry lookup of "Cursor".
#include <cstdint>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"
#include "platform/gfx/D3DTypes.h"

class Input;

class ObjectScreenQuad;

class Cursor : public System {
public:
    // The sprite's edge in screen units and its picture (tip at the top-left
    // pixel, the hot spot).
    static constexpr float kSpriteSize = 0.05f;
    static constexpr const char* kTexture = "cursor_arrow.bmp";

    Cursor() = default;
    ~Cursor() override;

    // Both arguments are ignored. Registers "Cursor" and makes the sprite,
    // hidden: scripts show it.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // The capture protocol every widget follows: it reacts to a press only
    // while the button's taken flag is clear; taking it, it sets taken and
    // captured and stores itself as the capturer (and usually hides the
    // pointer while it drags); on release it clears captured when it is still
    // the capturer and shows the pointer again. Update clears each taken flag
    // whose captured flag is clear, so a press nobody holds is taken for at
    // most one frame.
    bool Update() override;

    // Shows or hides the pointer: the visible flag and the sprite together.
    void Show();
    void Hide();
    // The pointer in screen units (-1..1, y upward) for the current viewport.
    D3DXVECTOR3 ScreenPosition() const;

    std::uint8_t visible = 0;
    std::uint8_t rightDown = 0;
    std::uint8_t leftDown = 0;
    std::uint8_t middleDown = 0;
    std::uint8_t rightTaken = 0;
    std::uint8_t leftTaken = 0;
    std::uint8_t middleTaken = 0;
    std::uint8_t rightCaptured = 0;
    std::uint8_t leftCaptured = 0;
    std::uint8_t middleCaptured = 0;
    // Who holds the button: compared, never called.
    const void* leftCapturer = nullptr;
    const void* rightCapturer = nullptr;
    ObjectScreenQuad* sprite = nullptr;  // owned by "Main Scene"
    std::int32_t lastX = 0, lastY = 0, lastZ = 0;
    std::int32_t wheelDelta = 0;
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};  // pixels inside the viewport, y downward
    D3DXVECTOR3 delta{0.0f, 0.0f, 0.0f};     // this frame's raw counter change
    D3DVIEWPORT9 viewport{};

private:
    void ClearButtons();
    void FollowCounters();
    void FollowPlacedPointer(const Input& input);
    void ClampToViewport();
    void PlaceSprite();
    void ReleaseUntakenPresses();
};
