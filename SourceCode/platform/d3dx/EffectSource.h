#pragma once
// Our effect format: the parsed form of an effect source (parameters with
// semantics and annotations, shared GLSL, named vertex and fragment stages,
// techniques of passes with their render and sampler states), the parser
// that reads it through an include handler, and the composition of a pass's
// stage into one GLSL 330 text. The syntax is described in
// SourceCode/Video/Effects/README.md.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"

namespace plat {

// ---- Include handler, shaped like the D3DX one --------------------------

enum D3DXINCLUDE_TYPE : std::uint32_t { D3DXINC_LOCAL = 0, D3DXINC_SYSTEM = 1 };

// Opens included files for the effect parser and the texture-function
// compiler. Open hands out a buffer that stays valid until Close.
class ID3DXInclude {
public:
    virtual ~ID3DXInclude() = default;
    virtual HRESULT Open(D3DXINCLUDE_TYPE type, const char* fileName, const void* parentData,
                         const void** data, std::uint32_t* bytes) = 0;
    virtual HRESULT Close(const void* data) = 0;
};

// ---- The parsed effect --------------------------------------------------

struct FxAnnotation {
    enum class Type : std::uint8_t { String = 0, Int = 1 };
    Type type = Type::String;
    std::string name;
    std::string text;      // String annotations
    std::int32_t value = 0;  // Int annotations
};

// GLSL types a parameter may have; the uniform is declared with this type.
enum class FxType : std::uint8_t {
    Float, Vec2, Vec3, Vec4, Mat4, Int, IVec4, Bool, Sampler2D, Sampler3D, SamplerCube,
};
const char* FxTypeName(FxType type);
bool FxTypeIsSampler(FxType type);

struct FxParameter {
    FxType type = FxType::Vec4;
    std::string name;
    std::string semantic;  // empty when none
    std::vector<FxAnnotation> annotations;
};

// Render states a pass may set. Values are the device's numeric values
// (comparison, blend, cull and stencil-operation numbering of Direct3D 9).
enum class FxState : std::uint8_t {
    ZEnable, ZWriteEnable, ZFunc,
    CullMode,
    AlphaBlendEnable, SrcBlend, DestBlend, BlendOp,
    AlphaTestEnable, AlphaFunc, AlphaRef,
    ColorWriteEnable,
    StencilEnable, StencilFunc, StencilRef, StencilMask, StencilWriteMask,
    StencilFail, StencilZFail, StencilPass,
    TwoSidedStencilMode, CCW_StencilFunc, CCW_StencilFail, CCW_StencilZFail, CCW_StencilPass,
    Count
};
const char* FxStateName(FxState state);

enum class FxSamplerState : std::uint8_t {
    MinFilter, MagFilter, MipFilter, AddressU, AddressV, AddressW, Count
};
const char* FxSamplerStateName(FxSamplerState state);

struct FxStateValue {
    FxState state;
    std::uint32_t value;
};
struct FxSamplerValue {
    std::uint32_t parameter;  // index of the sampler parameter
    FxSamplerState state;
    std::uint32_t value;
};

// A piece of GLSL text and where it starts (file index into
// FxEffect::files, 1-based line) so that compile errors point into the
// source that holds it.
struct FxCode {
    std::string text;
    std::uint32_t file = 0;
    std::uint32_t line = 1;
};

struct FxStage {
    enum class Kind : std::uint8_t { Vertex = 0, Fragment = 1 };
    Kind kind = Kind::Vertex;
    std::string name;
    FxCode code;
};

struct FxPass {
    std::string name;
    std::int32_t vertexStage = -1;    // index into stages
    std::int32_t fragmentStage = -1;
    std::vector<FxStateValue> states;
    std::vector<FxSamplerValue> samplers;
    std::uint32_t line = 0;
    std::uint32_t file = 0;
};

struct FxTechnique {
    std::string name;
    std::vector<FxPass> passes;
};

struct FxEffect {
    std::vector<std::string> files;  // [0] the main source, then every include
    std::vector<FxParameter> parameters;
    std::vector<FxCode> shared;      // glsl blocks, in source order
    std::vector<FxStage> stages;
    std::vector<FxTechnique> techniques;

    int FindParameter(const std::string& name) const;
};

struct FxError {
    std::string file;
    std::uint32_t line = 0;
    std::string message;
    std::string Text() const;  // "file:line: message"
};

// Parses source text. The include handler may be null, in which case an
// include directive is an error. Includes nest at most 16 deep, and an effect reads at most 256 includes.
std::optional<FxEffect> ParseEffect(const std::string& text, const std::string& fileName,
                                    ID3DXInclude* include, FxError* error);

// The GLSL text of one stage of a pass, to be put after the version line and
// the device's prelude (GpuProgram::Build does that): one uniform per
// parameter, the shared code, then the stage. '#line' directives keep every
// line traceable: the source-string number is the file index.
std::string ComposeStage(const FxEffect& effect, const FxStage& stage);

// The fragment program that fills a procedural texture: the shared code and a
// main that writes function(position, texelSize) for the texel being drawn.
// Like ComposeStage, the text goes after the version line and prelude.
std::string ComposeFillProgram(const FxEffect& effect, const std::string& function);

// True when the shared code defines "vec4 function(vec3 ..., vec3 ...)".
bool DefinesFillFunction(const FxEffect& effect, const std::string& function);

// ---- Compiled form ------------------------------------------------------

// The compiled file is the parsed effect in a small binary form. Reading is
// strict: any inconsistency (bad magic, short data, out-of-range index)
// refuses the whole file.
std::vector<std::uint8_t> SerializeEffect(const FxEffect& effect);
std::optional<FxEffect> DeserializeEffect(const std::uint8_t* data, std::size_t size);

// Maps "#line"-numbered compiler messages ("ERROR: 2:17: ...") back to file
// names: replaces a leading "<n>:<line>:" by "<file>:<line>:".
std::string MapGlslMessage(const FxEffect& effect, const std::string& message);

}  // namespace plat
