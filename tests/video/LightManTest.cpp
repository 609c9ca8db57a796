#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Video/LightMan.h"
#include "core/SystemNames.h"
#include "support/TestVideo.h"

namespace {

class LightManTest : public ::testing::Test {
protected:
    void StartWith(DWORD maxActiveLights) {
        D3DCAPS9 caps{};
        caps.MaxActiveLights = maxActiveLights;
        ASSERT_TRUE(lights.Init(&caps));
    }
    // A point light on the x axis; its weight is brightness^2 once updated.
    std::uint32_t PointAt(float x, float range, float brightness = 1.0f) {
        const float colour[4] = {brightness, 0, 0, 1};
        const float position[3] = {x, 0, 0};
        const float attenuation[3] = {1, 0, 0};
        return lights.AddPointLight(colour, position, range, attenuation);
    }
    std::uint32_t Directional(float brightness) {
        LightInfo info;
        info.type = LightInfo::kDirectional;
        info.colour[1] = brightness;
        info.direction[1] = -1;
        return lights.AddLightRecord(&info);
    }
    std::vector<std::uint32_t> Query(float minimum = 0.01f) {
        Light* out[LightMan::kMaxQueryLights + 1] = {};
        const float origin[3] = {0, 0, 0};
        const std::uint32_t count = lights.GetRelevantLights(origin, out, minimum);
        EXPECT_EQ(out[LightMan::kMaxQueryLights], nullptr) << "wrote past the callers' array";
        std::vector<std::uint32_t> ids;
        for (std::uint32_t i = 0; i < count; ++i) ids.push_back(out[i]->id);
        return ids;
    }

    LightMan lights;
};

}  // namespace

TEST_F(LightManTest, RelevanceEndsJustInsideTheRange) {
    StartWith(8);
    const std::uint32_t edge = PointAt(9.95f, 10.0f);
    lights.Update();
    EXPECT_TRUE(Query().empty());  // factor 0.00998 is below 0.01
    EXPECT_NEAR(lights.FindLight(edge)->factor, 0.00998f, 1e-5f);

    lights.FindLight(edge)->position[0] = 9.9f;  // factor 0.0199
    EXPECT_EQ(Query(), std::vector<std::uint32_t>{edge});

    // Without a positive range a light reaches nothing, whatever the minimum.
    lights.ClearLights();
    PointAt(0.0f, 0.0f);
    PointAt(1.0f, -5.0f);
    const std::uint32_t directional = Directional(1.0f);
    lights.Update();
    EXPECT_EQ(Query(-1000.0f), std::vector<std::uint32_t>{directional});
}

TEST_F(LightManTest, BrightestLightsComeFirst) {
    StartWith(8);
    const std::uint32_t dim = PointAt(1.0f, 10.0f, 0.5f);     // weight 0.25
    const std::uint32_t far = PointAt(8.0f, 10.0f, 2.0f);     // weight 4 x 0.36
    const std::uint32_t near = PointAt(1.0f, 10.0f, 1.5f);    // weight 2.25 x 0.99
    const std::uint32_t off = PointAt(0.0f, 10.0f, 9.0f);
    lights.FindLight(off)->enabled = 0;
    lights.Update();
    EXPECT_EQ(Query(), (std::vector<std::uint32_t>{near, far, dim}));
    // The list keeps the order of the last query.
    EXPECT_EQ(lights.Lights().front().id, near);
    EXPECT_EQ(lights.Lights().back().id, off);

    // A disabled light keeps its last weight; an enabled one follows its
    // colour at the next update.
    lights.FindLight(off)->colour[0] = 0.0f;
    lights.FindLight(dim)->colour[0] = 3.0f;
    lights.Update();
    EXPECT_EQ(lights.FindLight(off)->weight, 0.0f);
    EXPECT_EQ(lights.FindLight(dim)->weight, 9.0f);
    EXPECT_EQ(Query().front(), dim);

    // Directional lights go by weight alone; a dim one ends the list.
    lights.ClearLights();
    const std::uint32_t sun = Directional(2.0f);
    const std::uint32_t moon = Directional(0.05f);  // weight 0.0025
    const std::uint32_t sky = Directional(1.0f);
    lights.Update();
    EXPECT_EQ(Query(), (std::vector<std::uint32_t>{sun, sky}));
    EXPECT_EQ(Query(0.001f), (std::vector<std::uint32_t>{sun, sky, moon}));
}

