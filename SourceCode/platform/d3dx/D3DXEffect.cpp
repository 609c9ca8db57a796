#include "platform/d3dx/D3DXEffect.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/gfx/GpuProgram.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "platform/common/AsciiCase.h"
#include "platform/d3dx/TextureFormats.h"

namespace plat {

namespace {

constexpr D3DRENDERSTATETYPE kRenderStates[] = {
    D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC,
    D3DRS_CULLMODE,
    D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP,
    D3DRS_ALPHATESTENABLE, D3DRS_ALPHAFUNC, D3DRS_ALPHAREF,
    D3DRS_COLORWRITEENABLE,
    D3DRS_STENCILENABLE, D3DRS_STENCILFUNC, D3DRS_STENCILREF, D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK,
    D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS,
    D3DRS_TWOSIDEDSTENCILMODE, D3DRS_CCW_STENCILFUNC, D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL,
    D3DRS_CCW_STENCILPASS,
};
static_assert(std::size(kRenderStates) == static_cast<std::size_t>(FxState::Count));

constexpr D3DSAMPLERSTATETYPE kSamplerStates[] = {
    D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
    D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_ADDRESSW,
};
static_assert(std::size(kSamplerStates) == static_cast<std::size_t>(FxSamplerState::Count));

// The effect format stores the device's own numbers for these values.
static_assert(D3DCMP_LESSEQUAL == 4 && D3DCMP_ALWAYS == 8);
static_assert(D3DBLEND_SRCALPHA == 5 && D3DBLEND_INVSRCALPHA == 6);
static_assert(D3DBLENDOP_REVSUBTRACT == 3 && D3DCULL_CCW == 3);
static_assert(D3DSTENCILOP_INCR == 7 && D3DSTENCILOP_DECR == 8);
static_assert(D3DTEXF_LINEAR == 2 && D3DTADDRESS_CLAMP == 3);

// Index of handle h in v, or -1 when it is not one of v's elements.
template <class T>
int IndexOf(const std::vector<T>& v, D3DXHANDLE h) {
    if (!h || v.empty()) return -1;
    const std::less<const void*> less;
    const void* first = v.data();
    const void* end = v.data() + v.size();
    if (less(h, first) || !less(h, end)) return -1;
    const auto offset = static_cast<const char*>(h) - static_cast<const char*>(first);
    if (offset % sizeof(T) != 0) return -1;
    return static_cast<int>(offset / sizeof(T));
}

int ComponentCount(FxType type) {
    switch (type) {
    case FxType::Float: case FxType::Int: case FxType::Bool: return 1;
    case FxType::Vec2: return 2;
    case FxType::Vec3: return 3;
    case FxType::Vec4: case FxType::IVec4: return 4;
    case FxType::Mat4: return 16;
    default: return 1;
    }
}

bool IsIntType(FxType type) { return type == FxType::Int || type == FxType::IVec4 || type == FxType::Bool; }

// The integer an int parameter reads from a float: truncated toward zero,
// NaN as 0 and values beyond the range held at its ends (a plain cast of
// those is undefined).
int TruncatedInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT_MAX;
    if (value < -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

// Full-target quad in Direct3D clip space, drawn as a strip.
constexpr float kFillQuad[] = {
    -1.0f, 1.0f, 0.0f, 1.0f,  1.0f, 1.0f, 0.0f, 1.0f,
    -1.0f, -1.0f, 0.0f, 1.0f, 1.0f, -1.0f, 0.0f, 1.0f,
};

constexpr const char* kFillVertex =
    "layout(location = TM_POSITION) in vec4 tmFillCorner;\n"
    "void main() { gl_Position = tmClip(vec4(tmFillCorner.xy, 0.0, 1.0)); }\n";

}  // namespace

struct ParameterValue {
    float f[16] = {};
    int i[4] = {};
    bool set = false;
    IDirect3DBaseTexture9* texture = nullptr;  // one counted reference
    int unit = -1;                             // texture stage of a sampler
};

struct PassProgram {
    std::unique_ptr<GpuProgram> program;
    std::vector<const UniformInfo*> uniforms;  // per parameter, null when unused
};

// The device states that a technique's passes change, each once: what
// Begin saves and End puts back.
struct TouchedStates {
    std::vector<D3DRENDERSTATETYPE> render;
    std::vector<std::pair<DWORD, D3DSAMPLERSTATETYPE>> sampler;  // unit, state
    std::vector<DWORD> textureUnits;
};

// The values Begin found for the touched states.
struct SavedStates {
    std::vector<DWORD> render;
    std::vector<DWORD> sampler;
    std::vector<IDirect3DBaseTexture9*> textures;  // one counted reference each
    bool held = false;
};

// Whether a technique's programs are linked: on its first Begin, or at
// load while a test asks for that.
enum class Linking { NotYet, Linked, Failed };

namespace {
bool linkEffectsAtLoad = false;
}

struct EffectRecords {
    IDirect3DDevice9* device = nullptr;  // one counted reference
    FxEffect fx;
    std::string path;  // the file, for the messages
    std::vector<ParameterValue> values;
    std::vector<std::vector<PassProgram>> programs;  // [technique][pass]
    std::vector<Linking> linking;                    // [technique]
    std::vector<TouchedStates> touched;              // [technique]
    int technique = 0;
    bool begun = false;
    int activeTechnique = -1;
    int activePass = -1;
    SavedStates saved;
    GpuProgram* savedProgram = nullptr;

