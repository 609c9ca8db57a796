#pragma once
// The character: a game object with a body mesh, up to five limbs (its
// child systems, one per location), a face with two eyes, an optional
// carried point light, rebound sounds, one animation per action, a heading
// that turns smoothly toward a steering direction and a run speed that
// pushes it along its facing each time it rebounds. Base of the player, the
// trampoline nodes and the editable character.
#include <cstdint>
#include <string>
#include <vector>

#include "Video/ObjectDesc.h"
#include "characters/Face.h"
#include "platform/d3dx/Math3D.h"
#include "world/GameObject.h"

class Animation;
class Body;
class Limb;
class ObjectMesh;
struct LimbControlPoint;

namespace names {
// A character's name; characters are not entered in the registry.
inline constexpr char NPC[] = "NPC";
}  // namespace names

class NPC : public GameObject {
public:
    static constexpr std::uint32_t kActionCount = 8;
    static constexpr std::uint32_t kMaxReboundSounds = 6;
    static constexpr float kMaxRunSpeed = 450.0f;
    static constexpr float kRunSpeedDecay = 60.0f;  // per second
    static constexpr float kMaxBodySpeed = 150.0f;

    NPC() = default;
    ~NPC() override;

    // Both arguments are ignored: a plain character (kind 3) with the
    // default body (a white sphere), one physics point and no limbs.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;
    // Hide and show the limbs and eyes with the body, which the game
    // object's own pair would leave floating in view.
    void Disable() override;
    bool Enable() override;

    // Reads "Assets/Characters/<name>.x" into this character and takes the
    // eight action animations of that name. False when the file cannot be
    // read (what it had applied stays).
    virtual bool LoadCharacter(const char* name);
    // A new body from desc, in place of the old one (whose place, turn and
    // scale it takes); the eyes and limbs ride on it. Null removes the body
    // (false).
    virtual bool SetBody(const MeshObjectDesc* desc);
    // A limb of kind 0 (line), 1 (spline) or 2 (model) at a free location;
    // null without a body, for a taken location or another kind.
    virtual Limb* AddLimb(std::uint32_t kind, std::uint32_t location, std::uint32_t ignored = 0);
    virtual void RemoveLimbByLoc(std::uint32_t location);
    virtual void RemoveLimb(Limb* limb);
    // The character file adds each control point it reads through this
    // (the editable character gives the point an edit node); false when the
    // limb is full.
    virtual bool AddFilePoint(Limb& limb, const LimbControlPoint& point);

    Limb* GetLimb(std::uint32_t location) const;
    std::uint32_t CountLimbs() const;
    ObjectMesh* BodyObject() const;

    // Turns toward steer (normalised in place; relative to the view from the
    // camera toward the world's origin, or to +Z) and speeds up by 5 x its
    // length. A longer steer turns faster: over 1/k frames, k = (1 - 1/len) / 2.
    void Move(D3DXVECTOR2* steer, bool cameraRelative);
    // Cross-fades into the action's animation over blendTime seconds.
    void PlayAnimation(std::uint32_t action, float blendTime, bool runClock);
    void PlayReboundSound();

    // Per physics step: a body faster than 150 loses 2 units of speed.
    static void LimitSpeed(Body* body);
    // Before the body draws: publishes its velocity ("VELOCITY").
    static void BodyRenderCallback(void* context);

    std::uint8_t wasCulled = 0;
    Animation* actionAnimations[kActionCount] = {};
    Animation* currentAnimation = nullptr;
    Animation* pendingAnimation = nullptr;
    float currentTime = 0.0f;
    float blendTime = 0.0f;
    float blendElapsed = 0.0f;
    float pendingTime = 0.0f;
    std::uint8_t blendClockRunning = 0;
    Face face;
    std::int32_t lightId = -1;
    float lastVerticalVelocity = 10.0f;
    D3DXQUATERNION targetHeading{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXQUATERNION startHeading{0.0f, 0.0f, 0.0f, 1.0f};
    float turnProgress = 0.0f;
    float turnRate = 0.0f;
    float runSpeed = 0.0f;
    D3DXVECTOR3 facing{0.0f, 0.0f, 1.0f};
    // Indexes into the character sound table.
    std::vector<std::uint32_t> reboundSounds;
    // The texture names the body's slots were asked for (a missing texture
    // draws as the fallback but is saved under its own name).
    std::vector<std::string> bodyTextureNames;

protected:
    // The animation state, the rising and falling edges and the heading.
    void AdvanceAnimations(float dt);
    void CheckReboundAndFall();
    void AdvanceHeading();
    void UpdateLimbs(bool cullingChanged);
    // Every limb shown or hidden (toggled only where it differs).
    void ShowLimbs(bool shown);
    void MoveCarriedLight();
    void SetDefaults();
};
