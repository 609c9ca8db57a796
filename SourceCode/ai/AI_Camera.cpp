#include "ai/AI_Camera.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "Video/Camera.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {
constexpr float kClimbPerSecond = 2.0f;
constexpr float kZoomPerSecond = 3.0f;
constexpr float kFlightPerSecond = 10.0f;
constexpr float kRadiansPerMouseCount = 0.005f;
constexpr float kMaxZoomDistance = 10.0f;
// Orbits look at a point this far above half the player's height.
constexpr float kAimLift = 5.0f;

bool UsesMouseLook(std::uint32_t mode) {
    return mode == AI_Camera::kFreeLook || mode > AI_Camera::kFrozenOrbit;
}

float Clamp(float value, AI_Camera::Range range) { return std::min(std::max(value, range.min), range.max); }

Input* FindInput() { return static_cast<Input*>(eTable::Peek(names::Input)); }

// Where the player's body is; none without a player or without its body.
std::optional<D3DXVECTOR3> PlayerPosition() {
    auto* objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
    GameObject* player = objects ? objects->GetObjectById(objectid::kPlayer) : nullptr;
    if (!player || !player->body) return std::nullopt;
    const Point* point = player->body->GetPoint(0);
    if (!point) return std::nullopt;
    return point->position;
}
}  // namespace

AI_Camera::~AI_Camera() {
    if (initialized) Shutdown();
}

bool AI_Camera::Init(void*, void*) {
    if (initialized) return false;
    name = names::AI_Camera;
    if (!eTable::Register(name, this)) return false;
    StoreMousePosition();
    if (Input* input = FindInput()) wheel = static_cast<float>(input->MouseWheel());
    currentHeading = targetHeading = HeadingOf(0.0f);
    initialized = true;
    return true;
}

bool AI_Camera::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    if (!camera) return true;
    WheelStep();
    const float dt = FrameSeconds();
    switch (mode) {
        case kFollow: FollowStep(*camera, dt); break;
        case kLockedOrbit: LockedOrbitStep(*camera, dt, true); break;
        case kNoControl: break;
        case kEditorFlight: FreeFlightStep(*camera, dt, false); break;
        case kFrozenOrbit: LockedOrbitStep(*camera, dt, false); break;
        default: FreeFlightStep(*camera, dt, true); break;
    }
    return true;
}

bool AI_Camera::SetMode(std::uint32_t newMode) {
    if (newMode == kFollow || newMode == kNoControl || newMode == kFreeLook || newMode == kEditorFlight)
        zoomDistance = 0.0f;
    // Mouse look turns by the movement since the reference was taken; without
    // a fresh one the view would swing by all the steering done meanwhile.
    if (UsesMouseLook(newMode) && !UsesMouseLook(mode)) StoreMousePosition();
    mode = newMode;
    return true;
}

void AI_Camera::IncreaseDistance() { zoomDistance = std::min(zoomDistance + 1.0f, kMaxZoomDistance); }

void AI_Camera::DecreaseDistance() { zoomDistance = std::max(zoomDistance - 1.0f, 0.0f); }

void AI_Camera::SetYPosition(float y, float speed) {
    targetHeight = Clamp(y, heightRange);
    heightMoveTime = speed == -1.0f ? std::fabs(targetHeight - height) / timeUnit : std::fabs(speed);
}

AI_Camera::Range AI_Camera::Ordered(float a, float b) { return {std::min(a, b), std::max(a, b)}; }

void AI_Camera::SetYRange(float a, float b) { heightRange = Ordered(a, b); }

void AI_Camera::SetRadiusRange(float a, float b) { radiusRange = Ordered(a, b); }

void AI_Camera::SetAngleRange(float a, float b) { angleRange = Ordered(a, b); }

void AI_Camera::StoreMousePosition() {
    if (Input* input = FindInput()) {
        mouseX = input->MouseX();
        mouseY = input->MouseY();
    }
}

AI_Camera::Controls AI_Camera::ReadControls() {
    auto* logic = static_cast<GameLogic*>(eTable::Peek(names::GameLogic));
    if (!logic) return Controls{};
    Controls controls;
    controls.forward = logic->Forward != 0;
    controls.backward = logic->Backward != 0;
    controls.rotateLeft = logic->RotateLeft != 0;
    controls.rotateRight = logic->RotateRight != 0;
    controls.up = logic->Up != 0;
    controls.down = logic->Down != 0;
    return controls;
}

D3DXQUATERNION AI_Camera::HeadingOf(float angle) {
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, angle);
    D3DXQUATERNION heading;
    D3DXQuaternionRotationMatrix(&heading, &turn);
    return heading;
}

void AI_Camera::WheelStep() {
    Input* input = FindInput();
    if (!input) return;
    const float total = static_cast<float>(input->MouseWheel());
    if (total == wheel) return;
    if (total < wheel)
        IncreaseDistance();
    else
        DecreaseDistance();
    wheel = total;
}

