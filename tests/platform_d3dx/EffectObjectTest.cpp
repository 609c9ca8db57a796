// The platform's effect object on a real device (llvmpipe): loading the
// compiled form, handles and annotations, techniques by index, pass states
// and their restoration, and procedural texture fills read back texel by
// texel.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/d3dx/D3DXEffect.h"
#include "effects/TestEffects.h"
#include "support/TempDir.h"
#include "support/TestDevice.h"

namespace {

namespace fs = std::filesystem;

using testfx::Argb;
using testfx::DataDir;
using testfx::Near;
using FolderInclude = testfx::DataInclude;

std::string CompileTestEffect(const fs::path& dir) { return testfx::Compile("fxTest.fx", dir); }

struct ClipVertex {
    float x, y, z, w;
};

// A quad over the whole target, in clip space (the world-view-projection
// parameter is the identity).
void DrawFullQuad(IDirect3DDevice9* device) {
    const ClipVertex quad[4] = {{-1, 1, 0.5f, 1}, {1, 1, 0.5f, 1}, {-1, -1, 0.5f, 1}, {1, -1, 0.5f, 1}};
    device->SetFVF(D3DFVF_XYZW);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ClipVertex));
}

class EffectObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        path = CompileTestEffect(dir.Path());
        ASSERT_EQ(D3DXCreateEffectFromFileA(t.device, path.c_str(), nullptr, nullptr, 0, nullptr, &fx, nullptr),
                  D3D_OK);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        fx->SetMatrix(fx->GetParameterBySemantic(nullptr, "WORLDVIEWPROJECTION"), &identity);
    }
    void TearDown() override {
        if (fx) fx->Release();
    }
    void DrawTechnique(UINT index) {
        ASSERT_EQ(fx->SetTechnique(fx->GetTechnique(index)), D3D_OK);
        UINT passes = 0;
        ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
        for (UINT p = 0; p < passes; ++p) {
            fx->Pass(p);
            DrawFullQuad(t.device);
        }
        fx->End();
    }

    ScopedTempDir dir;
    TestDevice t{32, 32};
    std::string path;
    ID3DXEffect* fx = nullptr;
};

TEST_F(EffectObject, DescribesTechniquesParametersAndAnnotations) {
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(fx->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Techniques, 4u);
    EXPECT_EQ(desc.Parameters, 13u);
    D3DXTECHNIQUE_DESC technique;
    ASSERT_EQ(fx->GetTechniqueDesc(fx->GetTechnique(2), &technique), D3D_OK);
    EXPECT_EQ(technique.Passes, 2u);
    EXPECT_STREQ(technique.Name, "Additive");
    EXPECT_NE(fx->GetPass(fx->GetTechnique(2), 1), nullptr);
    EXPECT_EQ(fx->GetPass(fx->GetTechnique(2), 2), nullptr);
    EXPECT_EQ(fx->GetTechnique(4), nullptr);

    D3DXHANDLE diffuse = fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR");
    ASSERT_NE(diffuse, nullptr);
    EXPECT_EQ(fx->GetParameterBySemantic(nullptr, "diffusecolor"), diffuse);
    EXPECT_EQ(fx->GetParameterBySemantic(nullptr, "LIGHTCOLOR"), nullptr);
    EXPECT_EQ(fx->GetParameter(nullptr, 1), diffuse);
    D3DXPARAMETER_DESC pd;
    ASSERT_EQ(fx->GetParameterDesc(diffuse, &pd), D3D_OK);
    EXPECT_STREQ(pd.Name, "gDiffuse");
    EXPECT_EQ(pd.Annotations, 2u);

    const char* text = nullptr;
    INT number = 0;
    ASSERT_EQ(fx->GetString(fx->GetAnnotation(diffuse, 0), &text), D3D_OK);
    EXPECT_STREQ(text, "Diffuse");
    ASSERT_EQ(fx->GetInt(fx->GetAnnotationByName(diffuse, "UIOrder"), &number), D3D_OK);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(fx->GetInt(fx->GetAnnotation(diffuse, 0), &number), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->GetAnnotation(diffuse, 2), nullptr);
}

