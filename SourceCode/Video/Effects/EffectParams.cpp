#include "Video/Effects/EffectParams.h"

#include <algorithm>
#include <array>

const char EffectSemantics[sem::Count][32] = {
    "WORLD",          "WORLDINV",        "VIEW",          "PROJECTION",       "WORLDVIEW",
    "VIEWPROJECTION", "WORLDVIEWPROJECTION", "SCREENALIGN", "CUSTOMMATRIX",   "LIGHTDIRECTION",
    "LIGHTCOLOR",     "LIGHTPOSITION",   "LIGHTATTENUATION", "EYEDIRECTION",  "EYEPOSITION",
    "SCENEAMBIENT",   "SCENESKYDIR",     "SCENESKYCOLOR", "SCENEGROUNDCOLOR", "DIFFUSECOLOR",
    "SPECULARCOLOR",  "COOKTORRANCE",    "ROUGHNESS",     "TIMER",            "OBJSCALE",
    "VELOCITY",       "CUSTOMDATA0",     "CUSTOMFLOAT",   "SPECULARPOWER",    "CUSTOMINT",
    "BASETEXTURE0",   "SILOTEXTURE",     "BUMPTEXTURE0",  "BUMPTEXTURE1",     "LOOKUPTEXTURE0",
    "LOOKUPTEXTURE1", "CUSTOMTEXTURE",
};

namespace {
constexpr int kFirstMatrix = sem::World, kLastMatrix = sem::CustomMatrix;
constexpr int kFirstVector = sem::LightDirection, kLastVector = sem::CustomFloat;
constexpr int kFirstIntVector = sem::SpecularPower, kLastIntVector = sem::CustomInt;
constexpr int kFirstTexture = sem::BaseTexture0, kLastTexture = sem::CustomTexture;

// Fixed arrays indexed by the semantic less the first of its range: a value
// costs no allocation and no search. Zeroed before main runs.
struct Store {
    std::array<const D3DXMATRIX*, kLastMatrix - kFirstMatrix + 1> matrices{};
    std::array<std::array<float, 4>, kLastVector - kFirstVector + 1> vectors{};
    std::array<std::array<std::uint32_t, 4>, kLastIntVector - kFirstIntVector + 1> intVectors{};
    std::array<IDirect3DBaseTexture9*, kLastTexture - kFirstTexture + 1> textures{};
};
constinit Store store{};

bool InRange(std::int32_t semantic, int first, int last) { return semantic >= first && semantic <= last; }
}  // namespace

void EffectParams::SetMatrix(std::int32_t semantic, const D3DXMATRIX* matrix) {
    if (InRange(semantic, kFirstMatrix, kLastMatrix)) store.matrices[semantic - kFirstMatrix] = matrix;
}

void EffectParams::SetVector(std::int32_t semantic, const float* value) {
    if (!value || !InRange(semantic, kFirstVector, kLastVector)) return;
    std::copy_n(value, 4, store.vectors[semantic - kFirstVector].begin());
}

void EffectParams::SetIntVector(std::int32_t semantic, const std::uint32_t* value) {
    if (!value || !InRange(semantic, kFirstIntVector, kLastIntVector)) return;
    std::copy_n(value, 4, store.intVectors[semantic - kFirstIntVector].begin());
}

void EffectParams::SetTexture(std::int32_t semantic, IDirect3DBaseTexture9* texture) {
    if (InRange(semantic, kFirstTexture, kLastTexture)) store.textures[semantic - kFirstTexture] = texture;
}

const D3DXMATRIX* EffectParams::GetMatrix(std::int32_t semantic) {
    return InRange(semantic, kFirstMatrix, kLastMatrix) ? store.matrices[semantic - kFirstMatrix] : nullptr;
}

const float* EffectParams::GetVector(std::int32_t semantic) {
    return InRange(semantic, kFirstVector, kLastVector) ? store.vectors[semantic - kFirstVector].data() : nullptr;
}

const std::uint32_t* EffectParams::GetIntVector(std::int32_t semantic) {
    return InRange(semantic, kFirstIntVector, kLastIntVector) ? store.intVectors[semantic - kFirstIntVector].data()
                                                              : nullptr;
}

IDirect3DBaseTexture9* EffectParams::GetTexture(std::int32_t semantic) {
    return InRange(semantic, kFirstTexture, kLastTexture) ? store.textures[semantic - kFirstTexture] : nullptr;
}

void EffectParams::ClearForTests() { store = Store{}; }
