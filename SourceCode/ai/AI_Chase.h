#pragma once
#include <cstdint>

#include "ai/AI.h"

// Steers its character toward a target object (the player by default).
class AI_Chase : public AI {
public:
    AI_Chase() : AI(ainames::AI_Chase, kAIChase) {}

    bool Update() override;

    std::uint32_t TargetId() const { return targetId; }
    void SetTargetId(std::uint32_t newId) { targetId = newId; }

protected:
    void Restart() override;

private:
    std::uint32_t targetId = 1000;
};
