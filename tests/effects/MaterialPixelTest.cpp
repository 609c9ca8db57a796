// The material kinds drawing on llvmpipe: every kind draws, a lit sphere is
// lit from its light's side, a caster darkens the ground below it, and the
// skybox fills the background and follows the eye.
#include <algorithm>
#include <vector>

#include "MaterialScene.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/TextureMan.h"
#include "support/Screenshot.h"

namespace {

int Brightness(D3DCOLOR c) { return int((c >> 16) & 0xFF) + int((c >> 8) & 0xFF) + int(c & 0xFF); }

class MaterialPixels : public MaterialScene {
protected:
    void SetUp() override {
        settings.backBufferWidth = settings.width = 96;
        settings.backBufferHeight = settings.height = 72;
        MaterialScene::SetUp();
        if (HasFatalFailure()) return;
        device = video.Device();
        scene = eTable::Find<Scene>(names::MainScene);
    }

    std::vector<D3DCOLOR> Frame(const char* savedAs = nullptr) {
        video.Update();
        std::vector<D3DCOLOR> pixels;
        UINT w = 0, h = 0;
        device->ReadBackBuffer(&pixels, &w, &h);
        if (savedAs) SaveScreenshot(pixels, w, "effects", savedAs);
        return pixels;
    }
    D3DCOLOR At(const std::vector<D3DCOLOR>& frame, int x, int y) const {
        return frame[std::size_t(y) * settings.backBufferWidth + x] | 0xFF000000u;
    }
    // Where a world point lands on the back buffer.
    POINT Project(const D3DXVECTOR3& p) const {
        const D3DXMATRIX* vp = EffectParams::GetMatrix(sem::ViewProjection);
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &p, vp);
        POINT pt;
        pt.x = LONG((clip.x / clip.w * 0.5f + 0.5f) * settings.backBufferWidth);
        pt.y = LONG((0.5f - clip.y / clip.w * 0.5f) * settings.backBufferHeight);
        return pt;
    }
    ObjectMesh* AddMesh(const char* file, std::uint32_t kind, std::uint8_t flags, const D3DXVECTOR3& at, float scale,
                        const float diffuse[4] = nullptr) {
        SurfaceData surface;
        if (diffuse) std::copy(diffuse, diffuse + 4, surface.diff);
        MeshObjectDesc desc(flags, file, kind, surface, 1);
        ObjectMesh* object = scene->CreateMeshObject(&desc);
        object->SetPosition(at.x, at.y, at.z);
        object->SetScale(scale, scale, scale);
        return object;
    }

    IDirect3DDevice9* device = nullptr;
    Scene* scene = nullptr;
};