TEST_F(EffectObject, BadHandlesFailAndKeepTheCurrentTechnique) {
    EXPECT_EQ(fx->GetCurrentTechnique(), fx->GetTechnique(0));
    EXPECT_EQ(fx->SetTechnique(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->GetCurrentTechnique(), fx->GetTechnique(0));
    EXPECT_EQ(fx->SetTechnique(fx->GetTechnique(1)), D3D_OK);
    EXPECT_EQ(fx->SetTechnique(fx->GetTechnique(7)), D3DERR_INVALIDCALL);
    // A parameter handle is not a technique, and an address inside a record
    // is no handle at all.
    D3DXHANDLE parameter = fx->GetParameter(nullptr, 0);
    EXPECT_EQ(fx->SetTechnique(parameter), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetTechnique(static_cast<const char*>(fx->GetTechnique(1)) + 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->GetCurrentTechnique(), fx->GetTechnique(1));

    const D3DXVECTOR4 v(1, 2, 3, 4);
    EXPECT_EQ(fx->SetVector(nullptr, &v), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetInt(fx->GetTechnique(0), 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetTexture(fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR"), nullptr), D3DERR_INVALIDCALL);
    UINT passes = 7;
    EXPECT_EQ(fx->Pass(0), D3DERR_INVALIDCALL);  // not begun
    EXPECT_EQ(fx->End(), D3DERR_INVALIDCALL);
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(fx->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->Pass(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->End(), D3D_OK);
}

// An int parameter given floats reads them truncated toward zero; NaN and
// values beyond the int range read as 0 and the range's ends.
TEST_F(EffectObject, FloatsGivenToAnIntParameterReadAsWholeNumbersInRange) {
    D3DXHANDLE power = fx->GetParameterBySemantic(nullptr, "SPECULARPOWER");
    INT n = 0;
    const std::pair<float, INT> cases[] = {{7.9f, 7},         {-7.9f, -7},        {1e20f, INT_MAX},
                                           {-1e20f, INT_MIN}, {std::nanf(""), 0}, {-2147483648.0f, INT_MIN}};
    for (const auto& [given, read] : cases) {
        ASSERT_EQ(fx->SetFloat(power, given), D3D_OK);
        ASSERT_EQ(fx->GetInt(power, &n), D3D_OK);
        EXPECT_EQ(n, read) << given;
    }
    const D3DXVECTOR4 huge(3e9f, 0, 0, 0);
    ASSERT_EQ(fx->SetVector(power, &huge), D3D_OK);
    ASSERT_EQ(fx->GetInt(power, &n), D3D_OK);
    EXPECT_EQ(n, INT_MAX);
    EXPECT_EQ(fx->SetVector(power, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetMatrix(power, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(EffectObject, TechniquesZeroAndOneDrawDifferentPixels) {
    const D3DXVECTOR4 red(1, 0, 0, 1);
    fx->SetVector(fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR"), &red);
    fx->SetInt(fx->GetParameterBySemantic(nullptr, "SPECULARPOWER"), 8);
    t.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    DrawTechnique(0);
    EXPECT_TRUE(Near(t.Pixel(16, 16), 0xFFFF0000)) << std::hex << t.Pixel(16, 16);
    DrawTechnique(1);
    EXPECT_TRUE(Near(t.Pixel(16, 16), 0xFF00FF00)) << std::hex << t.Pixel(16, 16);
}

TEST_F(EffectObject, ValuesSetBetweenPassAndDrawReachTheShader) {
    D3DXHANDLE diffuse = fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR");
    const D3DXVECTOR4 red(1, 0, 0, 1), blue(0, 0, 1, 1);
    fx->SetVector(diffuse, &red);
    EXPECT_EQ(fx->CommitChanges(), D3DERR_INVALIDCALL);  // no pass to commit to
    UINT passes = 0;
    fx->Begin(&passes, 0);
    fx->Pass(0);
    fx->SetVector(diffuse, &blue);
    EXPECT_EQ(fx->CommitChanges(), D3D_OK);
    DrawFullQuad(t.device);
    fx->End();
    EXPECT_TRUE(Near(t.Pixel(3, 3), 0xFF0000FF)) << std::hex << t.Pixel(3, 3);
}

TEST_F(EffectObject, PassStatesTakeEffectAndEndRestoresThem) {
    const D3DXVECTOR4 quarterRed(0.25f, 0, 0, 1);
    fx->SetVector(fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR"), &quarterRed);
    t.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    t.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    t.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF200000, 1.0f, 0);

    // Additive blending adds the quarter red once (the second pass writes no
    // colour at all).
    DrawTechnique(2);
    EXPECT_TRUE(Near(t.Pixel(5, 20), Argb(0x60 / 255.0f, 0, 0))) << std::hex << t.Pixel(5, 20);
    DWORD value = 0;
    t.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    t.device->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
    EXPECT_EQ(value, 0xFu);
    t.device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    t.device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    t.device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(t.device->GetProgram(), nullptr);

    // A depth test that never passes draws nothing.
    DrawTechnique(3);
    EXPECT_TRUE(Near(t.Pixel(5, 20), Argb(0x60 / 255.0f, 0, 0))) << std::hex << t.Pixel(5, 20);
    t.device->GetRenderState(D3DRS_ZFUNC, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_LESSEQUAL));
}

// End puts back only what the technique's passes set: a state no pass
// names, changed while the effect runs, stays as it was left; the textures of
// the effect's own sampler units come back.
TEST_F(EffectObject, EndRestoresOnlyWhatTheTechniquesPassesSet) {
    t.device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    t.device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    IDirect3DTexture9* before = nullptr;
    ASSERT_EQ(t.device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &before, nullptr), D3D_OK);
    t.device->SetTexture(0, before);
    ASSERT_EQ(fx->SetTechnique(fx->GetTechnique(2)), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(fx->Pass(0), D3D_OK);
    t.device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    t.device->SetTexture(0, nullptr);
    EXPECT_EQ(fx->End(), D3D_OK);
    DWORD value = 0;
    t.device->GetRenderState(D3DRS_FOGENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    t.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    IDirect3DBaseTexture9* after = nullptr;
    t.device->GetTexture(0, &after);
    EXPECT_EQ(after, before);
    if (after) after->Release();
    t.device->SetTexture(0, nullptr);
    before->Release();

    // Begin without saving leaves the pass's states behind.
    ASSERT_EQ(fx->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
    fx->Pass(0);
    fx->End();
    t.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
}

TEST_F(EffectObject, LostDeviceEndsAnOpenBeginSoResetCanGoOn) {
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(fx->OnLostDevice(), D3D_OK);
    EXPECT_EQ(fx->End(), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.device->Reset(&t.pp), D3D_OK);
    EXPECT_EQ(fx->OnResetDevice(), D3D_OK);
    const D3DXVECTOR4 red(1, 0, 0, 1);
    fx->SetVector(fx->GetParameterBySemantic(nullptr, "DIFFUSECOLOR"), &red);
    DrawTechnique(0);
    EXPECT_TRUE(Near(t.Pixel(16, 16), 0xFFFF0000)) << std::hex << t.Pixel(16, 16);
}

TEST(EffectFile, MissingOrMalformedFilesGiveNoEffect) {
    TestDevice t(16, 16);
    ASSERT_TRUE(t.ok());
    ScopedTempDir dir;
    ID3DXEffect* fx = reinterpret_cast<ID3DXEffect*>(1);
    EXPECT_EQ(D3DXCreateEffectFromFileA(t.device, "nowhere.fxo", nullptr, nullptr, 0, nullptr, &fx, nullptr), E_FAIL);
    EXPECT_EQ(fx, nullptr);
    std::ofstream("junk.fxo") << "not an effect";
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileA(t.device, "junk.fxo", nullptr, nullptr, 0, nullptr, &fx, &errors), E_FAIL);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<char*>(errors->GetBufferPointer())).find("junk.fxo"), std::string::npos);
    errors->Release();
}

class TextureFill : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        const std::string source = (DataDir() / "fxTest.fx").string();
        ASSERT_EQ(D3DXCompileShaderFromFileA(source.c_str(), nullptr, &include, "Ramp", "tx_1_0", 0, &code, nullptr,
                                             nullptr),
                  D3D_OK);
    }
    void TearDown() override {
        if (code) code->Release();
    }
    TestDevice t{16, 16};
    FolderInclude include;
    ID3DXBuffer* code = nullptr;
};

TEST_F(TextureFill, TwoDimensionalTexelsAreTheFunctionAtTheirCentres) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(t.device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(D3DXFillTextureTX(texture, code->GetBufferPointer(), nullptr, 0), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            D3DCOLOR texel;
            std::memcpy(&texel, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            EXPECT_TRUE(Near(texel, Argb((x + 0.5f) / 8, (y + 0.5f) / 4, 0.25f), 1))
                << x << "," << y << " " << std::hex << texel;
        }
    }
    texture->UnlockRect(0);
    // The last level (1x1) holds the function at its single centre.
    const DWORD last = texture->GetLevelCount() - 1;
    ASSERT_EQ(texture->LockRect(last, &locked, nullptr, 0), D3D_OK);
    D3DCOLOR texel;
    std::memcpy(&texel, locked.pBits, 4);
    EXPECT_TRUE(Near(texel, Argb(0.5f, 0.5f, 0.25f), 1)) << std::hex << texel;
    texture->UnlockRect(last);
    texture->Release();
}

TEST_F(TextureFill, VolumeSlicesAndCubeFacesGetTheirPositions) {
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(t.device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr), D3D_OK);
    ASSERT_EQ(D3DXFillVolumeTextureTX(volume, code->GetBufferPointer(), nullptr, 0), D3D_OK);
    D3DLOCKED_BOX box;
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    D3DCOLOR texel;
    // Slice 3, row 1, column 2: (0.625, 0.375, 0.875).
    std::memcpy(&texel, static_cast<const std::uint8_t*>(box.pBits) + 3 * box.SlicePitch + 1 * box.RowPitch + 2 * 4, 4);
    EXPECT_TRUE(Near(texel, Argb(0.625f, 0.375f, 0.875f * 0.5f + 0.25f), 1)) << std::hex << texel;
    volume->UnlockBox(0);
    volume->Release();

    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(t.device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    ASSERT_EQ(D3DXFillCubeTextureTX(cube, code->GetBufferPointer(), nullptr, 0), D3D_OK);
    // The top-left texel of +X looks along (1, 0.75, 0.75), normalised; of
    // +Z along (-0.75, 0.75, 1).
    const float n = 1.0f / std::sqrt(1.0f + 2 * 0.5625f);
    D3DLOCKED_RECT rect;
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0, &rect, nullptr, 0), D3D_OK);
    std::memcpy(&texel, rect.pBits, 4);
    EXPECT_TRUE(Near(texel, Argb(n, 0.75f * n, 0.75f * n * 0.5f + 0.25f), 1)) << std::hex << texel;
    cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0);
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &rect, nullptr, 0), D3D_OK);
    std::memcpy(&texel, rect.pBits, 4);
    EXPECT_TRUE(Near(texel, Argb(0.0f, 0.75f * n, n * 0.5f + 0.25f), 1)) << std::hex << texel;
    cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0);
    cube->Release();
}

TEST_F(TextureFill, AnUndefinedFunctionDoesNotCompile) {
    ID3DXBuffer* other = nullptr;
    const std::string source = (DataDir() / "fxTest.fx").string();
    EXPECT_EQ(D3DXCompileShaderFromFileA(source.c_str(), nullptr, &include, "NotThere", "tx_1_0", 0, &other, nullptr,
                                         nullptr),
              E_FAIL);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(D3DXCompileShaderFromFileA("missing.fx", nullptr, &include, "Ramp", "tx_1_0", 0, &other, nullptr,
                                         nullptr),
              E_FAIL);
}

// Techniques are linked on their first Begin; what they draw is what they
// drew when every technique was linked at load.
TEST_F(EffectObject, TechniquesLinkedOnFirstBeginDrawAsThoseLinkedAtLoad) {
    auto drawEveryTechnique = [&](ID3DXEffect* effect) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        const D3DXVECTOR4 colour(0.25f, 0.5f, 0.75f, 0.5f);
        effect->SetMatrix(effect->GetParameterBySemantic(nullptr, "WORLDVIEWPROJECTION"), &identity);
        effect->SetVector(effect->GetParameterBySemantic(nullptr, "DIFFUSECOLOR"), &colour);
        std::vector<D3DCOLOR> frames;
        for (UINT technique = 0; technique < 4; ++technique) {
            t.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
            effect->SetTechnique(effect->GetTechnique(technique));
            UINT passes = 0;
            EXPECT_EQ(effect->Begin(&passes, 0), D3D_OK);
            for (UINT p = 0; p < passes; ++p) {
                effect->Pass(p);
                DrawFullQuad(t.device);
            }
            effect->End();
            const std::vector<D3DCOLOR> frame = t.Pixels();
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
        return frames;
    };
    const std::vector<D3DCOLOR> onFirstBegin = drawEveryTechnique(fx);
    plat::LinkEffectsAtLoad(true);
    ID3DXEffect* linkedAtLoad = nullptr;
    const HRESULT loaded =
        D3DXCreateEffectFromFileA(t.device, path.c_str(), nullptr, nullptr, 0, nullptr, &linkedAtLoad, nullptr);
    plat::LinkEffectsAtLoad(false);
    ASSERT_EQ(loaded, D3D_OK);
    const std::vector<D3DCOLOR> atLoad = drawEveryTechnique(linkedAtLoad);
    linkedAtLoad->Release();
    EXPECT_EQ(CountDifferentPixels(onFirstBegin, atLoad), 0u);
}

// A technique whose program does not build fails its first Begin with the
// reason on the error stream, as the load reported it when every technique
// was linked there; the effect's other techniques work.
TEST(EffectFile, ATechniqueThatDoesNotBuildFailsItsBeginWithTheReasonOnce) {
    TestDevice t(16, 16);
    ASSERT_TRUE(t.ok());
    ScopedTempDir dir;
    std::ofstream(dir.Path() / "fxFaulty.fx") << R"(
parameter mat4 gWvp : WORLDVIEWPROJECTION;
vertex VS {
    layout(location = TM_POSITION) in vec4 position;
    void main() { gl_Position = tmClip(position * gWvp); }
}
fragment Red {
    out vec4 colour;
    void main() { colour = vec4(1.0, 0.0, 0.0, 1.0); tmAlphaTest(colour.a); }
}
fragment Broken {
    out vec4 colour;
    void main() { colour = notDeclaredAnywhere; tmAlphaTest(colour.a); }
}
technique Fine { pass P0 { vertex = VS; fragment = Red; ZEnable = false; CullMode = None; } }
technique Faulty { pass Only { vertex = VS; fragment = Broken; ZEnable = false; CullMode = None; } }
)";
    const std::string path = testfx::CompileFrom(dir.Path(), "fxFaulty.fx", dir.Path() / "out");
    ASSERT_FALSE(path.empty());

    ID3DXEffect* fx = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileA(t.device, path.c_str(), nullptr, nullptr, 0, nullptr, &fx, nullptr), D3D_OK);
    UINT passes = 7;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    fx->End();
    ASSERT_EQ(fx->SetTechnique(fx->GetTechnique(1)), D3D_OK);
    testing::internal::CaptureStderr();
    EXPECT_EQ(fx->Begin(&passes, 0), E_FAIL);
    EXPECT_EQ(passes, 0u);
    EXPECT_EQ(fx->Begin(&passes, 0), E_FAIL);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fx->End(), D3DERR_INVALIDCALL);
    fx->Release();
    const std::string reason = path + ": Faulty/Only: ";
    const std::string line = "Error: Effect technique not linked: " + reason;
    const std::size_t at = said.find(line);
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_NE(said.find("notDeclaredAnywhere"), std::string::npos) << said;
    EXPECT_EQ(said.find(line, at + 1), std::string::npos) << "said twice: " << said;

    plat::LinkEffectsAtLoad(true);
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileA(t.device, path.c_str(), nullptr, nullptr, 0, nullptr, &fx, &errors), E_FAIL);
    plat::LinkEffectsAtLoad(false);
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(errors->GetBufferPointer())).find(reason), 0u);
    errors->Release();
}

}  // namespace
