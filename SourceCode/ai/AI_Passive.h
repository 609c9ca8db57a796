#pragma once
#include "ai/AI_Wander.h"

// Wanders idly from one random point to the next.
class AI_Passive : public AI_Wander {
public:
    AI_Passive() : AI_Wander(ainames::AI_Passive, kAIPassive) {}

    bool Update() override;
};
