#include "Video/Camera.h"

#include "Video/Effects/EffectParams.h"
#include "Video/MatrixMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

#include <utility>

namespace {
// The pool's reserved indices of the camera's matrices, and the order in
// which they go back to it.
constexpr unsigned kViewIndex = 2;
constexpr unsigned kProjectionIndex = 1;
constexpr unsigned kViewProjectionIndex = 3;
constexpr unsigned kScreenAlignIndex = 4;

// Beyond this cosine between the viewing direction and up, pitching further
// toward that pole is refused.
constexpr float kPoleLimit = 0.9f;

D3DXPLANE PlaneOf(float a, float b, float c, float d) { return D3DXPLANE(a, b, c, d); }
}  // namespace

Camera::~Camera() {
    if (initialized) Shutdown();
}

bool Camera::Init(void*, void*) {
    if (initialized) return false;
    name = names::Camera;
    if (!eTable::Register(name, this)) return false;

    auto* pool = eTable::Find<MatrixMan>(names::MatrixMan);
    if (!pool) {
        eTable::RemoveSystem(this);
        return false;
    }
    view = pool->GetMatrix(kViewIndex);
    projection = pool->GetMatrix(kProjectionIndex);
    viewProjection = pool->GetMatrix(kViewProjectionIndex);
    screenAlign = pool->GetMatrix(kScreenAlignIndex);

    EffectParams::SetMatrix(sem::View, view);
    EffectParams::SetMatrix(sem::Projection, projection);
    EffectParams::SetMatrix(sem::ViewProjection, viewProjection);
    EffectParams::SetMatrix(sem::ScreenAlign, screenAlign);
    initialized = true;
    return true;
}

bool Camera::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!valid) BuildView();
    PublishEye();
    return true;
}

bool Camera::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    // The store must not keep pointers to matrices the pool has freed.
    const std::pair<int, D3DXMATRIX*> bound[] = {{sem::View, view},
                                                 {sem::Projection, projection},
                                                 {sem::ViewProjection, viewProjection},
                                                 {sem::ScreenAlign, screenAlign}};
    for (const auto& [semantic, matrix] : bound)
        if (matrix && EffectParams::GetMatrix(semantic) == matrix) EffectParams::SetMatrix(semantic, nullptr);
    if (auto* pool = eTable::Find<MatrixMan>(names::MatrixMan)) {
        pool->FreeIndex(kViewIndex);
        pool->FreeIndex(kProjectionIndex);
        pool->FreeIndex(kViewProjectionIndex);
        pool->FreeIndex(kScreenAlignIndex);
    }
    view = projection = viewProjection = screenAlign = nullptr;
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void Camera::Set(D3DXVECTOR3 newEye, D3DXVECTOR3 newTarget, D3DXVECTOR3 newUp, float fov, float newAspect,
                 float newNear, float newFar) {
    eye = newEye;
    target = newTarget;
    up = newUp;
    D3DXVec3Normalize(&up, &up);
    fieldOfView = fov;
    aspect = newAspect;
    nearPlane = newNear;
    farPlane = newFar;
    BuildView();
}

const float* Camera::SetPosition(float x, float y, float z) {
    const D3DXVECTOR3 position(x, y, z);
    target = target - eye + position;
    eye = position;
    valid = false;
    return &eye.x;
}

void Camera::Move(float x, float y, float z) {
    const D3DXVECTOR3 offset(x, y, z);
    eye += offset;
    target += offset;
    valid = false;
}

void Camera::SetLookDirection(float x, float y, float z) {
    target = eye + D3DXVECTOR3(x, y, z);
    valid = false;
}

void Camera::Rotate(float yaw, float pitch, float roll) {
    D3DXVECTOR3 direction = target - eye;
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &direction);
    const float k = D3DXVec3Dot(&unit, &up);
    if (k > kPoleLimit && pitch < 0.0f) pitch = 0.0f;
    if (k < -kPoleLimit && pitch > 0.0f) pitch = 0.0f;

    D3DXMATRIX pitchMatrix, yawMatrix, rollMatrix;
    D3DXMatrixRotationAxis(&pitchMatrix, &cameraRight, pitch);
    D3DXMatrixRotationAxis(&yawMatrix, &up, yaw);
    D3DXMatrixRotationAxis(&rollMatrix, &cameraForward, roll);
    D3DXVec3TransformCoord(&direction, &direction, &yawMatrix);
    D3DXVec3TransformCoord(&direction, &direction, &rollMatrix);
    D3DXVec3TransformCoord(&direction, &direction, &pitchMatrix);

    target = eye + direction;
    valid = false;
}

void Camera::BuildView() {
    // Without the pool's matrices (before Init, or when the pool is missing)
    // there is nothing to build into.
    if (!view || !projection || !viewProjection || !screenAlign) return;
    D3DXMatrixLookAtLH(view, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(projection, fieldOfView, aspect, nearPlane, farPlane);
    D3DXMatrixMultiply(viewProjection, view, projection);
    ExtractFrustumPlanes(viewProjection);

    cameraRight = D3DXVECTOR3(view->_11, view->_21, view->_31);
    cameraUp = D3DXVECTOR3(view->_12, view->_22, view->_32);
    cameraForward = D3DXVECTOR3(view->_13, view->_23, view->_33);

    // Rows of the screen-align matrix; its fourth row and column stay as the
    // pool made them.
    D3DXMATRIX& align = *screenAlign;
    align._11 = cameraUp.x, align._12 = cameraUp.y, align._13 = cameraUp.z;
    align._21 = cameraForward.x, align._22 = cameraForward.y, align._23 = cameraForward.z;
    align._31 = cameraRight.x, align._32 = cameraRight.y, align._33 = cameraRight.z;

    valid = true;
    ++buildCount;
}

void Camera::ExtractFrustumPlanes(const D3DXMATRIX* m) {
    // Columns of the matrix: clip x, y, z and w as functions of the point.
    const D3DXVECTOR4 c1(m->_11, m->_21, m->_31, m->_41);
    const D3DXVECTOR4 c2(m->_12, m->_22, m->_32, m->_42);
    const D3DXVECTOR4 c3(m->_13, m->_23, m->_33, m->_43);
    const D3DXVECTOR4 c4(m->_14, m->_24, m->_34, m->_44);
    const D3DXVECTOR4 sides[kPlaneCount] = {c3, c4 - c3, c4 + c1, c4 - c1, c4 + c2, c4 - c2};
    for (int i = 0; i < kPlaneCount; ++i) {
        frustum[i] = PlaneOf(sides[i].x, sides[i].y, sides[i].z, sides[i].w);
        D3DXPlaneNormalize(&frustum[i], &frustum[i]);
    }
}

void Camera::PublishEye() {
    const D3DXVECTOR3 look = target - eye;
    D3DXVECTOR4 direction(look.x, look.y, look.z, 0.0f);
    D3DXVec4Normalize(&direction, &direction);
    EffectParams::SetVector(sem::EyeDirection, &direction.x);
    const D3DXVECTOR4 position(eye.x, eye.y, eye.z, 1.0f);
    EffectParams::SetVector(sem::EyePosition, &position.x);
}