    // Every pass of technique t: its render states, the sampler states of
    // its samplers, and every texture unit of the effect (each pass binds
    // the texture of every sampler parameter).
    void CollectTouchedStates() {
        touched.assign(fx.techniques.size(), TouchedStates{});
        std::vector<DWORD> units;
        for (const ParameterValue& v : values)
            if (v.unit >= 0) units.push_back(static_cast<DWORD>(v.unit));
        for (std::size_t t = 0; t < fx.techniques.size(); ++t) {
            TouchedStates& out = touched[t];
            out.textureUnits = units;
            for (const FxPass& pass : fx.techniques[t].passes) {
                for (const FxStateValue& s : pass.states) {
                    const D3DRENDERSTATETYPE state = kRenderStates[static_cast<int>(s.state)];
                    if (std::find(out.render.begin(), out.render.end(), state) == out.render.end())
                        out.render.push_back(state);
                }
                for (const FxSamplerValue& s : pass.samplers) {
                    const int unit = values[s.parameter].unit;
                    if (unit < 0) continue;
                    const std::pair<DWORD, D3DSAMPLERSTATETYPE> key(static_cast<DWORD>(unit),
                                                                    kSamplerStates[static_cast<int>(s.state)]);
                    if (std::find(out.sampler.begin(), out.sampler.end(), key) == out.sampler.end())
                        out.sampler.push_back(key);
                }
            }
        }
    }

    void SaveStates(const TouchedStates& t) {
        saved.render.resize(t.render.size());
        for (std::size_t i = 0; i < t.render.size(); ++i) device->GetRenderState(t.render[i], &saved.render[i]);
        saved.sampler.resize(t.sampler.size());
        for (std::size_t i = 0; i < t.sampler.size(); ++i)
            device->GetSamplerState(t.sampler[i].first, t.sampler[i].second, &saved.sampler[i]);
        saved.textures.assign(t.textureUnits.size(), nullptr);
        for (std::size_t i = 0; i < t.textureUnits.size(); ++i) device->GetTexture(t.textureUnits[i], &saved.textures[i]);
        saved.held = true;
    }

    void RestoreStates(const TouchedStates& t) {
        if (!saved.held) return;
        for (std::size_t i = 0; i < t.render.size(); ++i) device->SetRenderState(t.render[i], saved.render[i]);
        for (std::size_t i = 0; i < t.sampler.size(); ++i)
            device->SetSamplerState(t.sampler[i].first, t.sampler[i].second, saved.sampler[i]);
        for (std::size_t i = 0; i < t.textureUnits.size(); ++i) {
            device->SetTexture(t.textureUnits[i], saved.textures[i]);
            if (saved.textures[i]) saved.textures[i]->Release();
        }
        saved.textures.clear();
        saved.held = false;
    }

    void DropSavedStates() {
        for (IDirect3DBaseTexture9* texture : saved.textures)
            if (texture) texture->Release();
        saved.textures.clear();
        saved.held = false;
    }

    ParameterValue* Value(D3DXHANDLE h) {
        const int index = IndexOf(fx.parameters, h);
        return index < 0 ? nullptr : &values[index];
    }
    const FxAnnotation* Annotation(D3DXHANDLE h) const {
        for (const FxParameter& p : fx.parameters) {
            const int index = IndexOf(p.annotations, h);
            if (index >= 0) return &p.annotations[index];
        }
        return nullptr;
    }
    // Links every pass of technique t; false with the reason in `log`
    // ("technique/pass: message") when one fails.
    bool LinkTechnique(std::size_t t, std::string* log) {
        if (linking[t] != Linking::NotYet) return linking[t] == Linking::Linked;
        device->MakeCurrent();
        for (const FxPass& pass : fx.techniques[t].passes) {
            PassProgram built;
            std::string message;
            built.program = GpuProgram::Build(ComposeStage(fx, fx.stages[pass.vertexStage]),
                                              ComposeStage(fx, fx.stages[pass.fragmentStage]), &message);
            if (!built.program) {
                *log = fx.techniques[t].name + "/" + pass.name + ": " + MapGlslMessage(fx, message);
                programs[t].clear();
                linking[t] = Linking::Failed;
                return false;
            }
            for (const FxParameter& parameter : fx.parameters)
                built.uniforms.push_back(built.program->FindUniform(parameter.name));
            programs[t].push_back(std::move(built));
        }
        linking[t] = Linking::Linked;
        return true;
    }

