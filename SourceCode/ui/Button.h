#pragma once
// A rectangular, optionally textured screen quad with a glyph-text label
// that follows the cursor: a hover state (0 outside, 1 just entered, 3
// hovering) and a press state (5 up, 2 just pressed, 4 held), with one
// callback per change. The default callbacks recolour the label.
#include <cstdint>

#include "core/System.h"

class HUDText;
class ObjectScreenQuad;

// What a button is made from: its rectangle in screen units (top above
// bottom) and its picture (null: none, only the label shows).
struct ButtonDesc {
    float left = 0.0f, right = 0.0f, top = 0.0f, bottom = 0.0f;
    const char* texture = nullptr;
};

class Button : public System {
public:
    using Callback = void (*)(Button* button);

    // Hover states.
    static constexpr std::int32_t kOutside = 0, kEntered = 1, kHovering = 3;
    // Press states.
    static constexpr std::int32_t kUp = 5, kPressed = 2, kHeld = 4;

    Button() = default;
    ~Button() override;

    // a is a const ButtonDesc*; b is ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const ButtonDesc* desc) { return Init(const_cast<ButtonDesc*>(desc), nullptr); }
    bool Shutdown() override;
    // Hover, then press, then the label's own update.
    bool Update() override;

    // Makes (or remakes) the label at the top-left corner, grey and still:
    // the look of a button the cursor is not over.
    void SetText(const char* text, std::uint32_t glyphCount, float spacing, float size, std::uint32_t randomRange);
    // The cursor's position lies in the rectangle, edges included; never
    // while the button is hidden.
    bool IsCursorOver() const;
    // Hides or shows the picture and the label; a hidden button cannot be
    // pointed at or clicked.
    void SetHidden(bool hide);
    bool Hidden() const { return hidden; }
    // The left or the right mouse button is held, anywhere on the screen.
    bool IsMouseDown() const;

    HUDText* Label() const { return label; }
    ObjectScreenQuad* Quad() const { return quad; }
    std::int32_t HoverState() const { return hoverState; }
    std::int32_t PressState() const { return pressState; }

    Callback onLeave = nullptr;
    Callback onEnter = nullptr;
    Callback onPress = nullptr;
    Callback onHover = nullptr;
    Callback onHold = nullptr;
    Callback onRelease = nullptr;

private:
    void UpdateHover(bool over);
    void UpdatePress(bool over);
    static void Call(Callback callback, Button* button);

    ObjectScreenQuad* quad = nullptr;  // owned by "Main Scene"
    float left = 0.0f, right = 0.0f, top = 0.0f, bottom = 0.0f;
    HUDText* label = nullptr;  // owned, not a child
    std::int32_t hoverState = kOutside;
    std::int32_t pressState = kUp;
    bool pictured = false;
    bool hidden = false;
};