TEST_F(MaterialPixels, EveryKindDrawsAMeshOrSaysItDrawsNone) {
    AddPoint(D3DXVECTOR3(-2, 3, -3), 20);
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    const float white[4] = {1, 1, 1, 1};
    EffectParams::SetVector(sem::DiffuseColor, white);
    const POINT centre = Project(D3DXVECTOR3(0, 0, -1));
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    IDirect3DBaseTexture9* skyCube = textures->GetTexture("desertSky.dds", 2, nullptr);
    for (std::uint32_t kind = 0; kind < 25; ++kind) {
        Material* m = materials->GetMaterial(static_cast<std::int32_t>(kind), nullptr);
        ASSERT_NE(m, nullptr);
        if (kind != 0) {
            EXPECT_TRUE(m->effect && m->effect->IsLoaded()) << kind;
        }
        // The sky is its cube texture; every other kind draws untextured.
        EffectParams::SetTexture(sem::BaseTexture0, kind == 2 ? skyCube : nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        D3DXMATRIX w = world;
        const std::int32_t drawn = m->Render(sphere, &w, nullptr);
        device->EndScene();
        std::vector<D3DCOLOR> pixels;
        UINT width = 0, height = 0;
        device->ReadBackBuffer(&pixels, &width, &height);
        const bool quadKind = kind == 5 || kind == 23;
        EXPECT_EQ(drawn, quadKind ? Material::kFailed : Material::kDrawn) << kind;
        EXPECT_EQ(m->DrawBuffers(nullptr, nullptr, 0, 0, 0, 24, 0), Material::kFailed) << kind;
        // Kinds 7 and 8 write nothing outside the shadow pass; 0 never does.
        const bool visible = !(quadKind || kind == 0 || kind == 7 || kind == 8);
        EXPECT_EQ((At(pixels, centre.x, centre.y) & 0xFFFFFF) != 0, visible) << kind;
        materials->ReleaseType(static_cast<std::int32_t>(kind));
    }
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
    textures->ReleaseTexture(skyCube);
}

TEST_F(MaterialPixels, ALitSphereFacesItsLightAndFallsBackToBasicOutOfRange) {
    const float red[4] = {0.8f, 0.2f, 0.2f, 1.0f};
    ObjectMesh* ball = AddMesh("Body/sphereMedium.x", 3, 0, D3DXVECTOR3(0, 0, 0), 1.0f, red);
    Light* lamp = AddPoint(D3DXVECTOR3(-4, 0, -1), 20);
    const std::vector<D3DCOLOR> lit = Frame("lit_sphere.png");
    const POINT left = Project(D3DXVECTOR3(-0.7f, 0, -0.7f)), right = Project(D3DXVECTOR3(0.7f, 0, -0.7f));
    EXPECT_GT(Brightness(At(lit, left.x, left.y)), Brightness(At(lit, right.x, right.y)) + 60);

    // Out of range: drawn flat in the surface colour by the basic kind.
    lamp->position[0] = -40.0f;
    const std::vector<D3DCOLOR> flat = Frame("unlit_sphere.png");
    const D3DCOLOR expected = testfx::Argb(0.8f, 0.2f, 0.2f);
    EXPECT_TRUE(testfx::Near(At(flat, left.x, left.y), expected)) << std::hex << At(flat, left.x, left.y);
    EXPECT_TRUE(testfx::Near(At(flat, right.x, right.y), expected)) << std::hex << At(flat, right.x, right.y);
    scene->RemoveObject(ball, false);
}

TEST_F(MaterialPixels, ACasterDarkensTheGroundBelowItAndNowhereElse) {
    LookFrom(D3DXVECTOR3(0, 4, -5), D3DXVECTOR3(0, 0, 0));
    AddMesh("ground.x", 17, 8, D3DXVECTOR3(0, 0, 0), 10.0f);
    AddPoint(D3DXVECTOR3(0, 6, 0), 30);
    ObjectMesh* plain = AddMesh("Body/sphereMedium.x", 3, 0, D3DXVECTOR3(0, 1.5f, 0), 0.7f);
    const std::vector<D3DCOLOR> without = Frame();
    scene->RemoveObject(plain, false);
    AddMesh("Body/sphereMedium.x", 3, 4, D3DXVECTOR3(0, 1.5f, 0), 0.7f);
    const std::vector<D3DCOLOR> with = Frame("cast_shadow.png");

    // Just in front of the sphere's foot (the sphere hides the rest).
    const POINT under = Project(D3DXVECTOR3(0, 0, -0.5f));
    EXPECT_LT(Brightness(At(with, under.x, under.y)), Brightness(At(without, under.x, under.y)) - 20);
    const POINT far = Project(D3DXVECTOR3(2.5f, 0, 2.0f));
    EXPECT_TRUE(testfx::Near(At(with, far.x, far.y), At(without, far.x, far.y)));
}

TEST_F(MaterialPixels, TheSkyFillsTheBackgroundAndTurnsButNeverMovesWithTheBox) {
    ObjectMesh* sky = AddMesh("skybox.x", 2, 0, D3DXVECTOR3(0, 0, 0), 10.0f);
    ASSERT_TRUE(sky->SetTextureSlot("desertSky.dds", sem::BaseTexture0, 0, 2));
    const std::vector<D3DCOLOR> first = Frame("sky.png");
    const D3DCOLOR clear = 0xFF000666;  // the settings' clear colour
    for (D3DCOLOR c : first) EXPECT_NE(c | 0xFF000000u, clear);

    sky->SetPosition(50, -20, 7);
    EXPECT_EQ(Frame(), first);
    LookFrom(D3DXVECTOR3(3, 1, -2), D3DXVECTOR3(3, 1, 3));  // the eye moves, the view keeps its direction
    EXPECT_EQ(Frame(), first);
    sky->SetRotationYawPitchRoll(0.0f, 1.0f, 0.0f);
    EXPECT_NE(Frame("sky_turned.png"), first);
}

}  // namespace
