#include "ui/Cursor.h"

#include "Video/ObjectDesc.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "ui/Sprites.h"

namespace {
// A minimised window leaves a viewport with no room to place a pointer in.
constexpr DWORD kSmallestViewport = 2;
}  // namespace

Cursor::~Cursor() {
    if (initialized) Shutdown();
}

bool Cursor::Init(void*, void*) {
    if (initialized) return false;
    name = names::Cursor;
    if (!eTable::Register(name, this)) return false;
    position = {0.0f, 0.0f, 0.0f};
    viewport = ui::CurrentViewport();
    const ScreenQuadItem item{0.0f, 0.0f, 0.0f, kSpriteSize, kSpriteSize};
    sprite = ui::CreateSprite("Cursor", ui::kSpriteMaterial, 0, &item, 1, kTexture);
    ui::ShowSprite(sprite, false);
    visible = 0;
    ClearButtons();
    lastX = lastY = lastZ = 0;
    wheelDelta = 0;
    delta = {0.0f, 0.0f, 0.0f};
    initialized = true;
    return true;
}

void Cursor::ClearButtons() {
    rightDown = leftDown = middleDown = 0;
    rightTaken = leftTaken = middleTaken = 0;
    rightCaptured = leftCaptured = middleCaptured = 0;
    leftCapturer = rightCapturer = nullptr;
}

bool Cursor::Update() {
    if (!initialized) return false;
    auto* input = static_cast<Input*>(eTable::Peek(names::Input));
    if (!input) return false;
    viewport = ui::CurrentViewport();
    if (viewport.Width < kSmallestViewport || viewport.Height < kSmallestViewport) {
        // Take the counters so that nothing piles up while there is no room.
        lastX = input->MouseX(), lastY = input->MouseY(), lastZ = input->MouseWheel();
        delta = {0.0f, 0.0f, 0.0f};
        wheelDelta = 0;
        return true;
    }
    delta = {float(input->MouseX() - lastX), float(input->MouseY() - lastY), 0.0f};
    position += delta;
    FollowPlacedPointer(*input);
    wheelDelta = input->MouseWheel() - lastZ;
    lastX = input->MouseX(), lastY = input->MouseY(), lastZ = input->MouseWheel();
    ClampToViewport();
    PlaceSprite();
    leftDown = input->LeftButton();
    rightDown = input->RightButton();
    middleDown = input->MiddleButton();
    ReleaseUntakenPresses();
    // The next poll reads the pointer as the cursor is now: where it is
    // while it is drawn, raw movement while hidden (steering, drags). Hidden,
    // the cursor moves by the raw movement in its own pixels, which are not
    // the window's when the back buffer has another size: the pointer is
    // kept where the cursor is, so the cursor shows again where it was.
    input->FollowPointer(visible != 0);
    if (!visible) input->KeepHiddenPointerAt(position.x / float(viewport.Width), position.y / float(viewport.Height));
    return true;
}

// A pointer that reports positions is drawn where it is, whatever the
// cursor's movement added up to (it started in a corner the pointer need
// not be in); the back buffer may be larger or smaller than the window.
void Cursor::FollowPlacedPointer(const Input& input) {
    plat::PointerSpot spot;
    if (!input.PointerPlacement(&spot)) return;
    position.x = float(spot.x) * float(viewport.Width) / float(spot.width);
    position.y = float(spot.y) * float(viewport.Height) / float(spot.height);
}

// The position is clamped itself, so that moving back from beyond an edge
// moves the pointer at once.
void Cursor::ClampToViewport() {
    const float width = float(viewport.Width), height = float(viewport.Height);
    if (position.x < 0.0f) position.x = 0.0f;
    if (position.x > width) position.x = width;
    if (position.y < 0.0f) position.y = 0.0f;
    if (position.y > height) position.y = height;
}

D3DXVECTOR3 Cursor::ScreenPosition() const {
    const ui::ScreenPoint at = ui::PixelsToScreen(viewport, position.x, position.y);
    return {at.x, at.y, 0.0f};
}

// The sprite's top-left corner sits at the pointer.
void Cursor::PlaceSprite() {
    const D3DXVECTOR3 at = ScreenPosition();
    ui::PlaceSprite(sprite, {at.x, at.y, 0.0f, kSpriteSize, kSpriteSize});
}

void Cursor::ReleaseUntakenPresses() {
    if (!rightCaptured) rightTaken = 0;
    if (!leftCaptured) leftTaken = 0;
    if (!middleCaptured) middleTaken = 0;
}

void Cursor::Show() {
    visible = 1;
    ui::ShowSprite(sprite, true);
}

void Cursor::Hide() {
    visible = 0;
    ui::ShowSprite(sprite, false);
}

bool Cursor::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ui::RemoveSprite(sprite);
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}
