#pragma once
// Effects of the platform layer, shaped like the D3DX effect calls the engine
// was designed against: an effect loaded from our compiled file
// ("*.fxo", see SourceCode/Video/Effects/README.md), its techniques, passes,
// parameters by index, name or semantic, annotations, value setters through
// handles, Begin/Pass/End around draws, device loss; the texture-function
// compiler and the procedural texture fills.
//
// Handles are addresses of the effect's own records (technique, pass,
// parameter, annotation). A null handle, or one of another effect, makes a
// call fail with D3DERR_INVALIDCALL and changes nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/D3DXBuffer.h"
#include "platform/gfx/Direct3D.h"
#include "platform/d3dx/EffectSource.h"
#include "platform/d3dx/Math3D.h"

using D3DXHANDLE = const void*;
using plat::D3DXINCLUDE_TYPE;
using plat::D3DXINC_LOCAL;
using plat::D3DXINC_SYSTEM;
using ID3DXInclude = plat::ID3DXInclude;

// Begin flags.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 1;
// Compile flags (accepted and ignored: GLSL is always validated).
constexpr DWORD D3DXSHADER_SKIPVALIDATION = 2;

struct D3DXEFFECT_DESC {
    const char* Creator = nullptr;
    UINT Parameters = 0;
    UINT Techniques = 0;
    UINT Functions = 0;
};
struct D3DXTECHNIQUE_DESC {
    const char* Name = nullptr;
    UINT Passes = 0;
    UINT Annotations = 0;
};
struct D3DXPASS_DESC {
    const char* Name = nullptr;
    UINT Annotations = 0;
};
enum D3DXPARAMETER_TYPE : DWORD {
    D3DXPT_VOID = 0, D3DXPT_BOOL = 1, D3DXPT_INT = 2, D3DXPT_FLOAT = 3, D3DXPT_STRING = 4,
    D3DXPT_TEXTURE = 5, D3DXPT_SAMPLER2D = 12, D3DXPT_SAMPLER3D = 13, D3DXPT_SAMPLERCUBE = 14,
};
struct D3DXPARAMETER_DESC {
    const char* Name = nullptr;
    const char* Semantic = nullptr;  // null when the parameter has none
    D3DXPARAMETER_TYPE Type = D3DXPT_VOID;
    UINT Rows = 0;
    UINT Columns = 0;
    UINT Annotations = 0;
    UINT Bytes = 0;
};

namespace plat {
struct EffectRecords;
}

class ID3DXEffect : public plat::RefCounted {
public:
    // Made by D3DXCreateEffectFromFileA from the file at `path`.
    ID3DXEffect(IDirect3DDevice9* device, plat::FxEffect effect, std::string path);

    HRESULT GetDesc(D3DXEFFECT_DESC* desc);
    HRESULT GetDevice(IDirect3DDevice9** device);

    D3DXHANDLE GetTechnique(UINT index);
    D3DXHANDLE GetTechniqueByName(const char* name);
    HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc);
    D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index);
    HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc);

    // Parameters have no members here: parent must be null.
    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index);
    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, const char* name);
    // Semantics compare without regard to case, as D3DX does.
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE parent, const char* semantic);
    HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc);
    D3DXHANDLE GetAnnotation(D3DXHANDLE object, UINT index);
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE object, const char* name);
    HRESULT GetParameterDescOfAnnotation(D3DXHANDLE annotation, D3DXPARAMETER_DESC* desc);

    // Annotation values: strings and ints (an int read as such only).
    HRESULT GetString(D3DXHANDLE annotation, const char** text);
    HRESULT GetInt(D3DXHANDLE handle, INT* value);

    HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix);
    HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector);
    HRESULT SetFloat(D3DXHANDLE parameter, float value);
    HRESULT SetInt(D3DXHANDLE parameter, INT value);
    HRESULT SetBool(D3DXHANDLE parameter, BOOL value);
    HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture);
    // The values last set (zero before any set).
    HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix);
    HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector);
    HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture);

    // A null or foreign handle fails and keeps the current technique (the
    // first one after loading).
    HRESULT SetTechnique(D3DXHANDLE technique);
    D3DXHANDLE GetCurrentTechnique();

    // Begin links the current technique's programs the first time it
    // begins; a technique that fails to link fails with E_FAIL (the reason
    // on the error stream, once, as a failed load puts it: the file,
    // "technique/pass:" and the compiler's message). It saves the device states that the technique's
    // passes set (its render states, its samplers' states, the texture of
    // every sampler unit of the effect, and the program), unless
    // D3DXFX_DONOTSAVESTATE, and reports the technique's pass count;
    // Pass(i) sets the pass's states, textures, program and parameter
    // values; End puts back what Begin saved. States no pass names are
    // neither saved nor touched.
    HRESULT Begin(UINT* passes, DWORD flags);
    HRESULT Pass(UINT index);
    // Values set inside a pass reach its program at once, so there is
    // nothing left to upload: D3D_OK inside a pass, D3DERR_INVALIDCALL
    // outside one.
    HRESULT CommitChanges();
    HRESULT End();

    // The GL programs survive a lost device; an effect still begun is
    // ended here.
    HRESULT OnLostDevice();
    HRESULT OnResetDevice();

    // Links every technique not linked yet; false (log filled) when one fails.
    bool LinkAll(std::string* log);

protected:
    ~ID3DXEffect() override;

private:
    std::unique_ptr<plat::EffectRecords> r_;
};

namespace plat {
// Test hook: on, every technique is linked at load, and a program that does
// not build fails the load (E_FAIL, the reason on `errors`).
void LinkEffectsAtLoad(bool atLoad);
}  // namespace plat

// Loads an effect from a compiled file. E_FAIL when the file is missing or
// malformed (the reason on `errors` when given). Its techniques are linked
// on their first Begin.
HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* path, const void* defines,
                                  ID3DXInclude* include, DWORD flags, void* pool,
                                  ID3DXEffect** effect, ID3DXBuffer** errors);

// Compiles a texture function from an effect source. The source file is
// opened as named (relative to the current directory); its includes go
// through `include`. The code buffer holds the fill program. E_FAIL when the
// source cannot be read or parsed, or has no "vec4 function(vec3, vec3)".
HRESULT D3DXCompileShaderFromFileA(const char* sourceFile, const void* defines, ID3DXInclude* include,
                                   const char* function, const char* profile, DWORD flags,
                                   ID3DXBuffer** code, ID3DXBuffer** errors, void** constantTable);

// Render the texture function (code from D3DXCompileShaderFromFileA) into
// every level (every slice, every face) of the texture. Constants are not
// supported (count must be 0).
HRESULT D3DXFillTextureTX(IDirect3DTexture9* texture, const void* code, const D3DXVECTOR4* constants,
                          UINT count);
HRESULT D3DXFillVolumeTextureTX(IDirect3DVolumeTexture9* texture, const void* code,
                                const D3DXVECTOR4* constants, UINT count);
HRESULT D3DXFillCubeTextureTX(IDirect3DCubeTexture9* texture, const void* code,
                              const D3DXVECTOR4* constants, UINT count);
