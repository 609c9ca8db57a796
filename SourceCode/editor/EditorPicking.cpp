#include "editor/EditorPicking.h"

#include <cmath>

#include "Video/Camera.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "ui/Cursor.h"

std::optional<PickRay> RayThroughPixel(const D3DXMATRIX& viewProjection, float px, float py, float width,
                                       float height) {
    if (!(width > 0.0f) || !(height > 0.0f)) return std::nullopt;
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &viewProjection)) return std::nullopt;
    const float x = 2.0f * px / width - 1.0f;
    const float y = 1.0f - 2.0f * py / height;
    // Clip depth runs from 0 at the near plane to 1 at the far plane.
    const D3DXVECTOR3 nearClip(x, y, 0.0f), farClip(x, y, 1.0f);
    D3DXVECTOR3 nearPoint, farPoint;
    D3DXVec3TransformCoord(&nearPoint, &nearClip, &inverse);
    D3DXVec3TransformCoord(&farPoint, &farClip, &inverse);
    D3DXVECTOR3 direction = farPoint - nearPoint;
    const float length = D3DXVec3Length(&direction);
    if (!(length > 0.0f) || !std::isfinite(length)) return std::nullopt;
    return PickRay{nearPoint, direction / length};
}

std::optional<PickRay> CursorRay() {
    auto* cursor = static_cast<Cursor*>(eTable::Peek(names::Cursor));
    auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    if (!cursor || !camera || !camera->viewProjection) return std::nullopt;
    return RayThroughPixel(*camera->viewProjection, cursor->position.x, cursor->position.y,
                           float(cursor->viewport.Width), float(cursor->viewport.Height));
}

std::optional<float> HitSphere(const PickRay& ray, const D3DXVECTOR3& centre, float radius) {
    const D3DXVECTOR3 toCentre = centre - ray.origin;
    const float along = D3DXVec3Dot(&toCentre, &ray.direction);
    const float distanceSq = D3DXVec3LengthSq(&toCentre) - along * along;
    const float radiusSq = radius * radius;
    if (distanceSq > radiusSq) return std::nullopt;
    const float half = std::sqrt(radiusSq - distanceSq);
    if (along + half < 0.0f) return std::nullopt;
    return along - half > 0.0f ? along - half : 0.0f;
}

std::optional<D3DXVECTOR3> HitPlane(const PickRay& ray, const D3DXVECTOR3& point, const D3DXVECTOR3& normal) {
    const float facing = D3DXVec3Dot(&ray.direction, &normal);
    if (std::fabs(facing) < 1e-6f) return std::nullopt;
    const D3DXVECTOR3 toPoint = point - ray.origin;
    const float t = D3DXVec3Dot(&toPoint, &normal) / facing;
    return ray.origin + ray.direction * t;
}

D3DXVECTOR3 ViewDirection() {
    auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    if (!camera) return {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 direction = camera->target - camera->eye;
    const float length = D3DXVec3Length(&direction);
    return length > 0.0f ? direction / length : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
}

DragPlane DragPlane::Through(const D3DXVECTOR3& objectPosition, const PickRay& ray) {
    DragPlane plane;
    plane.point = objectPosition;
    plane.normal = ViewDirection();
    if (auto hit = HitPlane(ray, objectPosition, plane.normal)) plane.grabOffset = objectPosition - *hit;
    return plane;
}

std::optional<D3DXVECTOR3> DragPlane::Follow(const PickRay& ray) const {
    auto hit = HitPlane(ray, point, normal);
    if (!hit) return std::nullopt;
    return *hit + grabOffset;
}
