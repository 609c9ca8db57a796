#pragma once
#include <cstdint>

#include "ai/AI_Wander.h"

// Wanders, and picks a new wander point whenever it reaches the current one
// or the threat (the player by default) comes near that point.
class AI_Flee : public AI_Wander {
public:
    AI_Flee() : AI_Wander(ainames::AI_Flee, kAIFlee) {}

    bool Update() override;

    std::uint32_t ThreatId() const { return threatId; }
    void SetThreatId(std::uint32_t newId) { threatId = newId; }

protected:
    void Restart() override;

private:
    std::uint32_t threatId = 1000;
};
