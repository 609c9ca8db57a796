#pragma once
#include "core/System.h"
#include "platform/d3dx/Math3D.h"

// The one viewpoint of the renderer: an eye, a target and an up direction
// with a perspective lens. Its four matrices live in the matrix pool and are
// bound once into the effect parameter store, so every effect sees them
// without per-frame copies; the camera rebuilds them in place (and the six
// frustum planes) only when something has changed, and publishes the eye
// every frame. Other systems read the public members directly.
class Camera : public System {
public:
    enum Plane { kNear, kFar, kLeft, kRight, kBottom, kTop, kPlaneCount };

    Camera() = default;
    ~Camera() override;

    // Arguments ignored. Takes the pool's reserved matrices and binds them.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Gives the matrices back to the pool.
    bool Shutdown() override;
    // Rebuilds when something changed, then publishes the eye.
    bool Update() override;

    // Stores everything, normalises up and builds the view at once.
    void Set(D3DXVECTOR3 eye, D3DXVECTOR3 target, D3DXVECTOR3 up, float fov, float aspect, float nearPlane,
             float farPlane);
    // Moves the eye and the target with it; returns the eye's address.
    const float* SetPosition(float x, float y, float z);
    void Move(float x, float y, float z);
    // Looks along (x, y, z) from the eye (the vector is not normalised).
    void SetLookDirection(float x, float y, float z);
    // Turns the target about the eye, in radians. Pitching further toward
    // the up direction is refused within about 25 degrees of it (and likewise
    // toward the opposite pole).
    void Rotate(float yaw, float pitch, float roll);

    void BuildView();
    void ExtractFrustumPlanes(const D3DXMATRIX* viewProjection);
    void PublishEye();

    bool IsValid() const { return valid; }
    // Number of view builds so far, for tests that count rebuilds.
    unsigned BuildCount() const { return buildCount; }

    // Axes of the last view build (the columns of the view matrix). Before
    // the first build they describe the default orientation.
    D3DXVECTOR3 cameraUp{0.0f, 1.0f, 0.0f};
    D3DXVECTOR3 cameraForward{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 cameraRight{1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 eye{0.0f, 3.0f, -5.0f};
    D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
    D3DXVECTOR3 target{0.0f, 0.0f, 0.0f};
    float fieldOfView = D3DX_PI / 4.0f;
    float aspect = 1.0f;
    float nearPlane = 1.0f;
    float farPlane = 10000.0f;
    // Owned by the matrix pool; null until Init.
    D3DXMATRIX* view = nullptr;
    D3DXMATRIX* projection = nullptr;
    D3DXMATRIX* viewProjection = nullptr;
    D3DXMATRIX* screenAlign = nullptr;
    // Normals point into the frustum; each plane is normalised.
    D3DXPLANE frustum[kPlaneCount]{};

private:
    bool valid = false;
    unsigned buildCount = 0;
};