    PassProgram* Active() {
        if (activePass < 0) return nullptr;
        return &programs[activeTechnique][activePass];
    }
    void Upload(PassProgram& pass, std::size_t index) {
        const UniformInfo* uniform = pass.uniforms[index];
        const ParameterValue& v = values[index];
        const FxType type = fx.parameters[index].type;
        if (FxTypeIsSampler(type)) {
            if (v.unit < 0) return;
            device->SetTexture(static_cast<DWORD>(v.unit), v.texture);
            if (uniform) pass.program->SetInts(*uniform, &v.unit, 1);
            return;
        }
        if (!uniform || !v.set) return;
        if (IsIntType(type)) pass.program->SetInts(*uniform, v.i, ComponentCount(type));
        else pass.program->SetFloats(*uniform, v.f, ComponentCount(type));
    }
    void UploadAll(PassProgram& pass) {
        for (std::size_t i = 0; i < values.size(); ++i) Upload(pass, i);
    }
    // Marks a parameter as set and, inside a pass, uploads it at once.
    void Changed(int index) {
        values[index].set = true;
        if (PassProgram* pass = Active()) Upload(*pass, static_cast<std::size_t>(index));
    }
    // Stores count floats, and their integer readings for int parameters.
    HRESULT SetFloats(D3DXHANDLE h, const float* f, int count) {
        const int index = IndexOf(fx.parameters, h);
        if (index < 0 || !f) return D3DERR_INVALIDCALL;
        ParameterValue& v = values[index];
        std::copy(f, f + count, v.f);
        for (int k = 0; k < std::min(count, 4); ++k) v.i[k] = TruncatedInt(f[k]);
        Changed(index);
        return D3D_OK;
    }
};

}  // namespace plat

using plat::EffectRecords;
using plat::FxType;

ID3DXEffect::ID3DXEffect(IDirect3DDevice9* device, plat::FxEffect effect, std::string path)
    : r_(new EffectRecords) {
    r_->path = std::move(path);
    r_->device = device;
    if (device) device->AddRef();
    r_->fx = std::move(effect);
    r_->programs.resize(r_->fx.techniques.size());
    r_->linking.assign(r_->fx.techniques.size(), plat::Linking::NotYet);
    r_->values.resize(r_->fx.parameters.size());
    int unit = 0;
    for (std::size_t i = 0; i < r_->fx.parameters.size(); ++i) {
        if (!plat::FxTypeIsSampler(r_->fx.parameters[i].type)) continue;
        if (unit < static_cast<int>(D3D_MAX_SAMPLERS)) r_->values[i].unit = unit++;
    }
    r_->CollectTouchedStates();
}

ID3DXEffect::~ID3DXEffect() {
    r_->DropSavedStates();
    for (plat::ParameterValue& v : r_->values) {
        if (v.texture) v.texture->Release();
    }
    if (r_->device) {
        r_->device->MakeCurrent();
        for (auto& technique : r_->programs) {
            for (auto& pass : technique) {
                if (r_->device->GetProgram() == pass.program.get()) r_->device->SetProgram(nullptr);
            }
        }
        r_->programs.clear();
        r_->device->Release();
    }
}

bool ID3DXEffect::LinkAll(std::string* log) {
    if (!r_->device) return false;
    for (std::size_t t = 0; t < r_->fx.techniques.size(); ++t)
        if (!r_->LinkTechnique(t, log)) return false;
    return true;
}

HRESULT ID3DXEffect::GetDesc(D3DXEFFECT_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Creator = "fxc";
    desc->Parameters = static_cast<UINT>(r_->fx.parameters.size());
    desc->Techniques = static_cast<UINT>(r_->fx.techniques.size());
    desc->Functions = 0;
    return D3D_OK;
}

HRESULT ID3DXEffect::GetDevice(IDirect3DDevice9** device) {
    if (!device || !r_->device) return D3DERR_INVALIDCALL;
    r_->device->AddRef();
    *device = r_->device;
    return D3D_OK;
}

D3DXHANDLE ID3DXEffect::GetTechnique(UINT index) {
    return index < r_->fx.techniques.size() ? &r_->fx.techniques[index] : nullptr;
}

D3DXHANDLE ID3DXEffect::GetTechniqueByName(const char* name) {
    if (!name) return nullptr;
    for (const plat::FxTechnique& t : r_->fx.techniques) {
        if (t.name == name) return &t;
    }
    return nullptr;
}

HRESULT ID3DXEffect::GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) {
    const int index = plat::IndexOf(r_->fx.techniques, technique);
    if (index < 0 || !desc) return D3DERR_INVALIDCALL;
    desc->Name = r_->fx.techniques[index].name.c_str();
    desc->Passes = static_cast<UINT>(r_->fx.techniques[index].passes.size());
    desc->Annotations = 0;
    return D3D_OK;
}

D3DXHANDLE ID3DXEffect::GetPass(D3DXHANDLE technique, UINT index) {
    const int t = plat::IndexOf(r_->fx.techniques, technique);
    if (t < 0 || index >= r_->fx.techniques[t].passes.size()) return nullptr;
    return &r_->fx.techniques[t].passes[index];
}

