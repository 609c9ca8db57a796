#pragma once
// A movable screen sprite that the user drags with the left mouse button by
// its grip (the area at its top-left corner), kept on the screen. Widgets
// share the mouse through the cursor's taken, captured and capturer fields.
#include <cstdint>

#include "core/System.h"
#include "platform/gfx/D3DTypes.h"
#include "ui/Sprites.h"

class Cursor;
class ObjectScreenQuad;

class UIObject : public System {
public:
    UIObject() = default;
    ~UIObject() override;

    // Both arguments are ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Gives back a press it still holds.
    bool Shutdown() override;
    bool Update() override;
    virtual void Show();
    // Gives back a press it still holds.
    virtual void Hide();
    // Follows this frame's cursor movement, kept on the screen.
    virtual void MoveWithCursor();

    bool Grabbed() const { return grabbed; }
    bool Moving() const { return moving; }
    ObjectScreenQuad* Sprite() const { return sprite; }

    float x = -0.5f, y = -0.5f;  // top-left corner, screen units
    float width = 0.1f, height = 0.1f;
    float depth = 1e-7f;
    float gripWidth = 0.1f, gripHeight = 0.1f;

protected:
    static Cursor* FindCursor();
    // The cursor in screen units for a viewport.
    static ui::ScreenPoint CursorAt(const Cursor& cursor, const D3DVIEWPORT9& viewport);
    // Moves x and y by the cursor's movement and keeps the rectangle on the
    // screen.
    void FollowCursor(const Cursor& cursor, const D3DVIEWPORT9& viewport);
    // Sets the taken and captured flags of a button and becomes its capturer;
    // hides the pointer while the drag lasts.
    void TakePress(Cursor& cursor, bool left);
    // Clears the captured flags this object holds and shows the pointer.
    void ReleasePress(Cursor& cursor);
    // ReleasePress when a press is still held (shut down or hidden mid-drag).
    void GiveBackPress();
    bool InGrip(float cx, float cy) const;

    std::uint8_t grabbed = 0;
    std::uint8_t moving = 0;
    bool hidden = false;
    ObjectScreenQuad* sprite = nullptr;  // owned by "Main Scene"
    D3DVIEWPORT9 viewport{};
};