TEST_F(LightManTest, QueriesNeverHandMoreThanTheDeviceOrTheArrayAllows) {
    StartWith(8);
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < 10; ++i) ids.push_back(PointAt(static_cast<float>(i), 20.0f, 1.0f + i * 0.1f));
    lights.Update();
    // Brightness grows faster than the distance factor falls: the last
    // eight added are the eight brightest.
    std::vector<std::uint32_t> result = Query();
    ASSERT_EQ(result.size(), 8u);
    std::sort(result.begin(), result.end());
    EXPECT_EQ(result, std::vector<std::uint32_t>(ids.begin() + 2, ids.end()));
}

TEST_F(LightManTest, AnUnlimitedOrLargeDeviceLimitStillStopsAtSixteen) {
    for (DWORD limit : {0xFFFFFFFFu, 100u}) {
        LightMan manager;
        D3DCAPS9 caps{};
        caps.MaxActiveLights = limit;
        ASSERT_TRUE(manager.Init(&caps));
        for (int i = 0; i < 20; ++i) {
            const float colour[4] = {1, 1, 1, 1}, position[3] = {0, 0, 0}, attenuation[3] = {1, 0, 0};
            manager.AddPointLight(colour, position, 5.0f, attenuation);
        }
        manager.Update();
        Light* out[LightMan::kMaxQueryLights + 1] = {};
        const float origin[3] = {0, 0, 0};
        EXPECT_EQ(manager.GetRelevantLights(origin, out, 0.01f), 16u) << limit;
        EXPECT_EQ(out[LightMan::kMaxQueryLights], nullptr);
        manager.Shutdown();
    }
}

TEST_F(LightManTest, IdsCountUpAndAreNeverReused) {
    StartWith(8);
    EXPECT_EQ(PointAt(0, 1), 0u);
    EXPECT_EQ(PointAt(0, 1), 1u);
    lights.RemoveLight(1);
    lights.RemoveLight(42);  // absent: ignored
    EXPECT_EQ(lights.FindLight(1), nullptr);
    EXPECT_EQ(PointAt(0, 1), 2u);
    EXPECT_EQ(lights.Lights().size(), 2u);
    EXPECT_FALSE(lights.Init());
    ASSERT_TRUE(lights.Shutdown());
    EXPECT_TRUE(lights.Lights().empty());
}

namespace {
DWORD Bits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    device->GetRenderState(state, &value);
    return value;
}
}  // namespace

TEST(LightManFog, EveryFrameAppliesTheRecordedFogStates) {
    TestVideo screen(32, 32);
    ASSERT_TRUE(screen.ok());
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    ASSERT_NE(lights, nullptr);
    EXPECT_EQ(lights->MaxActiveLights(), 8);  // the device's caps
    ASSERT_NE(lights->FogStateBlock(), nullptr);

    IDirect3DDevice9* device = screen.Device();
    device->SetRenderState(D3DRS_FOGEND, Bits(50.0f));
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    ASSERT_TRUE(lights->Update());
    EXPECT_EQ(RenderState(device, D3DRS_FOGEND), Bits(1.0f));
    EXPECT_EQ(RenderState(device, D3DRS_FOGTABLEMODE), DWORD(D3DFOG_NONE));

    // Changed fields take effect once recorded again.
    lights->fogColour = 0xFF336699;
    lights->fogStart = 2.5f;
    EXPECT_EQ(lights->RecordFogStateBlock(), D3D_OK);
    lights->Update();
    EXPECT_EQ(RenderState(device, D3DRS_FOGCOLOR), 0xFF336699u);
    EXPECT_EQ(RenderState(device, D3DRS_FOGSTART), Bits(2.5f));

    // A device reset releases the block and records it again.
    device->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    screen.video.Update();
    EXPECT_TRUE(screen.boxes.texts.empty());
    ASSERT_NE(lights->FogStateBlock(), nullptr);
    device->SetRenderState(D3DRS_FOGSTART, 0);
    lights->Update();
    EXPECT_EQ(RenderState(device, D3DRS_FOGSTART), Bits(2.5f));
}
