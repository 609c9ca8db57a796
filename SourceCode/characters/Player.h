#pragma once
// The character the user steers: its heading follows the averaged mouse
// movement, its two mouse buttons dive down or boost up in the air and set
// the command that a trampoline applies when it launches it, and it spends
// and regains an energy reserve. Falling out of the level brings it back
// with a score penalty. The collision step holds and launches it through
// onTrampoline and reboundCommand.
#include <cstdint>

#include "characters/NPC.h"
#include "platform/d3dx/Math3D.h"

struct Point;

namespace names {
inline constexpr char Player[] = "Player";
}  // namespace names

class Player : public NPC {
public:
    static constexpr int kRingSize = 25;
    static constexpr float kMaxEnergy = 10.0f;
    static constexpr float kRespawnBelow = -20.0f;
    static constexpr float kDive = -1.0f;
    static constexpr float kBoost = 0.75f;

    Player() = default;
    ~Player() override;

    // a is the creation record (its character is loaded when it names one);
    // b is ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // The mouse buttons of this frame (dive is button 0, boost button 1) and
    // its length in seconds.
    void HandleInput(bool dive, bool boost, float dt);
    // The player's per-step force function: adds nothing.
    static void ApplyForces(Body* body);

    std::uint8_t onTrampoline = 0;
    float reboundCommand = 0.0f;
    float energy = kMaxEnergy;
    float energyFactor = 1.0f;
    D3DXVECTOR2 cursorRing[kRingSize] = {};
    std::int8_t cursorRingIndex = 0;
    std::uint8_t mouseSteering = 1;

private:
    void SetPlayerDefaults();
    void GiveBody(const char* character);
    void RespawnIfFallen();
    void Steer();
    void CheckReboundAndFallOnTrampolines();
    void RegainEnergy(float dt);
    void Dive(float dt);
    void Boost(float dt);
    void Coast();
    std::uint32_t CurrentAnimationType() const;
    Point* BodyPoint() const;
};
