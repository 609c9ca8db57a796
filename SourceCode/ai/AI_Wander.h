#pragma once
#include "ai/AI.h"

// Shared by the wandering kinds: a wander point in the square -9..9 on x and
// z, drawn again from the engine's random generator whenever it is reached.
class AI_Wander : public AI {
public:
    float WanderX() const { return wanderX; }
    float WanderZ() const { return wanderZ; }
    void SetWanderPoint(float x, float z) {
        wanderX = x;
        wanderZ = z;
    }

protected:
    using AI::AI;
    void Restart() override { SetWanderPoint(0.0f, 0.0f); }

    // Squared distance within which the wander point counts as reached
    // (about 3.2 units).
    static constexpr float kReachedSq = 10.0f;
    // Squared distance of the object from the wander point.
    float DistanceToPointSq(const D3DXVECTOR3& position) const;
    // A point that was never drawn has x exactly 0: its z follows.
    void SettleUnsetPoint();
    void DrawWanderPoint();
    void SteerToWanderPoint() { SteerToward(wanderX, wanderZ); }

private:
    float wanderX = 0.0f;
    float wanderZ = 0.0f;
};
