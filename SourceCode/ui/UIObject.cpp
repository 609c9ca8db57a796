#include "ui/UIObject.h"

#include "Video/ObjectDesc.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "ui/Cursor.h"

UIObject::~UIObject() {
    if (initialized) UIObject::Shutdown();
}

bool UIObject::Init(void*, void*) {
    if (initialized) return false;
    name = names::UIObject;
    x = -0.5f, y = -0.5f, width = 0.1f, height = 0.1f, depth = 1e-7f;
    gripWidth = 0.1f, gripHeight = 0.1f;
    grabbed = moving = 0;
    viewport = ui::CurrentViewport();
    const ScreenQuadItem item{x, y, depth, width, height};
    sprite = ui::CreateSprite("UIObject", ui::kSpriteMaterial, 0, &item, 1, "UIObject.bmp");
    initialized = true;
    return true;
}

Cursor* UIObject::FindCursor() { return static_cast<Cursor*>(eTable::Peek(names::Cursor)); }

ui::ScreenPoint UIObject::CursorAt(const Cursor& cursor, const D3DVIEWPORT9& viewport) {
    return ui::PixelsToScreen(viewport, cursor.position.x, cursor.position.y);
}

bool UIObject::InGrip(float cx, float cy) const {
    return x < cx && cx < x + gripWidth && y - gripHeight < cy && cy < y;
}

void UIObject::TakePress(Cursor& cursor, bool left) {
    cursor.Hide();
    if (left) {
        cursor.leftCaptured = 1;
        cursor.leftCapturer = this;
        cursor.leftTaken = 1;
    } else {
        cursor.rightCaptured = 1;
        cursor.rightCapturer = this;
        cursor.rightTaken = 1;
    }
    grabbed = 1;
}

void UIObject::ReleasePress(Cursor& cursor) {
    cursor.Show();
    if (cursor.leftCapturer == this) {
        cursor.leftCaptured = 0;
        cursor.leftCapturer = nullptr;
    }
    if (cursor.rightCapturer == this) {
        cursor.rightCaptured = 0;
        cursor.rightCapturer = nullptr;
    }
}

void UIObject::GiveBackPress() {
    Cursor* cursor = FindCursor();
    if (cursor && grabbed && (cursor->leftCapturer == this || cursor->rightCapturer == this)) ReleasePress(*cursor);
    grabbed = moving = 0;
}

bool UIObject::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    Cursor* cursor = FindCursor();
    if (!cursor) return true;
    if (cursor->leftCaptured && cursor->leftCapturer == this) {
        if (!grabbed) return true;
        if (cursor->leftDown) {
            if (moving) MoveWithCursor();
            return true;
        }
        ReleasePress(*cursor);
        grabbed = moving = 0;
        return true;
    }
    const ui::ScreenPoint at = CursorAt(*cursor, viewport);
    const bool inside = x < at.x && at.x < x + width && y - height < at.y && at.y < y;
    if (!cursor->leftTaken && cursor->leftDown && inside) {
        TakePress(*cursor, true);
        if (InGrip(at.x, at.y)) moving = 1;
    }
    return true;
}

void UIObject::FollowCursor(const Cursor& cursor, const D3DVIEWPORT9& view) {
    const float halfWidth = float(view.Width / 2), halfHeight = float(view.Height / 2);
    if (halfWidth < 1.0f || halfHeight < 1.0f) return;
    x += cursor.delta.x / halfWidth;
    y -= cursor.delta.y / halfHeight;
    if (x < -1.0f) x = -1.0f;
    if (x > 1.0f - width) x = 1.0f - width;
    if (y > 1.0f) y = 1.0f;
    if (y < height - 1.0f) y = height - 1.0f;
}

void UIObject::MoveWithCursor() {
    if (const Cursor* cursor = FindCursor()) FollowCursor(*cursor, viewport);
    ui::PlaceSprite(sprite, {x, y, depth, width, height});
}

void UIObject::Show() {
    hidden = false;
    ui::ShowSprite(sprite, true);
}

void UIObject::Hide() {
    GiveBackPress();
    hidden = true;
    ui::ShowSprite(sprite, false);
}

bool UIObject::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    GiveBackPress();
    ui::RemoveSprite(sprite);
    initialized = false;
    return true;
}
