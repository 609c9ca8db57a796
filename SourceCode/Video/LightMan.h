#pragma once
#include <cstdint>
#include <list>

#include "core/System.h"
#include "platform/gfx/D3DTypes.h"

class IDirect3DStateBlock9;

// The description of one dynamic light.
struct LightInfo {
    enum : std::uint32_t { kDirectional = 0, kPoint = 1 };
    std::uint32_t type = kDirectional;
    float colour[4] = {0, 0, 0, 0};
    float position[3] = {0, 0, 0};     // point lights
    float direction[3] = {0, 0, 0};    // directional lights
    float range = 0.0f;                // radius of influence of a point light
    float attenuation[3] = {0, 0, 0};  // handed to the shader as they are
};

// A light as the manager keeps it. Callers change a light by writing its
// record (found with LightMan::FindLight).
struct Light : LightInfo {
    std::uint32_t id = 0;
    std::uint8_t enabled = 1;
    float factor = 0.0f;  // distance factor of the last relevance query
    float weight = 0.0f;  // brightness, recomputed every frame
};

// The renderer's list of dynamic lights and holder of the scene-wide lighting
// values and fog states. Materials ask it for the few lights that matter to
// one object and draw one pass per light.
class LightMan : public System {
public:
    // The most lights a query ever hands out: the callers' arrays hold this
    // many.
    static constexpr int kMaxQueryLights = 16;

    LightMan() = default;
    ~LightMan() override;

    // a is the device's capabilities (const D3DCAPS9*); b is ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Update() override;
    bool Shutdown() override;

    // Records the fog render states from the fields into a state block of
    // the device, replacing the old block.
    HRESULT RecordFogStateBlock();
    // Releases the fog state block (before a device reset).
    void ReleaseFogStateBlock();
    IDirect3DStateBlock9* FogStateBlock() const { return fogStateBlock; }

    // Publishes ambient, sky colour, ground colour and sky direction.
    void PublishSceneLighting();
    void ComputeLightWeights();

    std::uint32_t AddLightRecord(const LightInfo* info);
    std::uint32_t AddPointLight(const float colour[4], const float position[3], float range,
                                const float attenuation[3]);
    Light* FindLight(std::uint32_t id);
    void RemoveLight(std::uint32_t id);
    void ClearLights();

    // Fills out with the lights that matter at position, brightest first,
    // and returns how many. out must hold kMaxQueryLights entries; fewer are
    // handed when the device allows fewer active lights. Sorts the list.
    std::uint32_t GetRelevantLights(const float position[3], Light** out, float minimum);

    const std::list<Light>& Lights() const { return lights; }
    int MaxActiveLights() const { return maxActiveLights; }

    float sceneAmbient[4] = {0, 0, 0, 0};
    float skyColour[4] = {1, 1, 1, 1};
    float groundColour[4] = {0, 0, 0, 0};
    float skyDirection[4] = {0, 1, 0, 1};

    D3DCOLOR fogColour = 0;
    std::uint32_t fogTableMode = D3DFOG_NONE;
    std::uint32_t fogVertexMode = D3DFOG_NONE;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float fogDensity = 1.0f;
    std::uint8_t rangeFog = 0;

private:
    int maxActiveLights = 0;
    std::uint32_t nextId = 0;
    IDirect3DStateBlock9* fogStateBlock = nullptr;
    std::list<Light> lights;
};
