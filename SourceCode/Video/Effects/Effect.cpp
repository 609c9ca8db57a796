#include "Video/Effects/Effect.h"

#include <algorithm>

#include "Video/Effects/EffectInclude.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"

namespace {

constexpr D3DFORMAT kDefaultFormat = D3DFMT_A8R8G8B8;
constexpr std::int32_t kDefaultSize = 64;
constexpr DWORD kColourKey = 0xFFFF00FF;
constexpr DWORD kFullMipChain = 0xFFFFFFFF;
// What the procedural textures of one effect file may hold in all, mip
// levels included: 64 MiB at the default format, and far more than the
// game's own (a 32^3 noise volume). Each texel is rendered and read back at
// load, through a float copy for formats the device cannot render into, so a
// file asking for more would claim gigabytes or be refused by the device.
constexpr std::uint64_t kMostProcTexels = std::uint64_t(1) << 24;

// What the annotations of one parameter ask for.
struct ProcRequest {
    const char* function = nullptr;
    const char* target = nullptr;
    const char* type = nullptr;
    const char* name = nullptr;
    std::int32_t width = -1;
    std::int32_t height = -1;
    std::int32_t depth = -1;
    std::int32_t format = 0;
};

ProcRequest ReadAnnotations(ID3DXEffect* fx, D3DXHANDLE parameter, UINT count) {
    ProcRequest request;
    for (UINT i = 0; i < count; ++i) {
        D3DXHANDLE annotation = fx->GetAnnotation(parameter, i);
        D3DXPARAMETER_DESC desc;
        if (!annotation || FAILED(fx->GetParameterDescOfAnnotation(annotation, &desc)) || !desc.Name) continue;
        const std::string name = desc.Name;
        const char** text = name == "function" ? &request.function
                            : name == "target" ? &request.target
                            : name == "type"   ? &request.type
                            : name == "name"   ? &request.name
                                               : nullptr;
        std::int32_t* number = name == "width"    ? &request.width
                               : name == "height" ? &request.height
                               : name == "depth"  ? &request.depth
                               : name == "format" ? &request.format
                                                  : nullptr;
        if (text) {
            const char* value = nullptr;
            if (SUCCEEDED(fx->GetString(annotation, &value))) *text = value;
        } else if (number) {
            INT value = 0;
            if (SUCCEEDED(fx->GetInt(annotation, &value))) *number = value;
        }
    }
    return request;
}

// The kind a "type" annotation names; -1 for a name that names none.
int KindOf(const char* type) {
    if (!type) return ProcTexture::k2D;
    const std::string text = type;
    if (text == "volume") return ProcTexture::kVolume;
    if (text == "cube") return ProcTexture::kCube;
    return -1;
}

std::uint32_t SizeOrDefault(std::int32_t asked) {
    return static_cast<std::uint32_t>(asked == -1 ? kDefaultSize : asked);
}

// The first side of the request that the device cannot make, said for the
// error stream; empty when every side fits its caps. Counted in 64 bits, so
// that a negative annotation is no side near 2^32.
std::string SizeProblem(const ProcRequest& request, int kind, const D3DCAPS9& caps) {
    struct Side {
        const char* name;
        std::int32_t asked;
        DWORD largest;
    };
    const bool volume = kind == ProcTexture::kVolume;
    const Side sides[] = {
        {"width", request.width, volume ? caps.MaxVolumeExtent : caps.MaxTextureWidth},
        {"height", request.height, volume ? caps.MaxVolumeExtent : caps.MaxTextureHeight},
        {"depth", request.depth, caps.MaxVolumeExtent},
    };
    // A cube has one edge, the width; only a volume has a depth.
    const int count = kind == ProcTexture::kCube ? 1 : volume ? 3 : 2;
    for (int i = 0; i < count; ++i) {
        const std::int64_t side = sides[i].asked == -1 ? kDefaultSize : sides[i].asked;
        if (side >= 1 && side <= std::int64_t(sides[i].largest)) continue;
        return std::string(sides[i].name) + " " + std::to_string(side) + " is not a size from 1 to " +
               std::to_string(sides[i].largest);
    }
    return {};
}

// Texels of a texture and its full mip chain, every face of a cube. Sides
// past the caps may wrap the count: Fits refuses those before it looks.
std::uint64_t TexelsWithMips(const ProcRequest& request, int kind) {
    std::uint64_t width = SizeOrDefault(request.width);
    std::uint64_t height = kind == ProcTexture::kCube ? width : SizeOrDefault(request.height);
    std::uint64_t depth = kind == ProcTexture::kVolume ? SizeOrDefault(request.depth) : 1;
    std::uint64_t texels = 0;
    for (;;) {
        texels += width * height * depth;
        if (width == 1 && height == 1 && depth == 1) break;
        width = std::max<std::uint64_t>(1, width / 2);
        height = std::max<std::uint64_t>(1, height / 2);
        depth = std::max<std::uint64_t>(1, depth / 2);
    }
    return kind == ProcTexture::kCube ? texels * 6 : texels;
}

// Why a texture of `texels` would hold more than the effect has left, said
// for the error stream; empty when it fits.
std::string TexelProblem(std::uint64_t texels, std::uint64_t texelsLeft) {
    if (texels <= texelsLeft) return {};
    return std::to_string(texels) + " texels with its mip levels, more than the " + std::to_string(texelsLeft) +
           " left to the effect's procedural textures";
}

// Whether the device can make the texture the request asks for, and the
// effect may hold its texels (with mips) beside those it holds; a line on the
// error stream says why not.
bool Fits(const ProcRequest& request, int kind, const char* fileName, const std::string& name,
          std::uint64_t texels, std::uint64_t texelsLeft) {
    IDirect3DDevice9* device = RunningDevice();
    D3DCAPS9 caps{};
    if (!device || FAILED(device->GetDeviceCaps(&caps))) return false;
    std::string problem = SizeProblem(request, kind, caps);
    // The sides are within the caps before their texels are counted.
    if (problem.empty()) problem = TexelProblem(texels, texelsLeft);
    if (problem.empty()) return true;
    plat::LogErrorF("%s: procedural texture \"%s\": %s\n", fileName, name.c_str(), problem.c_str());
    return false;
}

// The text of a D3DX error buffer, which it releases; a word on the file
// when there is none.
std::string TextOf(ID3DXBuffer* errors, const std::string& file) {
    if (!errors) return file + ": failed";
    std::string text(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
    errors->Release();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

HRESULT Fill(IDirect3DBaseTexture9* texture, int kind, const void* code) {
    switch (kind) {
    case ProcTexture::kVolume:
        if (texture->GetType() != D3DRTYPE_VOLUMETEXTURE) return E_FAIL;
        return D3DXFillVolumeTextureTX(static_cast<IDirect3DVolumeTexture9*>(texture), code, nullptr, 0);
    case ProcTexture::kCube:
        if (texture->GetType() != D3DRTYPE_CUBETEXTURE) return E_FAIL;
        return D3DXFillCubeTextureTX(static_cast<IDirect3DCubeTexture9*>(texture), code, nullptr, 0);
    default:
        if (texture->GetType() != D3DRTYPE_TEXTURE) return E_FAIL;
        return D3DXFillTextureTX(static_cast<IDirect3DTexture9*>(texture), code, nullptr, 0);
    }
}

}  // namespace

Effect::~Effect() { Release(); }

bool Effect::Load(const char* fileName) {
    Release();
    if (!fileName) return false;
    IDirect3DDevice9* device = RunningDevice();
    if (!device) return false;
    const std::string path = AssetRoot() + "/Assets/Shaders/" + plat::ForwardSlashes(fileName);
    ID3DXEffect* loaded = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT made = D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &loaded, &errors);
    // Whatever draws with an effect that did not load draws nothing at all.
    if (FAILED(made) || !loaded) {
        plat::LogError("Error: Effect not loaded: " + TextOf(errors, path));
        return false;
    }
    effect = loaded;

    D3DXEFFECT_DESC desc;
    effect->GetDesc(&desc);
    parameterCount = desc.Parameters;
    techniqueCount = desc.Techniques;
    techniques.assign(techniqueCount, TechniqueRecord{});
    for (std::uint32_t t = 0; t < techniqueCount; ++t) {
        TechniqueRecord& record = techniques[t];
        record.handle = effect->GetTechnique(t);
        D3DXTECHNIQUE_DESC techniqueDesc;
        if (FAILED(effect->GetTechniqueDesc(record.handle, &techniqueDesc))) continue;
        record.passCount = techniqueDesc.Passes;
        for (std::uint32_t p = 0; p < record.passCount; ++p) record.passes.push_back(effect->GetPass(record.handle, p));
    }
    for (int s = 0; s < sem::Count; ++s) handles[s] = effect->GetParameterBySemantic(nullptr, EffectSemantics[s]);
    CreateProceduralTextures(fileName);
    return true;
}

void Effect::Release() {
    if (effect) {
        effect->Release();
        effect = nullptr;
    }
    techniques.clear();
    techniqueCount = 0;
    parameterCount = 0;
    if (!procTextures.empty()) {
        auto* textures = static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
        for (ProcTexture& proc : procTextures) {
            if (textures) textures->ReleaseTexture(proc.texture);
        }
        procTextures.clear();
    }
    procTexels = 0;
    for (D3DXHANDLE& handle : handles) handle = nullptr;
}

void Effect::CreateProceduralTextures(const char* fileName) {
    if (!effect || !fileName) return;
    for (std::uint32_t i = 0; i < parameterCount; ++i) {
        D3DXHANDLE parameter = effect->GetParameter(nullptr, i);
        if (parameter) CreateProceduralTexture(parameter, fileName);
    }
}

void Effect::CreateProceduralTexture(D3DXHANDLE parameter, const char* fileName) {
    D3DXPARAMETER_DESC desc;
    if (FAILED(effect->GetParameterDesc(parameter, &desc))) return;
    const ProcRequest request = ReadAnnotations(effect, parameter, desc.Annotations);
    if (!request.function) return;
    const char* target = request.target ? request.target : "tx_1_0";

    // The source is the compiled file's name less its last letter
    // ("fxBasic.fxo" -> "fxBasic.fx"). Sources live in the include folder;
    // one in the game's folder itself is taken when the include folder has
    // none.
    const std::string folder = AssetRoot() + "/SourceCode/Video/Effects/";
    std::string source = plat::ForwardSlashes(fileName);
    if (source.empty()) return;
    source.pop_back();
    const std::string inFolder = folder + source;
    const std::string inGameFolder = GamePath(source);
    // With neither, the folder's path is the one to name in the error.
    const bool useFolder =
        plat::TakeToRead(plat::LookForFile(inFolder)) || !plat::TakeToRead(plat::LookForFile(inGameFolder));
    const std::string sourcePath = useFolder ? inFolder : inGameFolder;

    EffectInclude include(folder);
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    if (FAILED(D3DXCompileShaderFromFileA(sourcePath.c_str(), nullptr, &include, request.function, target,
                                          D3DXSHADER_SKIPVALIDATION, &code, &errors, nullptr)) ||
        !code) {
        plat::LogError(std::string("Error: ") + fileName + ": procedural texture \"" + request.function +
                       "\" not made: " + TextOf(errors, sourcePath));
        return;
    }

    const int kind = KindOf(request.type);
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    const std::string name = request.name ? request.name : fileName;
    const std::uint64_t texels = kind >= 0 ? TexelsWithMips(request, kind) : 0;
    if (kind >= 0 && textures && Fits(request, kind, fileName, name, texels, kMostProcTexels - procTexels)) {
        TextureLoadInfo info;
        info.width = SizeOrDefault(request.width);
        info.height = SizeOrDefault(request.height);
        info.depth = SizeOrDefault(request.depth);
        info.mipLevels = kFullMipChain;
        info.colorKey = kColourKey;
        info.usage = 0;
        info.format = static_cast<std::uint32_t>(request.format == 0 ? static_cast<std::int32_t>(kDefaultFormat) : request.format);
        IDirect3DBaseTexture9* texture =
            textures->CreateTextureIfPossible(name.c_str(), static_cast<std::uint32_t>(kind), &info);
        if (!texture) {
            plat::LogErrorF("%s: procedural texture \"%s\": the device cannot make it\n", fileName, name.c_str());
        } else if (FAILED(Fill(texture, kind, code->GetBufferPointer()))) {
            textures->ReleaseTexture(texture);
        } else {
            procTextures.push_back({texture, name, static_cast<std::uint32_t>(kind)});
            procTexels += texels;
        }
    }
    code->Release();
}

const ProcTexture* Effect::FindProcTexture(const std::string& name) const {
    if (procTextures.empty()) return nullptr;
    for (const ProcTexture& proc : procTextures) {
        if (proc.name == name) return &proc;
    }
    return &procTextures.front();
}
