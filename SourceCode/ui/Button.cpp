#include "ui/Button.h"

#include "Video/ObjectDesc.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "ui/Cursor.h"
#include "ui/HUDText.h"
#include "ui/Sprites.h"

namespace {
// Just behind everything else on the screen, so the label draws over it.
constexpr float kButtonDepth = 1e-7f;

const float kIdleColour[4] = {0.5f, 0.5f, 0.5f, 0.75f};
const float kLitColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// Past white on purpose: the label flashes while the press lands.
const float kPressedColour[4] = {10.0f, 10.0f, 10.0f, 0.0f};

void DefaultLeave(Button* button) {
    if (HUDText* label = button->Label()) {
        label->SetColor(kIdleColour);
        label->SetMode(0);
    }
}
void DefaultEnter(Button* button) {
    if (HUDText* label = button->Label()) {
        label->SetColor(kLitColour);
        label->SetMode(1);
    }
}
void DefaultPress(Button* button) {
    if (HUDText* label = button->Label()) label->SetColor(kPressedColour);
}
void DefaultRelease(Button* button) {
    if (HUDText* label = button->Label()) label->SetColor(kLitColour);
}

Cursor* FindCursor() { return static_cast<Cursor*>(eTable::Peek(names::Cursor)); }
}  // namespace

Button::~Button() {
    if (initialized) Shutdown();
}

bool Button::Init(void* a, void*) {
    if (initialized || !a) return false;
    const auto* desc = static_cast<const ButtonDesc*>(a);
    name = names::Button;
    onLeave = DefaultLeave;
    onEnter = DefaultEnter;
    onPress = DefaultPress;
    onHover = nullptr;
    onHold = nullptr;
    onRelease = DefaultRelease;
    hoverState = kOutside;
    pressState = kUp;
    label = nullptr;
    left = desc->left, right = desc->right, top = desc->top, bottom = desc->bottom;
    const ScreenQuadItem item{left, top, kButtonDepth, right - left, top - bottom};
    quad = ui::CreateSprite(nullptr, ui::kTextMaterial, ui::kOverlayFlags, &item, 1, desc->texture);
    // Without a picture the button is only its label.
    pictured = desc->texture != nullptr;
    hidden = false;
    if (!pictured) ui::ShowSprite(quad, false);
    initialized = true;
    return true;
}

void Button::SetText(const char* text, std::uint32_t glyphCount, float spacing, float size,
                     std::uint32_t randomRange) {
    if (label)
        label->Shutdown();
    else
        label = new HUDText();
    const float origin[2] = {left, top};
    const TextDesc desc(text ? text : "", spacing, size, origin, glyphCount, randomRange, 0);
    label->Init(&desc);
    label->SetHidden(hidden);
    label->SetColor(kIdleColour);
    label->SetMode(0);
}

bool Button::IsCursorOver() const {
    const Cursor* cursor = FindCursor();
    if (!cursor || hidden) return false;
    const D3DXVECTOR3 at = cursor->ScreenPosition();
    return left <= at.x && at.x <= right && bottom <= at.y && at.y <= top;
}

void Button::SetHidden(bool hide) {
    hidden = hide;
    ui::ShowSprite(quad, pictured && !hide);
    if (label) label->SetHidden(hide);
}

bool Button::IsMouseDown() const {
    const Cursor* cursor = FindCursor();
    return cursor && (cursor->leftDown || cursor->rightDown);
}

void Button::Call(Callback callback, Button* button) {
    if (callback) callback(button);
}

bool Button::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    const bool over = IsCursorOver();
    UpdateHover(over);
    UpdatePress(over);
    if (label) label->Update();
    return true;
}

void Button::UpdateHover(bool over) {
    if (over && hoverState == kOutside) {
        hoverState = kEntered;
        Call(onEnter, this);
    } else if (over) {
        hoverState = kHovering;
        Call(onHover, this);
    } else if (hoverState != kOutside) {
        hoverState = kOutside;
        Call(onLeave, this);
    }
}

// Off the button nothing changes: a press dragged away and released
// elsewhere is released when the cursor comes back with no button held.
void Button::UpdatePress(bool over) {
    if (!over) return;
    if (IsMouseDown()) {
        if (pressState == kUp) {
            pressState = kPressed;
            Call(onPress, this);
        } else {
            pressState = kHeld;
            Call(onHold, this);
        }
    } else if (pressState != kUp) {
        pressState = kUp;
        Call(onRelease, this);
    }
}

bool Button::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ui::RemoveSprite(quad);
    if (label) {
        label->Shutdown();
        delete label;
        label = nullptr;
    }
    initialized = false;
    return true;
}
