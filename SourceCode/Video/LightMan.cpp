#include "Video/LightMan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Video/Effects/EffectParams.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"

namespace {
DWORD FloatBits(float value) {
    DWORD bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// How much of a light reaches position: 1 for a directional light; for a
// point light 1 at the light, 0 at its range, negative beyond.
float DistanceFactor(const Light& light, const float position[3]) {
    if (light.type != LightInfo::kPoint) return 1.0f;
    // Without a positive range the light reaches nothing (and the formula
    // would divide by zero).
    if (!(light.range > 0.0f)) return -1.0f;
    const float dx = light.position[0] - position[0];
    const float dy = light.position[1] - position[1];
    const float dz = light.position[2] - position[2];
    const float distanceSq = dx * dx + dy * dy + dz * dz;
    const float rangeSq = light.range * light.range;
    return (rangeSq - distanceSq) / rangeSq;
}

// A point light without a positive range reaches nothing, whatever minimum
// the caller asks for; a factor that is not a number says nothing.
bool CanReach(const Light& light) {
    if (light.type == LightInfo::kPoint && !(light.range > 0.0f)) return false;
    return !std::isnan(light.factor);
}

// Brightest first: enabled lights before disabled ones; two point lights by
// weight x distance factor, any other pair by weight alone.
bool BrighterFirst(const Light& a, const Light& b) {
    if (!a.enabled || !b.enabled) return a.enabled && !b.enabled;
    if (a.type == LightInfo::kPoint && b.type == LightInfo::kPoint)
        return a.weight * a.factor > b.weight * b.factor;
    return a.weight > b.weight;
}
}  // namespace

LightMan::~LightMan() {
    if (initialized) Shutdown();
}

bool LightMan::Init(void* a, void*) {
    if (initialized) return false;
    name = names::LightMan;
    if (!eTable::Register(name, this)) return false;
    if (const auto* caps = static_cast<const D3DCAPS9*>(a))
        maxActiveLights = static_cast<int>(caps->MaxActiveLights);
    RecordFogStateBlock();
    initialized = true;
    return true;
}

bool LightMan::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    ComputeLightWeights();
    if (fogStateBlock) fogStateBlock->Apply();
    return true;
}

bool LightMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseFogStateBlock();
    eTable::RemoveSystem(this);
    ClearLights();
    initialized = false;
    return true;
}

HRESULT LightMan::RecordFogStateBlock() {
    ReleaseFogStateBlock();
    // Without a device (a failed start, or a test of the light list alone)
    // there is nothing to record; the lights still work.
    IDirect3DDevice9* device = RunningDevice();
    if (!device) return D3DERR_INVALIDCALL;
    HRESULT result = device->BeginStateBlock();
    if (FAILED(result)) return result;
    device->SetRenderState(D3DRS_FOGCOLOR, fogColour);
    device->SetRenderState(D3DRS_FOGTABLEMODE, fogTableMode);
    device->SetRenderState(D3DRS_FOGSTART, FloatBits(fogStart));
    device->SetRenderState(D3DRS_FOGEND, FloatBits(fogEnd));
    device->SetRenderState(D3DRS_FOGDENSITY, FloatBits(fogDensity));
    device->SetRenderState(D3DRS_RANGEFOGENABLE, rangeFog);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, fogVertexMode);
    return device->EndStateBlock(&fogStateBlock);
}

void LightMan::ReleaseFogStateBlock() {
    if (!fogStateBlock) return;
    fogStateBlock->Release();
    fogStateBlock = nullptr;
}

void LightMan::PublishSceneLighting() {
    EffectParams::SetVector(sem::SceneAmbient, sceneAmbient);
    EffectParams::SetVector(sem::SceneSkyColor, skyColour);
    EffectParams::SetVector(sem::SceneGroundColor, groundColour);
    EffectParams::SetVector(sem::SceneSkyDir, skyDirection);
}

void LightMan::ComputeLightWeights() {
    for (Light& light : lights) {
        if (!light.enabled) continue;
        const float sum = light.colour[0] + light.colour[1] + light.colour[2];
        light.weight = sum * sum;
    }
}

std::uint32_t LightMan::AddLightRecord(const LightInfo* info) {
    Light light;
    if (info) static_cast<LightInfo&>(light) = *info;
    light.id = nextId++;
    light.enabled = 1;
    light.factor = 0.0f;
    light.weight = 0.0f;
    lights.push_back(light);
    return light.id;
}

std::uint32_t LightMan::AddPointLight(const float colour[4], const float position[3], float range,
                                      const float attenuation[3]) {
    LightInfo info;
    info.type = LightInfo::kPoint;
    std::copy(colour, colour + 4, info.colour);
    std::copy(position, position + 3, info.position);
    info.range = range;
    std::copy(attenuation, attenuation + 3, info.attenuation);
    return AddLightRecord(&info);
}

Light* LightMan::FindLight(std::uint32_t id) {
    for (Light& light : lights)
        if (light.id == id) return &light;
    return nullptr;
}

void LightMan::RemoveLight(std::uint32_t id) {
    lights.remove_if([id](const Light& light) { return light.id == id; });
}

void LightMan::ClearLights() { lights.clear(); }

std::uint32_t LightMan::GetRelevantLights(const float position[3], Light** out, float minimum) {
    if (!position || !out) return 0;
    for (Light& light : lights) light.factor = DistanceFactor(light, position);
    lights.sort(BrighterFirst);  // a stable merge sort: equal keys keep their order

    // A device without a fixed limit reports a negative count; either way
    // the callers' arrays bound what is handed out.
    const int limit = maxActiveLights < 0 ? kMaxQueryLights : std::min(maxActiveLights, kMaxQueryLights);
    std::uint32_t taken = 0;
    for (Light& light : lights) {
        if (static_cast<int>(taken) >= limit) break;
        if (!light.enabled || !CanReach(light)) continue;
        if (light.weight < minimum || light.factor < minimum) break;
        out[taken++] = &light;
    }
    return taken;
}