HRESULT ID3DXEffect::GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    for (const plat::FxTechnique& t : r_->fx.techniques) {
        const int index = plat::IndexOf(t.passes, pass);
        if (index < 0) continue;
        desc->Name = t.passes[index].name.c_str();
        desc->Annotations = 0;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

D3DXHANDLE ID3DXEffect::GetParameter(D3DXHANDLE parent, UINT index) {
    if (parent || index >= r_->fx.parameters.size()) return nullptr;
    return &r_->fx.parameters[index];
}

D3DXHANDLE ID3DXEffect::GetParameterByName(D3DXHANDLE parent, const char* name) {
    if (parent || !name) return nullptr;
    const int index = r_->fx.FindParameter(name);
    return index < 0 ? nullptr : &r_->fx.parameters[index];
}

D3DXHANDLE ID3DXEffect::GetParameterBySemantic(D3DXHANDLE parent, const char* semantic) {
    if (parent || !semantic) return nullptr;
    for (const plat::FxParameter& p : r_->fx.parameters) {
        if (!p.semantic.empty() && plat::SameIgnoringCase(p.semantic, semantic)) return &p;
    }
    return nullptr;
}

namespace {

void DescribeType(FxType type, D3DXPARAMETER_DESC* desc) {
    switch (type) {
    case FxType::Float: desc->Type = D3DXPT_FLOAT; desc->Rows = 1; desc->Columns = 1; break;
    case FxType::Vec2: desc->Type = D3DXPT_FLOAT; desc->Rows = 1; desc->Columns = 2; break;
    case FxType::Vec3: desc->Type = D3DXPT_FLOAT; desc->Rows = 1; desc->Columns = 3; break;
    case FxType::Vec4: desc->Type = D3DXPT_FLOAT; desc->Rows = 1; desc->Columns = 4; break;
    case FxType::Mat4: desc->Type = D3DXPT_FLOAT; desc->Rows = 4; desc->Columns = 4; break;
    case FxType::Int: desc->Type = D3DXPT_INT; desc->Rows = 1; desc->Columns = 1; break;
    case FxType::IVec4: desc->Type = D3DXPT_INT; desc->Rows = 1; desc->Columns = 4; break;
    case FxType::Bool: desc->Type = D3DXPT_BOOL; desc->Rows = 1; desc->Columns = 1; break;
    case FxType::Sampler2D: desc->Type = D3DXPT_SAMPLER2D; break;
    case FxType::Sampler3D: desc->Type = D3DXPT_SAMPLER3D; break;
    case FxType::SamplerCube: desc->Type = D3DXPT_SAMPLERCUBE; break;
    }
    desc->Bytes = desc->Rows * desc->Columns * 4;
}

}  // namespace

HRESULT ID3DXEffect::GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) {
    const int index = plat::IndexOf(r_->fx.parameters, parameter);
    if (index < 0 || !desc) return D3DERR_INVALIDCALL;
    const plat::FxParameter& p = r_->fx.parameters[index];
    *desc = {};
    desc->Name = p.name.c_str();
    desc->Semantic = p.semantic.empty() ? nullptr : p.semantic.c_str();
    desc->Annotations = static_cast<UINT>(p.annotations.size());
    DescribeType(p.type, desc);
    return D3D_OK;
}

D3DXHANDLE ID3DXEffect::GetAnnotation(D3DXHANDLE object, UINT index) {
    const int p = plat::IndexOf(r_->fx.parameters, object);
    if (p < 0 || index >= r_->fx.parameters[p].annotations.size()) return nullptr;
    return &r_->fx.parameters[p].annotations[index];
}

D3DXHANDLE ID3DXEffect::GetAnnotationByName(D3DXHANDLE object, const char* name) {
    const int p = plat::IndexOf(r_->fx.parameters, object);
    if (p < 0 || !name) return nullptr;
    for (const plat::FxAnnotation& a : r_->fx.parameters[p].annotations) {
        if (a.name == name) return &a;
    }
    return nullptr;
}

HRESULT ID3DXEffect::GetParameterDescOfAnnotation(D3DXHANDLE annotation, D3DXPARAMETER_DESC* desc) {
    const plat::FxAnnotation* a = r_->Annotation(annotation);
    if (!a || !desc) return D3DERR_INVALIDCALL;
    *desc = {};
    desc->Name = a->name.c_str();
    desc->Type = a->type == plat::FxAnnotation::Type::String ? D3DXPT_STRING : D3DXPT_INT;
    desc->Rows = desc->Columns = 1;
    desc->Bytes = a->type == plat::FxAnnotation::Type::String ? static_cast<UINT>(sizeof(const char*)) : 4;
    return D3D_OK;
}

HRESULT ID3DXEffect::GetString(D3DXHANDLE annotation, const char** text) {
    const plat::FxAnnotation* a = r_->Annotation(annotation);
    if (!a || !text || a->type != plat::FxAnnotation::Type::String) return D3DERR_INVALIDCALL;
    *text = a->text.c_str();
    return D3D_OK;
}

