#pragma once
// The on-screen sphere that stands for one control point of one limb of the
// editable character. Moving it, or changing its width or constraint,
// carries the change into the control point and rebuilds the limb. Game
// object kind 6, made in "EditorObjects" by the editable character.
#include <cstdint>

#include "platform/d3dx/Math3D.h"
#include "world/GameObject.h"

class EditChar;
class Limb;
struct LimbControlPoint;

// What an edit node is made from: the game-object kind (6), then the limb,
// the character, the control point and its index in the limb.
struct EditNodeDesc : ObjectDesc {
    Limb* limb = nullptr;
    EditChar* owner = nullptr;
    LimbControlPoint* point = nullptr;
    std::int32_t index = -1;
};

class EditNode : public GameObject {
public:
    static constexpr float kSphereScalePerWidth = 0.07f;
    static constexpr const char* kSphereMesh = "Body/sphereLow.x";
    static constexpr std::uint32_t kSphereMaterial = 1;

    EditNode() = default;
    ~EditNode() override;

    // a: const EditNodeDesc* (a plain ObjectDesc of kind 6 is refused).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // The control point moves to position (body space), and with it its rest
    // position unless the character is being animated; the sphere follows.
    void SetPosition(const D3DXVECTOR3& position);
    // The sphere's scale becomes width x 0.07; a line or spline point takes
    // the width, a model point's model the scale (never below 0). A model
    // point without a model has nothing to size: nothing changes.
    void SetWidth(float width);
    // Only spline points have a constraint (never below 0); every limb
    // rebuilds.
    void SetConstraint(float ignored, float value);

    // The sphere at the control point, carried by the character's body.
    void PlaceSphere();

    Limb* limb = nullptr;
    EditChar* owner = nullptr;
    std::int32_t index = -1;
    LimbControlPoint* point = nullptr;

private:
    bool Ready() const { return renderObject && point && limb; }
};