void AI_Camera::FollowStep(Camera& cam, float dt) {
    const std::optional<D3DXVECTOR3> player = PlayerPosition();
    if (!player) return;
    const Controls controls = ReadControls();

    if (controls.up) height += kClimbPerSecond * dt;
    if (controls.down) height -= kClimbPerSecond * dt;
    height = Clamp(height, heightRange);

    if (controls.rotateLeft) rotation += dt;
    if (controls.rotateRight) rotation -= dt;
    rotationInUse = rotation;
    headingGlideTime = 0.0f;
    targetHeading = HeadingOf(rotationInUse);

    if (controls.forward) radius -= kZoomPerSecond * dt;
    if (controls.backward) radius += kZoomPerSecond * dt;
    radius = Clamp(radius, radiusRange);

    GlideCentre(dt);
    StepHeading(dt);
    // The current heading now holds the rotation; the target is left at
    // rotation 0, which is what a frozen orbit entered from here snaps to.
    rotationInUse = 0.0f;
    headingGlideTime = 0.0f;
    targetHeading = HeadingOf(rotationInUse);

    // Aimed from where the eye was placed last frame, so the tilt trails the
    // orbit by one frame.
    AimPitchAt(cam, *player);
    PlaceOnOrbit(cam);
}

void AI_Camera::LockedOrbitStep(Camera& cam, float dt, bool followRotation) {
    if (followRotation) {
        headingGlideTime = 0.0f;
        targetHeading = HeadingOf(rotation);
    }
    MoveHeightTowardTarget(dt);
    GlideCentre(dt);
    StepHeading(dt);
    PlaceOnOrbit(cam);
}

void AI_Camera::FreeFlightStep(Camera& cam, float dt, bool mouseLook) {
    const Controls controls = ReadControls();
    const float step = dt * kFlightPerSecond;
    const D3DXVECTOR3 forward = cam.cameraForward * step;
    const D3DXVECTOR3 right = cam.cameraRight * step;
    if (controls.forward) cam.Move(forward.x, forward.y, forward.z);
    if (controls.backward) cam.Move(-forward.x, -forward.y, -forward.z);
    if (controls.rotateLeft) cam.Move(-right.x, -right.y, -right.z);
    if (controls.rotateRight) cam.Move(right.x, right.y, right.z);
    if (!mouseLook) return;

    Input* input = FindInput();
    if (!input) return;
    const std::int32_t mx = input->MouseX();
    const std::int32_t my = input->MouseY();
    cam.Rotate(static_cast<float>(mx - mouseX) * kRadiansPerMouseCount,
               static_cast<float>(my - mouseY) * kRadiansPerMouseCount, 0.0f);
    mouseX = mx;
    mouseY = my;
}

void AI_Camera::MoveHeightTowardTarget(float dt) {
    if (height == targetHeight) return;
    if (heightMoveTime > 0.0f && dt <= heightMoveTime) {
        height += (targetHeight - height) * dt / heightMoveTime;
        heightMoveTime -= dt;
    } else {
        height = targetHeight;
    }
}

void AI_Camera::GlideCentre(float dt) {
    if (centre == centreGoal) return;
    if (centreGlideTime > 0.0f && dt <= centreGlideTime) {
        D3DXVec3Lerp(&centre, &centre, &centreGoal, dt / centreGlideTime);
        centreGlideTime -= dt;
    } else {
        centre = centreGoal;
    }
}

void AI_Camera::StepHeading(float dt) {
    if (currentHeading == targetHeading) return;
    if (headingGlideTime > 0.0f && dt <= headingGlideTime) {
        D3DXQuaternionSlerp(&currentHeading, &currentHeading, &targetHeading, dt / headingGlideTime);
        headingGlideTime -= dt;
    } else {
        currentHeading = targetHeading;
    }
}

void AI_Camera::AimPitchAt(const Camera& cam, const D3DXVECTOR3& player) {
    const D3DXVECTOR3 aim(player.x, player.y / 2.0f + kAimLift, player.z);
    const D3DXVECTOR3 d = cam.eye - aim;
    const float length = D3DXVec3Length(&d);
    // An eye on the aim point has no direction to it: keep the last tilt.
    if (!(length > 0.0f)) return;
    const float cosine = std::min(std::sqrt(d.x * d.x + d.z * d.z) / length, 1.0f);
    pitch = std::acos(cosine);
    if (d.y < 0.0f) pitch = -pitch;
}

void AI_Camera::PlaceOnOrbit(Camera& cam) const {
    const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f);
    D3DXMATRIX tilt, turn;
    D3DXMatrixRotationX(&tilt, pitch);
    D3DXMatrixRotationQuaternion(&turn, &currentHeading);
    D3DXVECTOR3 tilted, look, back;
    D3DXVec3TransformCoord(&tilted, &ahead, &tilt);
    D3DXVec3TransformCoord(&look, &tilted, &turn);
    D3DXVec3TransformCoord(&back, &ahead, &turn);
    cam.SetLookDirection(look.x, look.y, look.z);
    cam.SetPosition(centre.x - back.x * radius, height + centre.y - back.y * radius, centre.z - back.z * radius);
}
