#include "world/GameObject.h"

#include "Video/Object.h"
#include "ai/AI.h"
#include "ai/AI_Path.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

std::uint64_t GameObject::NextSerial() {
    static std::uint64_t last = 0;
    return ++last;
}

GameObject::~GameObject() {
    DetachAI();
    if (listedBy) listedBy->ForgetObject(this);
    // Points of other bodies (a trampoline's nodes) may name this object.
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) physics->ForgetOwner(this);
}

GameObjectId& GameObjectId::operator=(std::uint32_t newId) {
    if (newId == value) return *this;
    const std::uint32_t oldId = value;
    value = newId;
    owner->IdChanged(oldId);
    return *this;
}

void GameObject::IdChanged(std::uint32_t oldId) {
    if (listedBy) listedBy->Reindex(this, oldId);
}

bool GameObject::Init(void*, void*) {
    id = 0;
    return true;
}

bool GameObject::Shutdown() { return true; }

bool GameObject::Update() { return true; }

void GameObject::Disable() {
    active = false;
    if (renderObject) renderObject->SetActive(false);
}

bool GameObject::Enable() {
    active = true;
    if (renderObject) renderObject->SetActive(true);
    return true;
}

void GameObject::SetRenderPosition(const D3DXVECTOR3* position) {
    if (!renderObject) return;
    renderObject->SetPosition(*position);
    renderObject->UpdateWorldMatrix();
}

D3DXVECTOR3 GameObject::GetRenderPosition() const {
    return renderObject ? renderObject->GetPosition() : D3DXVECTOR3();
}

float GameObject::GetScale() const { return renderObject ? renderObject->GetScale().x : 1.0f; }

void GameObject::SetMoveTarget(std::uint8_t mode, float time, float x, float y, float z) {
    moveMode = mode;
    moveTimeLeft = time;
    moving = 1;
    moveTarget = {x, y, z};
}

void GameObject::SetRotateTarget(float yaw, float pitch, float time) {
    rotating = 1;
    D3DXQuaternionRotationYawPitchRoll(&targetRotation, yaw, pitch, 0.0f);
    rotateTimeLeft = time;
}

void GameObject::SetScaleTarget(float scale, float time) {
    scaling = 1;
    targetScale = scale;
    scaleTimeLeft = time;
}

void GameObject::ClearMotionFlags() {
    moving = 0;
    moveMode = 0;
    rotating = 0;
    scaling = 0;
}

void GameObject::UpdateTimedMotion() {
    // While the game is paused nothing moves, not even a move that is due.
    auto* timer = static_cast<Timer*>(eTable::Peek(names::Timer));
    if (timer && timer->Paused()) return;
    const float dt = FrameSeconds();
    if (moving) AdvanceMove(dt);
    if (rotating) AdvanceRotation(dt);
    if (scaling) AdvanceScale(dt);
}

void GameObject::PlaceAt(const D3DXVECTOR3& position) {
    if (body) body->SetPosition(&position);
    SetRenderPosition(&position);
}

void GameObject::AdvanceMove(float dt) {
    const bool lastStep = dt >= moveTimeLeft;
    // A move with no time left ends on its target: the fraction would divide
    // by zero (or by a negative time left after an overshooting step).
    if (lastStep && (moveMode == 0 || moveTimeLeft <= 0.0f)) {
        PlaceAt(moveTarget);
        moving = 0;
        return;
    }
    // Objects without a body of their own (trampoline nodes) start from
    // where they are drawn.
    D3DXVECTOR3 p = GetRenderPosition();
    if (body) body->GetPosition(&p);
    const float f = dt / moveTimeLeft;
    PlaceAt(p + (moveTarget - p) * f);
    if (lastStep) moving = 0;
    moveTimeLeft -= dt;
}

void GameObject::AdvanceRotation(float dt) {
    if (!renderObject) return;
    if (rotateTimeLeft <= dt) {
        renderObject->SetRotation(&targetRotation);
        rotating = 0;
        return;
    }
    D3DXQUATERNION current = renderObject->GetRotation();
    D3DXQUATERNION next;
    D3DXQuaternionSlerp(&next, &current, &targetRotation, dt / rotateTimeLeft);
    renderObject->SetRotation(&next);
    rotateTimeLeft -= dt;
}

void GameObject::AdvanceScale(float dt) {
    if (!renderObject) return;
    if (dt < scaleTimeLeft) {
        const float s = renderObject->GetScale().x;
        const float step = (dt / scaleTimeLeft) * (targetScale - s);
        renderObject->Scale(step, step, step);
        scaleTimeLeft -= dt;
        return;
    }
    renderObject->SetScale(targetScale, targetScale, targetScale);
    scaling = 0;
}

AI* GameObject::AttachAI(AI* controller) {
    DetachAI();
    ai = controller;
    if (controller) controller->BindObject(this);
    moving = 0;
    return controller;
}

void GameObject::DetachAI() {
    if (!ai) return;
    AI* controller = ai;
    ai = nullptr;
    // A path controller also goes back to its path's first point.
    controller->UnbindObject();
}

bool GameObject::IsPathDone() {
    if (!ai || ai->Kind() != kAIPath) return false;
    auto* walker = static_cast<AI_Path*>(ai);
    if (!walker->IsAtLastPoint() || moveTimeLeft != 0.0f) return false;
    walker->SetPointIndex(0);
    return true;
}