HRESULT ID3DXEffect::GetInt(D3DXHANDLE handle, INT* value) {
    if (!value) return D3DERR_INVALIDCALL;
    if (const plat::FxAnnotation* a = r_->Annotation(handle)) {
        if (a->type != plat::FxAnnotation::Type::Int) return D3DERR_INVALIDCALL;
        *value = a->value;
        return D3D_OK;
    }
    plat::ParameterValue* v = r_->Value(handle);
    if (!v) return D3DERR_INVALIDCALL;
    *value = v->i[0];
    return D3D_OK;
}

HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
    return r_->SetFloats(parameter, matrix ? static_cast<const float*>(*matrix) : nullptr, 16);
}

HRESULT ID3DXEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
    return r_->SetFloats(parameter, vector ? static_cast<const float*>(*vector) : nullptr, 4);
}

HRESULT ID3DXEffect::SetFloat(D3DXHANDLE parameter, float value) { return r_->SetFloats(parameter, &value, 1); }

HRESULT ID3DXEffect::SetInt(D3DXHANDLE parameter, INT value) {
    const int index = plat::IndexOf(r_->fx.parameters, parameter);
    if (index < 0) return D3DERR_INVALIDCALL;
    r_->values[index].i[0] = value;
    r_->values[index].f[0] = static_cast<float>(value);
    r_->Changed(index);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetBool(D3DXHANDLE parameter, BOOL value) { return SetInt(parameter, value ? 1 : 0); }

HRESULT ID3DXEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
    const int index = plat::IndexOf(r_->fx.parameters, parameter);
    if (index < 0 || !plat::FxTypeIsSampler(r_->fx.parameters[index].type)) return D3DERR_INVALIDCALL;
    plat::ParameterValue& v = r_->values[index];
    if (texture) texture->AddRef();
    if (v.texture) v.texture->Release();
    v.texture = texture;
    r_->Changed(index);
    return D3D_OK;
}

HRESULT ID3DXEffect::GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) {
    plat::ParameterValue* v = r_->Value(parameter);
    if (!v || !matrix) return D3DERR_INVALIDCALL;
    std::memcpy(&matrix->m[0][0], v->f, sizeof v->f);
    return D3D_OK;
}

HRESULT ID3DXEffect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
    plat::ParameterValue* v = r_->Value(parameter);
    if (!v || !vector) return D3DERR_INVALIDCALL;
    *vector = D3DXVECTOR4(v->f[0], v->f[1], v->f[2], v->f[3]);
    return D3D_OK;
}

HRESULT ID3DXEffect::GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) {
    plat::ParameterValue* v = r_->Value(parameter);
    if (!v || !texture) return D3DERR_INVALIDCALL;
    if (v->texture) v->texture->AddRef();
    *texture = v->texture;
    return D3D_OK;
}

HRESULT ID3DXEffect::SetTechnique(D3DXHANDLE technique) {
    const int index = plat::IndexOf(r_->fx.techniques, technique);
    if (index < 0) return D3DERR_INVALIDCALL;
    r_->technique = index;
    return D3D_OK;
}

D3DXHANDLE ID3DXEffect::GetCurrentTechnique() { return GetTechnique(static_cast<UINT>(r_->technique)); }

HRESULT ID3DXEffect::Begin(UINT* passes, DWORD flags) {
    if (passes) *passes = 0;
    if (r_->begun || !r_->device || r_->technique >= static_cast<int>(r_->programs.size()))
        return D3DERR_INVALIDCALL;
    const bool linkedBefore = r_->linking[r_->technique] != plat::Linking::NotYet;
    std::string log;
    if (!r_->LinkTechnique(static_cast<std::size_t>(r_->technique), &log)) {
        // Said once, as a failed load would have said it; the technique
        // then simply refuses to begin.
        if (!linkedBefore) plat::LogError("Error: Effect technique not linked: " + r_->path + ": " + log);
        return E_FAIL;
    }
    r_->device->MakeCurrent();
    if (!(flags & D3DXFX_DONOTSAVESTATE)) r_->SaveStates(r_->touched[r_->technique]);
    r_->savedProgram = r_->device->GetProgram();
    r_->begun = true;
    r_->activeTechnique = r_->technique;
    r_->activePass = -1;
    if (passes) *passes = static_cast<UINT>(r_->fx.techniques[r_->technique].passes.size());
    return D3D_OK;
}

