#pragma once
#include <cstdint>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class Camera;

// "AI_Camera": places the "Camera" every frame. Its normal mode orbits the
// arena's centre at an adjustable radius, height and rotation, tilted toward
// the player; other modes freeze that orbit for scripted scenes, fly the
// camera freely for the console and the editors, or leave it alone. It runs
// in the game-logic part of the frame, so the next frame draws what it set.
class AI_Camera : public System {
public:
    enum Mode : std::uint32_t {
        kFollow = 0,        // orbit steered by the control flags, tilted at the player
        kLockedOrbit = 1,   // orbit at the script's rotation, height and pitch
        kNoControl = 2,     // the camera is left alone
        kFreeLook = 3,      // free flight with mouse look (also every mode above 5)
        kEditorFlight = 4,  // free flight without mouse look
        kFrozenOrbit = 5,   // the orbit as it stands
    };

    struct Range {
        float min;
        float max;
    };

    AI_Camera() = default;
    ~AI_Camera() override;

    // Arguments ignored. Takes the mouse totals of "Input" as seen.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Update() override;

    // Any value is stored; 0, 2, 3 and 4 also reset the zoom distance.
    bool SetMode(std::uint32_t newMode);
    std::uint32_t GetMode() const { return mode; }

    // Stored and kept within 0..10; the wheel steps it.
    void IncreaseDistance();
    void DecreaseDistance();
    float ZoomDistance() const { return zoomDistance; }

    // A scripted height change: the target is y kept within the height
    // range, reached over |speed| seconds, or at one unit per second when
    // speed is exactly -1. Locked and frozen orbits carry it out.
    void SetYPosition(float y, float speed);
    // Each stores the smaller value as minimum and the larger as maximum.
    void SetYRange(float a, float b);
    void SetRadiusRange(float a, float b);
    void SetAngleRange(float a, float b);
    // The mouse totals become the reference of mouse look, so that turning
    // it on does not jump.
    void StoreMousePosition();

    // Written directly by scripts.
    void SetRadius(float value) { radius = value; }
    void SetPitch(float value) { pitch = value; }
    void SetRotation(float value) { rotation = value; }

    float Radius() const { return radius; }
    float Height() const { return height; }
    float TargetHeight() const { return targetHeight; }
    float HeightMoveTime() const { return heightMoveTime; }
    float Pitch() const { return pitch; }
    float Rotation() const { return rotation; }
    Range HeightRange() const { return heightRange; }
    Range RadiusRange() const { return radiusRange; }
    Range AngleRange() const { return angleRange; }
    const D3DXQUATERNION& CurrentHeading() const { return currentHeading; }

private:
    // The six movement commands of this frame.
    struct Controls {
        bool forward = false, backward = false;
        bool rotateLeft = false, rotateRight = false;
        bool up = false, down = false;
    };
    static Controls ReadControls();
    static D3DXQUATERNION HeadingOf(float angle);
    static Range Ordered(float a, float b);

    void WheelStep();
    void FollowStep(Camera& camera, float dt);
    void LockedOrbitStep(Camera& camera, float dt, bool followRotation);
    void FreeFlightStep(Camera& camera, float dt, bool mouseLook);

    void MoveHeightTowardTarget(float dt);
    void GlideCentre(float dt);
    void StepHeading(float dt);
    void AimPitchAt(const Camera& camera, const D3DXVECTOR3& player);
    void PlaceOnOrbit(Camera& camera) const;

    std::uint32_t mode = kFollow;
    float zoomDistance = 0.0f;
    Camera* camera = nullptr;
    float wheel = 0.0f;
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;

    D3DXVECTOR3 centre{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 centreGoal{0.0f, 0.0f, 0.0f};
    float centreGlideTime = 10.0f;

    float radius = 25.0f;
    Range radiusRange{15.0f, 35.0f};
    float height = 15.0f;
    Range heightRange{15.0f, 40.0f};
    float targetHeight = 5.0f;
    float heightMoveTime = 0.0f;
    float timeUnit = 1.0f;
    float pitch = 0.0f;
    Range angleRange{0.0f, 1.0f};
    float rotation = 0.0f;
    float rotationInUse = 0.0f;

    D3DXQUATERNION currentHeading{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXQUATERNION targetHeading{0.0f, 0.0f, 0.0f, 1.0f};
    float headingGlideTime = 0.0f;
};
