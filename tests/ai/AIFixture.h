#pragma once
// "GameObjectsMan" and "AIMan" as "GameLogic" makes them, and a controller
// of a kind made for an object; and points compared coordinate by coordinate.
#include <gtest/gtest.h>

#include <cstdint>

#include "ai/AIMan.h"
#include "core/SystemNames.h"
#include "platform/d3dx/Math3D.h"
#include "world/GameObjectsMan.h"

inline void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

class AIFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(objects.Init(const_cast<char*>(names::GameObjectsMan)));
        ASSERT_TRUE(ais.Init());
    }
    void TearDown() override {
        ais.Shutdown();
        objects.Shutdown();
    }
    template <class Kind>
    Kind* Controller(std::uint32_t kind, GameObject* object) {
        return static_cast<Kind*>(ais.GetAI(ais.CreateAI(kind, object)));
    }

    GameObjectsMan objects;
    AIMan ais;
};