HRESULT ID3DXEffect::Pass(UINT index) {
    if (!r_->begun) return D3DERR_INVALIDCALL;
    const plat::FxTechnique& technique = r_->fx.techniques[r_->activeTechnique];
    if (index >= technique.passes.size()) return D3DERR_INVALIDCALL;
    const plat::FxPass& pass = technique.passes[index];
    IDirect3DDevice9* device = r_->device;
    for (const plat::FxStateValue& s : pass.states)
        device->SetRenderState(plat::kRenderStates[static_cast<int>(s.state)], s.value);
    for (const plat::FxSamplerValue& s : pass.samplers) {
        const int unit = r_->values[s.parameter].unit;
        if (unit >= 0)
            device->SetSamplerState(static_cast<DWORD>(unit), plat::kSamplerStates[static_cast<int>(s.state)],
                                    s.value);
    }
    plat::PassProgram& program = r_->programs[r_->activeTechnique][index];
    device->SetProgram(program.program.get());
    r_->activePass = static_cast<int>(index);
    r_->UploadAll(program);
    return D3D_OK;
}

HRESULT ID3DXEffect::CommitChanges() {
    return r_->Active() ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT ID3DXEffect::End() {
    if (!r_->begun) return D3DERR_INVALIDCALL;
    r_->RestoreStates(r_->touched[r_->activeTechnique]);
    r_->device->SetProgram(r_->savedProgram);
    r_->savedProgram = nullptr;
    r_->begun = false;
    r_->activeTechnique = -1;
    r_->activePass = -1;
    return D3D_OK;
}

HRESULT ID3DXEffect::OnLostDevice() {
    if (r_->begun) End();
    return D3D_OK;
}

HRESULT ID3DXEffect::OnResetDevice() { return D3D_OK; }

namespace {

HRESULT Fail(ID3DXBuffer** errors, const std::string& text) {
    if (errors) *errors = new ID3DXBuffer(text);
    return E_FAIL;
}
}  // namespace

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* path, const void*, ID3DXInclude*, DWORD,
                                  void*, ID3DXEffect** effect, ID3DXBuffer** errors) {
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !path) return D3DERR_INVALIDCALL;
    std::string bytes, why;
    if (!plat::ReadWholeFile(path, bytes, plat::FileKind::Effect, &why)) return Fail(errors, why);
    auto parsed = plat::DeserializeEffect(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!parsed)
        return Fail(errors, std::string(path) + (bytes.empty() ? ": the file is empty" : ": not a compiled effect"));
    auto* made = new ID3DXEffect(device, std::move(*parsed), path);
    std::string log;
    if (plat::linkEffectsAtLoad && !made->LinkAll(&log)) {
        made->Release();
        return Fail(errors, std::string(path) + ": " + log);
    }
    *effect = made;
    return D3D_OK;
}

void plat::LinkEffectsAtLoad(bool atLoad) { linkEffectsAtLoad = atLoad; }

HRESULT D3DXCompileShaderFromFileA(const char* sourceFile, const void*, ID3DXInclude* include, const char* function,
                                   const char*, DWORD, ID3DXBuffer** code, ID3DXBuffer** errors, void** constantTable) {
    if (errors) *errors = nullptr;
    if (constantTable) *constantTable = nullptr;
    if (!code || !sourceFile || !function) return D3DERR_INVALIDCALL;
    *code = nullptr;
    std::string text, why;
    if (!plat::ReadWholeFile(sourceFile, text, plat::FileKind::Effect, &why)) return Fail(errors, why);
    plat::FxError error;
    auto effect = plat::ParseEffect(text, sourceFile, include, &error);
    if (!effect) return Fail(errors, error.Text());
    if (!plat::DefinesFillFunction(*effect, function))
        return Fail(errors, std::string(sourceFile) + ": no function 'vec4 " + function + "(vec3, vec3)'");
    *code = new ID3DXBuffer(plat::ComposeFillProgram(*effect, function));
    return D3D_OK;
}

namespace {

struct FillTarget {
    UINT level;
    UINT layer;
    UINT width, height, depth;
    int kind;   // 0 2D, 1 volume, 2 cube
    int face;
    float slice;
};

// Renders the fill program into each target with every other state saved
// and restored around it.
HRESULT FillTargets(IDirect3DBaseTexture9* texture, const void* code, UINT constantCount,
                    const std::vector<FillTarget>& targets) {
    if (!texture || !code || constantCount != 0) return D3DERR_INVALIDCALL;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(texture->GetDevice(&device)) || !device) return D3DERR_INVALIDCALL;
    device->MakeCurrent();
    std::string log;
    auto program = plat::GpuProgram::Build(plat::kFillVertex, static_cast<const char*>(code), &log);
    if (!program) {
        device->Release();
        return E_FAIL;
    }
    IDirect3DStateBlock9* saved = nullptr;
    device->CreateStateBlock(D3DSBT_ALL, &saved);
    plat::GpuProgram* savedProgram = device->GetProgram();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetFVF(D3DFVF_XYZW);
    device->SetProgram(program.get());
    HRESULT result = D3D_OK;
    for (const FillTarget& t : targets) {
        if (FAILED(device->SetRenderTargetTexture(texture, t.level, t.layer))) {
            result = E_FAIL;
            break;
        }
        const float texel[3] = {1.0f / t.width, 1.0f / t.height, 1.0f / t.depth};
        program->SetFloats("tmFillTexelSize", texel, 3);
        program->SetInts("tmFillKind", &t.kind, 1);
        program->SetInts("tmFillFace", &t.face, 1);
        program->SetFloats("tmFillSlice", &t.slice, 1);
        const HRESULT drawn = device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, plat::kFillQuad, 16);
        device->SetRenderTargetTexture(nullptr, 0, 0);
        if (FAILED(drawn)) {
            result = E_FAIL;
            break;
        }
    }
    device->SetProgram(savedProgram);
    if (saved) {
        saved->Apply();
        saved->Release();
    }
    program.reset();
    device->Release();
    return result;
}

}  // namespace

