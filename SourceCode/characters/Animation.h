#pragma once
// Keyframe animation of a character's limb control points: frames sorted by
// time, each holding, per limb location, offsets of control points from
// their rest positions, and an optional body offset.
#include <cstdint>
#include <list>
#include <optional>
#include <string>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class Limb;
class NPC;

namespace names {
// The name of every animation; animations are not entered in the registry.
inline constexpr char Animation[] = "Animation";
}  // namespace names

struct AnimationControlPoint {
    std::uint16_t index = 0;
    D3DXVECTOR3 pos;  // offset from the control point's rest position
};

struct AnimationLimb {
    std::uint16_t loc = 0;
    std::list<AnimationControlPoint> controlPoints;

    // Appended at (0, 0, 0); null when that index is present.
    AnimationControlPoint* AddControlPoint(std::uint16_t index);
    AnimationControlPoint* FindControlPoint(std::uint16_t index);
};

struct AnimationFrame {
    float time = 0.0f;
    std::optional<D3DXVECTOR3> bodyOffset;
    std::list<AnimationLimb> limbs;

    // Appended empty; null when a limb of that location is present.
    AnimationLimb* AddLimb(std::uint16_t loc);
    AnimationLimb* FindLimb(std::uint16_t loc);
};

class Animation : public System {
public:
    // Frames closer than this in time are one frame.
    static constexpr float kFrameTolerance = 0.05f;
    static constexpr std::uint32_t kLimbLocations = 5;

    Animation(std::string name = "", std::uint32_t aniType = 0, float aniLength = 0.0f, bool loop = false);
    // Copies the values and every frame.
    Animation(const Animation& other);
    ~Animation() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Empties the frame list (an animation's Shutdown).
    bool Shutdown() override;
    bool Release() { return Shutdown(); }
    bool Update() override { return true; }

    // The first frame within the tolerance of t, or null.
    AnimationFrame* FindFrame(float t);
    AnimationFrame* GetFrame(std::uint32_t index);
    // The first frame at or after t; the first frame when there is none.
    AnimationFrame* FindFrameAtOrAfter(float t);
    // The length becomes t, but never less than the last frame's time; a t
    // that is not finite changes nothing (no file could hold it).
    float SetLength(float t);
    // A new empty frame at t in time order; null within the tolerance of a
    // frame, past the length, or when t is not finite.
    AnimationFrame* AddFrame(float t);
    bool RemoveFrame(float t);
    void SortFrames();

    std::string GetName() const { return name; }
    void SetName(std::string text) { name = std::move(text); }

    struct FramePair {
        AnimationFrame* a = nullptr;
        AnimationFrame* b = nullptr;
        float factor = 0.0f;
    };
    // The frames around t and how far t lies from a toward b.
    FramePair FindFrames(float t);

    // Poses the character's limbs at t. blend > 0 moves each point's target
    // that far toward the pose; 0 sets the positions; < 0 sets the positions
    // and clears the targets. False when there are no frames.
    bool Apply(NPC* character, float t, float blend);
    // The same for the limbs at locations 0..4 (null where there is none).
    bool ApplyToLimbs(Limb* const limbs[kLimbLocations], float t, float blend);

    std::string name;
    std::uint32_t aniType = 0;
    float aniLength = 0.0f;
    std::uint8_t loop = 0;
    std::list<AnimationFrame> frames;
};
