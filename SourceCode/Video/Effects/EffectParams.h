#pragma once
#include <cstdint>

#include "platform/d3dx/Math3D.h"

class IDirect3DBaseTexture9;

// The shader-input semantics, by index. The index range fixes the kind of
// value: 0-8 matrices (held by pointer), 9-27 float vectors and 28-29
// integer vectors (copied), 30-36 textures (held by pointer, no reference).
namespace sem {
enum : int {
    World = 0,
    WorldInv = 1,
    View = 2,
    Projection = 3,
    WorldView = 4,
    ViewProjection = 5,
    WorldViewProjection = 6,
    ScreenAlign = 7,
    CustomMatrix = 8,
    LightDirection = 9,
    LightColor = 10,
    LightPosition = 11,
    LightAttenuation = 12,
    EyeDirection = 13,
    EyePosition = 14,
    SceneAmbient = 15,
    SceneSkyDir = 16,
    SceneSkyColor = 17,
    SceneGroundColor = 18,
    DiffuseColor = 19,
    SpecularColor = 20,
    CookTorrance = 21,
    Roughness = 22,
    Timer = 23,
    ObjScale = 24,
    Velocity = 25,
    CustomData0 = 26,
    CustomFloat = 27,
    SpecularPower = 28,
    CustomInt = 29,
    BaseTexture0 = 30,
    SiloTexture = 31,
    BumpTexture0 = 32,
    BumpTexture1 = 33,
    LookupTexture0 = 34,
    LookupTexture1 = 35,
    CustomTexture = 36,
    Count = 37,
};
}  // namespace sem

// The semantic names in index order, one zero-padded 32-byte row each, as
// the effects look their parameters up by them.
extern const char EffectSemantics[sem::Count][32];

// The one store through which producers (camera, lights, render objects,
// the quad batcher) hand shader inputs to the materials. It keeps only the
// latest value of each semantic, so per-object values must be written right
// before that object draws. A semantic outside an operation's range makes a
// setter do nothing and a getter return null.
class EffectParams {
public:
    EffectParams() = delete;

    // The writer owns the matrix and keeps it alive.
    static void SetMatrix(std::int32_t semantic, const D3DXMATRIX* matrix);
    static void SetVector(std::int32_t semantic, const float* value);
    static void SetIntVector(std::int32_t semantic, const std::uint32_t* value);
    // Null clears; the writer keeps the texture alive.
    static void SetTexture(std::int32_t semantic, IDirect3DBaseTexture9* texture);

    static const D3DXMATRIX* GetMatrix(std::int32_t semantic);
    // Points into the store: the next set of the semantic changes what it
    // shows.
    static const float* GetVector(std::int32_t semantic);
    static const std::uint32_t* GetIntVector(std::int32_t semantic);
    static IDirect3DBaseTexture9* GetTexture(std::int32_t semantic);

    // Zeroes every value, for tests that need a store as at start-up. The
    // game never resets it.
    static void ClearForTests();
};
