#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Video/Effects/EffectParams.h"
#include "platform/d3dx/D3DXEffect.h"

// One technique of a loaded effect: its handle and its passes' handles.
struct TechniqueRecord {
    D3DXHANDLE handle = nullptr;
    std::uint32_t passCount = 0;
    std::vector<D3DXHANDLE> passes;
};

// A texture generated at load time from a texture function of the effect.
struct ProcTexture {
    enum Kind : std::uint32_t { k2D = 0, kVolume = 1, kCube = 2 };
    IDirect3DBaseTexture9* texture = nullptr;  // one "TextureMan" reference
    std::string name;
    std::uint32_t kind = k2D;
};

// One compiled effect file ("Assets/Shaders/<file>"), with its techniques,
// one parameter handle per semantic of the parameter store and the
// procedural textures its parameters declare. Materials read the effect
// object, the technique records and the handles directly.
class Effect {
public:
    Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
    virtual ~Effect();

    // Loads (after releasing what was loaded). False, silently, when the
    // file is missing or invalid or there is no device: the effect stays
    // unloaded (no object, no techniques, null handles).
    bool Load(const char* fileName);
    void Release();
    // Generates the textures declared by "function" annotations.
    void CreateProceduralTextures(const char* fileName);
    // The entry named exactly `name`; else the first entry; null when the
    // list is empty.
    const ProcTexture* FindProcTexture(const std::string& name) const;

    bool IsLoaded() const { return effect != nullptr; }

    ID3DXEffect* effect = nullptr;
    std::uint32_t techniqueCount = 0;
    std::uint32_t parameterCount = 0;
    std::vector<TechniqueRecord> techniques;
    D3DXHANDLE handles[sem::Count] = {};
    std::vector<ProcTexture> procTextures;

private:
    void CreateProceduralTexture(D3DXHANDLE parameter, const char* fileName);

    // The texels of procTextures, mip levels included.
    std::uint64_t procTexels = 0;
};