namespace {

// Texture formats the device cannot render into are filled by rendering
// into a float texture of the same shape and writing its texels over.
constexpr D3DFORMAT kFillFormat = D3DFMT_A32B32G32R32F;

// Writes one level (a face, or every slice of a volume level) of float
// texels into the target's locked bytes.
HRESULT WriteConverted(D3DFORMAT format, const D3DLOCKED_BOX& from, const D3DLOCKED_BOX& to, UINT width,
                       UINT height, UINT depth) {
    if (!from.pBits || !to.pBits) return E_FAIL;
    const std::size_t block = plat::DxtBlockBytesOf(format);
    std::vector<float> picture(std::size_t(width) * height * 4);
    for (UINT z = 0; z < depth; ++z) {
        const auto* source = static_cast<const std::uint8_t*>(from.pBits) + std::size_t(z) * from.SlicePitch;
        auto* target = static_cast<std::uint8_t*>(to.pBits) + std::size_t(z) * to.SlicePitch;
        for (UINT y = 0; y < height; ++y)
            std::memcpy(&picture[std::size_t(y) * width * 4], source + std::size_t(y) * from.RowPitch,
                        std::size_t(width) * 16);
        if (block != 0) {
            if (!plat::EncodeDxt(format, picture.data(), width, height, target, std::size_t(to.RowPitch)))
                return E_FAIL;
            continue;
        }
        for (UINT y = 0; y < height; ++y)
            if (!plat::EncodeTexels(format, &picture[std::size_t(y) * width * 4], width,
                                    target + std::size_t(y) * to.RowPitch))
                return E_FAIL;
    }
    return D3D_OK;
}

D3DLOCKED_BOX AsBox(const D3DLOCKED_RECT& rect) {
    D3DLOCKED_BOX box{};
    box.RowPitch = rect.Pitch;
    box.SlicePitch = 0;
    box.pBits = rect.pBits;
    return box;
}

HRESULT ConvertTexture(IDirect3DTexture9* from, IDirect3DTexture9* to) {
    for (UINT level = 0; level < to->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT a{}, b{};
        if (FAILED(to->GetLevelDesc(level, &desc)) || FAILED(from->LockRect(level, &a, nullptr, D3DLOCK_READONLY)))
            return E_FAIL;
        HRESULT hr = to->LockRect(level, &b, nullptr, 0);
        if (SUCCEEDED(hr)) {
            hr = WriteConverted(desc.Format, AsBox(a), AsBox(b), desc.Width, desc.Height, 1);
            to->UnlockRect(level);
        }
        from->UnlockRect(level);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

HRESULT ConvertTexture(IDirect3DCubeTexture9* from, IDirect3DCubeTexture9* to) {
    for (UINT level = 0; level < to->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        if (FAILED(to->GetLevelDesc(level, &desc))) return E_FAIL;
        for (int f = 0; f < 6; ++f) {
            const auto face = static_cast<D3DCUBEMAP_FACES>(f);
            D3DLOCKED_RECT a{}, b{};
            if (FAILED(from->LockRect(face, level, &a, nullptr, D3DLOCK_READONLY))) return E_FAIL;
            HRESULT hr = to->LockRect(face, level, &b, nullptr, 0);
            if (SUCCEEDED(hr)) {
                hr = WriteConverted(desc.Format, AsBox(a), AsBox(b), desc.Width, desc.Height, 1);
                to->UnlockRect(face, level);
            }
            from->UnlockRect(face, level);
            if (FAILED(hr)) return hr;
        }
    }
    return D3D_OK;
}

HRESULT ConvertTexture(IDirect3DVolumeTexture9* from, IDirect3DVolumeTexture9* to) {
    for (UINT level = 0; level < to->GetLevelCount(); ++level) {
        D3DVOLUME_DESC desc;
        D3DLOCKED_BOX a{}, b{};
        if (FAILED(to->GetLevelDesc(level, &desc)) || FAILED(from->LockBox(level, &a, nullptr, D3DLOCK_READONLY)))
            return E_FAIL;
        HRESULT hr = to->LockBox(level, &b, nullptr, 0);
        if (SUCCEEDED(hr)) {
            hr = WriteConverted(desc.Format, a, b, desc.Width, desc.Height, desc.Depth);
            to->UnlockBox(level);
        }
        from->UnlockBox(level);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

// Makes a float texture shaped like `texture`, fills it with `fill` and
// converts it into `texture`.
template <class Texture, class Make, class Fill>
HRESULT FillThroughFloat(Texture* texture, const Make& make, const Fill& fill) {
    IDirect3DDevice9* device = nullptr;
    if (FAILED(texture->GetDevice(&device)) || !device) return D3DERR_INVALIDCALL;
    Texture* scratch = nullptr;
    HRESULT hr = make(device, &scratch);
    device->Release();
    if (FAILED(hr) || !scratch) return FAILED(hr) ? hr : E_FAIL;
    hr = fill(scratch);
    if (SUCCEEDED(hr)) hr = ConvertTexture(scratch, texture);
    scratch->Release();
    return hr;
}

HRESULT FillTexture(IDirect3DTexture9* texture, const void* code, UINT count);
HRESULT FillVolumeTexture(IDirect3DVolumeTexture9* texture, const void* code, UINT count);
HRESULT FillCubeTexture(IDirect3DCubeTexture9* texture, const void* code, UINT count);

}  // namespace

HRESULT D3DXFillTextureTX(IDirect3DTexture9* texture, const void* code, const D3DXVECTOR4*, UINT count) {
    if (!texture) return D3DERR_INVALIDCALL;
    if (plat::RenderableTextureFormat(texture->Format())) return FillTexture(texture, code, count);
    D3DSURFACE_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
    return FillThroughFloat(
        texture,
        [&](IDirect3DDevice9* device, IDirect3DTexture9** out) {
            return device->CreateTexture(desc.Width, desc.Height, texture->GetLevelCount(), 0, kFillFormat,
                                         D3DPOOL_MANAGED, out, nullptr);
        },
        [&](IDirect3DTexture9* scratch) { return FillTexture(scratch, code, count); });
}

HRESULT D3DXFillVolumeTextureTX(IDirect3DVolumeTexture9* texture, const void* code, const D3DXVECTOR4*,
                                UINT count) {
    if (!texture) return D3DERR_INVALIDCALL;
    if (plat::RenderableTextureFormat(texture->Format())) return FillVolumeTexture(texture, code, count);
    D3DVOLUME_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
    return FillThroughFloat(
        texture,
        [&](IDirect3DDevice9* device, IDirect3DVolumeTexture9** out) {
            return device->CreateVolumeTexture(desc.Width, desc.Height, desc.Depth, texture->GetLevelCount(), 0,
                                               kFillFormat, D3DPOOL_MANAGED, out, nullptr);
        },
        [&](IDirect3DVolumeTexture9* scratch) { return FillVolumeTexture(scratch, code, count); });
}

HRESULT D3DXFillCubeTextureTX(IDirect3DCubeTexture9* texture, const void* code, const D3DXVECTOR4*,
                              UINT count) {
    if (!texture) return D3DERR_INVALIDCALL;
    if (plat::RenderableTextureFormat(texture->Format())) return FillCubeTexture(texture, code, count);
    D3DSURFACE_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
    return FillThroughFloat(
        texture,
        [&](IDirect3DDevice9* device, IDirect3DCubeTexture9** out) {
            return device->CreateCubeTexture(desc.Width, texture->GetLevelCount(), 0, kFillFormat,
                                             D3DPOOL_MANAGED, out, nullptr);
        },
        [&](IDirect3DCubeTexture9* scratch) { return FillCubeTexture(scratch, code, count); });
}

namespace {

HRESULT FillTexture(IDirect3DTexture9* texture, const void* code, UINT count) {
    std::vector<FillTarget> targets;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        if (FAILED(texture->GetLevelDesc(level, &desc))) return D3DERR_INVALIDCALL;
        targets.push_back({level, 0, desc.Width, desc.Height, 1, 0, 0, 0.0f});
    }
    return FillTargets(texture, code, count, targets);
}

HRESULT FillVolumeTexture(IDirect3DVolumeTexture9* texture, const void* code, UINT count) {
    std::vector<FillTarget> targets;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DVOLUME_DESC desc;
        if (FAILED(texture->GetLevelDesc(level, &desc))) return D3DERR_INVALIDCALL;
        for (UINT slice = 0; slice < desc.Depth; ++slice)
            targets.push_back({level, slice, desc.Width, desc.Height, desc.Depth, 1, 0,
                               (static_cast<float>(slice) + 0.5f) / static_cast<float>(desc.Depth)});
    }
    return FillTargets(texture, code, count, targets);
}

HRESULT FillCubeTexture(IDirect3DCubeTexture9* texture, const void* code, UINT count) {
    std::vector<FillTarget> targets;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        if (FAILED(texture->GetLevelDesc(level, &desc))) return D3DERR_INVALIDCALL;
        for (int face = 0; face < 6; ++face)
            targets.push_back({level, static_cast<UINT>(face), desc.Width, desc.Height, 1, 2, face, 0.0f});
    }
    return FillTargets(texture, code, count, targets);
}

}  // namespace
