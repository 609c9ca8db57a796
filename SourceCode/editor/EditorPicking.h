#pragma once
// What the editors do with the mouse in the 3D view: a ray from the camera
// through the cursor, the nearest sphere it hits, and a drag that keeps a
// grabbed point in the plane facing the camera.
#include <optional>

#include "platform/d3dx/Math3D.h"

struct PickRay {
    D3DXVECTOR3 origin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 direction{0.0f, 0.0f, 1.0f};  // unit length
};

// The ray through the cursor's pixel: from the near plane toward the far
// plane through the inverse of the camera's view-projection. Nothing without
// "Cursor" and "Camera" or with a view that cannot be inverted.
std::optional<PickRay> CursorRay();
// The ray through a pixel of a viewport of width x height for a
// view-projection matrix.
std::optional<PickRay> RayThroughPixel(const D3DXMATRIX& viewProjection, float px, float py, float width,
                                       float height);
// How far along the ray it first meets the sphere (0 when it starts inside);
// nothing when it misses or the sphere lies behind it.
std::optional<float> HitSphere(const PickRay& ray, const D3DXVECTOR3& centre, float radius);
// Where the ray meets the plane through point facing the camera (normal
// along the view direction); nothing when it runs parallel to it.
std::optional<D3DXVECTOR3> HitPlane(const PickRay& ray, const D3DXVECTOR3& point, const D3DXVECTOR3& normal);
// The camera's viewing direction (unit length), (0, 0, 1) without a camera.
D3DXVECTOR3 ViewDirection();

// A grab in progress: the plane it moves in and where on the object it was
// taken, so that the object does not jump to the cursor.
struct DragPlane {
    D3DXVECTOR3 point{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 normal{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 grabOffset{0.0f, 0.0f, 0.0f};

    // Starts a drag of an object standing at objectPosition, taken where the
    // ray hits the plane through it.
    static DragPlane Through(const D3DXVECTOR3& objectPosition, const PickRay& ray);
    // Where the object goes for the cursor's ray; nothing when the ray runs
    // parallel to the plane.
    std::optional<D3DXVECTOR3> Follow(const PickRay& ray) const;
};
