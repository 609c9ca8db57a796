// Materials inside a real video system: scene and light values bound through
// the effect's handles, and meshes drawn by technique index. The kinds load
// their own file names, so the test lays compiled effects out under those
// names in its working directory.
#include <gtest/gtest.h>

#include <cstring>

#include "TestEffects.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"
#include "support/GameWindow.h"

namespace {

namespace fs = std::filesystem;

class MaterialDraw : public ::testing::Test {
protected:
    void SetUp() override {
        EffectParams::ClearForTests();
        // Kind 3 (plastic) gets the test effect, kind 1 the game's basic one.
        const fs::path shaders = dir.Path() / "Assets/Shaders";
        testfx::LayOutWorkingDirectory(dir.Path());
        fs::copy_file(shaders / "fxTest.fxo", shaders / "fxPlastic.fxo");
        fs::copy_file(dir.Path() / "SourceCode/Video/Effects/fxTest.fx",
                      dir.Path() / "SourceCode/Video/Effects/fxPlastic.fx");
        testfx::CompileFrom(ScopedTempDir::RepositoryRoot() / "SourceCode/Video/Effects", "fxBasic.fx", shaders);
        testfx::WriteSettings();
        ASSERT_NE(gameWindow.Handle(), nullptr);
        ASSERT_TRUE(video.Init());
        materials = eTable::Find<MaterialMan>(names::MaterialMan);
        ASSERT_NE(materials, nullptr);
    }
    void TearDown() override {
        video.Shutdown();
    }
    D3DXVECTOR4 Value(Material* m, int semantic) {
        D3DXVECTOR4 v(0, 0, 0, 0);
        EXPECT_EQ(m->effect->effect->GetVector(m->effect->handles[semantic], &v), D3D_OK) << semantic;
        return v;
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    MaterialMan* materials = nullptr;
};

TEST_F(MaterialDraw, SceneValuesAndLookupTexturesAreBound) {
    Material* plastic = materials->GetMaterial(3, nullptr);
    ASSERT_TRUE(plastic->effect->IsLoaded());
    ID3DXEffect* fx = plastic->effect->effect;
    const float diffuse[4] = {0.5f, 0.25f, 1.0f, 0.75f};
    EffectParams::SetVector(sem::DiffuseColor, diffuse);
    const std::uint32_t power[4] = {17, 0, 0, 0};
    EffectParams::SetIntVector(sem::SpecularPower, power);

    EXPECT_EQ(plastic->BindSceneParams(), 0);
    const D3DXVECTOR4 bound = Value(plastic, sem::DiffuseColor);
    EXPECT_FLOAT_EQ(bound.z, 1.0f);
    EXPECT_FLOAT_EQ(bound.w, 0.75f);
    INT boundPower = 0;
    fx->GetInt(plastic->effect->handles[sem::SpecularPower], &boundPower);
    EXPECT_EQ(boundPower, 17);
    // "NoiseLookUp" by its name; "FresnelLookUp" is not declared, so the
    // first procedural texture stands in for it.
    IDirect3DBaseTexture9* texture = nullptr;
    fx->GetTexture(plastic->effect->handles[sem::LookupTexture0], &texture);
    EXPECT_EQ(texture, plastic->effect->FindProcTexture("NoiseLookUp")->texture);
    if (texture) texture->Release();
    fx->GetTexture(plastic->effect->handles[sem::LookupTexture1], &texture);
    EXPECT_EQ(texture, plastic->effect->procTextures[0].texture);
    if (texture) texture->Release();

    // With a base texture the base technique index is 1.
    IDirect3DBaseTexture9* base = plastic->effect->procTextures[1].texture;
    EffectParams::SetTexture(sem::BaseTexture0, base);
    EXPECT_EQ(plastic->BindSceneParams(), 1);
    fx->GetTexture(plastic->effect->handles[sem::BaseTexture0], &texture);
    EXPECT_EQ(texture, base);
    if (texture) texture->Release();
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
}

TEST_F(MaterialDraw, LightsAreGivenInObjectSpace) {
    Material* plastic = materials->GetMaterial(3, nullptr);
    D3DXMATRIX world, inverse;
    // A caster turned 90 degrees about z: the world's down is its -x.
    D3DXMatrixRotationZ(&world, D3DX_PI / 2);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    Light sun;
    sun.type = LightInfo::kDirectional;
    sun.direction[1] = -1.0f;
    EXPECT_EQ(plastic->BindLight(&sun, &inverse), 0);
    const D3DXVECTOR4 direction = Value(plastic, sem::LightDirection);
    EXPECT_NEAR(direction.x, -1.0f, 1e-6f);
    EXPECT_NEAR(direction.y, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(direction.w, 0.0f);

    D3DXMatrixTranslation(&world, 1, 0, 0);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    Light lamp;
    lamp.type = LightInfo::kPoint;
    lamp.position[0] = 1;
    lamp.position[1] = 2;
    lamp.position[2] = 3;
    lamp.range = 9;
    lamp.attenuation[0] = 0.5f;
    lamp.attenuation[2] = 0.25f;
    EXPECT_EQ(plastic->BindLight(&lamp, &inverse), 1);
    const D3DXVECTOR4 position = Value(plastic, sem::LightPosition);
    EXPECT_FLOAT_EQ(position.x, 0.0f);
    EXPECT_FLOAT_EQ(position.z, 3.0f);
    EXPECT_FLOAT_EQ(position.w, 1.0f);
    const D3DXVECTOR4 attenuation = Value(plastic, sem::LightAttenuation);
    EXPECT_FLOAT_EQ(attenuation.x, 0.5f);
    EXPECT_FLOAT_EQ(attenuation.z, 0.25f);
    EXPECT_FLOAT_EQ(attenuation.w, 9.0f);
}

// A quad over the left half of the screen in clip space, wound clockwise.
bool MakeLeftHalfQuad(Mesh* mesh) {
    if (!mesh->CreateMeshFVF(2, 4, D3DFVF_XYZ, D3DXMESH_MANAGED)) return false;
    const float positions[12] = {-1, 1, 0.5f, 0, 1, 0.5f, -1, -1, 0.5f, 0, -1, 0.5f};
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockVertexBuffer(0, &data))) return false;
    std::memcpy(data, positions, sizeof positions);
    mesh->mesh->UnlockVertexBuffer();
    const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    if (FAILED(mesh->mesh->LockIndexBuffer(0, &data))) return false;
    std::memcpy(data, indices, sizeof indices);
    mesh->mesh->UnlockIndexBuffer();
    return true;
}

TEST_F(MaterialDraw, DrawMeshRunsTheTechniqueByIndexAndKeepsTheCurrentOneBeyondTheCount) {
    Material* basic = materials->GetMaterial(1, nullptr);
    ASSERT_TRUE(basic->effect->IsLoaded());
    ASSERT_EQ(basic->effect->techniqueCount, 2u);
    Mesh mesh;
    ASSERT_TRUE(MakeLeftHalfQuad(&mesh));
    IDirect3DDevice9* device = video.Device();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    basic->effect->effect->SetMatrix(basic->effect->handles[sem::WorldViewProjection], &identity);

    const float red[4] = {1, 0, 0, 1};
    EffectParams::SetVector(sem::DiffuseColor, red);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(basic->BindSceneParams(), 0);
    EXPECT_EQ(basic->DrawMesh(&mesh, 0), Material::kDrawn);
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
    device->ReadBackBuffer(&pixels, &width, &height);
    EXPECT_TRUE(testfx::Near(pixels[10 * width + 5], 0xFFFF0000)) << std::hex << pixels[10 * width + 5];
    EXPECT_TRUE(testfx::Near(pixels[10 * width + width - 5], 0xFF000000));

    const float blue[4] = {0, 0, 1, 1};
    EffectParams::SetVector(sem::DiffuseColor, blue);
    basic->BindSceneParams();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(basic->DrawMesh(&mesh, 7), Material::kDrawn);
    device->ReadBackBuffer(&pixels, &width, &height);
    EXPECT_TRUE(testfx::Near(pixels[10 * width + 5], 0xFF0000FF)) << std::hex << pixels[10 * width + 5];

    // A kind whose effect file is missing draws nothing and says so.
    Material* skybox = materials->GetMaterial(2, nullptr);
    EXPECT_FALSE(skybox->effect->IsLoaded());
    EXPECT_EQ(skybox->DrawMesh(&mesh, 0), Material::kFailed);
}

}  // namespace
