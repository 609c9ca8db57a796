// What each family of material kinds draws: the technique it picks for the
// lights that reach an object, its fallback, what it writes for a shadow
// caster, and where the skybox and the shadow kinds put their geometry. The
// kinds draw through RunTechnique, which these tests record.
#include <cmath>
#include <vector>

#include "MaterialScene.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/ShadowQueue.h"

namespace {

template <class Kind>
class Recording : public Kind {
public:
    Recording() { this->Load(nullptr); }
    std::int32_t RunTechnique(ID3DXMesh*, std::uint32_t index) override {
        techniques.push_back(index);
        D3DXVECTOR4 direction(0, 0, 0, 0);
        if (this->EffectLoaded())
            this->effect->effect->GetVector(this->effect->handles[sem::LightDirection], &direction);
        lightDirections.push_back(direction);
        return Material::kDrawn;
    }
    std::vector<std::uint32_t> techniques;
    std::vector<D3DXVECTOR4> lightDirections;
};

using Techniques = std::vector<std::uint32_t>;

class MaterialKinds : public MaterialScene {
protected:
    // Any texture will do as a base texture: the first procedural one.
    IDirect3DBaseTexture9* SomeTexture(Material& m) { return m.effect->procTextures.at(0).texture; }
    D3DXMATRIX At(float x, float y, float z) {
        D3DXMATRIX m;
        D3DXMatrixTranslation(&m, x, y, z);
        return m;
    }
};

TEST_F(MaterialKinds, LitKindsPickTheTechniqueOfTheirLightsInListOrder) {
    Recording<MaterialPlastic> plastic;
    D3DXMATRIX world = At(0, 0, 0);
    Light* lamp = AddPoint(D3DXVECTOR3(0, 2, -2), 20);
    EXPECT_EQ(plastic.Render(sphere, &world, nullptr), Material::kDrawn);
    EXPECT_EQ(plastic.techniques, Techniques({8}));

    EffectParams::SetTexture(sem::BaseTexture0, SomeTexture(plastic));
    plastic.techniques.clear();
    plastic.Render(sphere, &world, nullptr);
    EXPECT_EQ(plastic.techniques, Techniques({9}));

    lamp->enabled = 0;
    AddDirectional(D3DXVECTOR3(0, -1, 0), 2.0f);
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
    plastic.techniques.clear();
    plastic.Render(sphere, &world, nullptr);
    EXPECT_EQ(plastic.techniques, Techniques({6}));

    // Several lights: the base pass, then one added pass per light, in the
    // order of the relevant-light list (the brighter directional first).
    lamp->enabled = 1;
    EffectParams::SetTexture(sem::BaseTexture0, SomeTexture(plastic));
    plastic.techniques.clear();
    ShadowItem item;
    EXPECT_EQ(plastic.Render(sphere, &world, &item), Material::kDrawn);
    EXPECT_EQ(plastic.techniques, Techniques({1, 3, 5}));
    EXPECT_EQ(item.lightCount, 2u);
    EXPECT_EQ(item.lights[0]->type, LightInfo::kDirectional);
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
}

TEST_F(MaterialKinds, AnObjectNoLightReachesIsDrawnByBasicAndCastsNoShadow) {
    Recording<MaterialShinyPlastic> shiny;
    Recording<MaterialPlastic> plastic;
    Recording<MaterialBasic> basic;
    Material* realPlastic = shiny.fallback;
    Material* realBasic = plastic.fallback;
    ASSERT_EQ(realPlastic->kind, 3u);
    shiny.fallback = &plastic;
    plastic.fallback = &basic;

    AddPoint(D3DXVECTOR3(50, 0, 0), 10);  // far out of range
    D3DXMATRIX world = At(0, 0, 0);
    ShadowItem item;
    EXPECT_EQ(shiny.Render(sphere, &world, &item), Material::kDrawn);
    EXPECT_TRUE(shiny.techniques.empty());
    EXPECT_TRUE(plastic.techniques.empty());
    EXPECT_EQ(basic.techniques, Techniques({0}));
    EXPECT_EQ(item.lightCount, 0u);

    shiny.fallback = realPlastic;
    plastic.fallback = realBasic;
}

TEST_F(MaterialKinds, BodiesDrawByTheirFirstPointLightOnlyAndCastersOffScreenStillFillTheirItem) {
    Recording<MaterialBodyPlastic> body;
    D3DXMATRIX world = At(0, 0, 0);
    AddDirectional(D3DXVECTOR3(0, -1, 0), 3.0f);
    AddPoint(D3DXVECTOR3(0, 2, -2), 20);
    ShadowItem item;
    EXPECT_EQ(body.Render(sphere, &world, &item), Material::kFailed);
    EXPECT_TRUE(body.techniques.empty());
    EXPECT_EQ(item.lightCount, 2u);
    EXPECT_NE(item.inverseWorld._11, 0.0f);

    // With the point light first, one draw with the base technique.
    lights->FindLight(0)->enabled = 0;
    body.Render(sphere, &world, nullptr);
    EXPECT_EQ(body.techniques, Techniques({0}));

    // Behind the eye: culled, but the caster's item is filled.
    Recording<MaterialPlastic> plastic;
    D3DXMATRIX behind = At(0, 0, -20);
    ShadowItem offScreen;
    EXPECT_EQ(plastic.Render(sphere, &behind, &offScreen), Material::kCulled);
    EXPECT_TRUE(plastic.techniques.empty());
    EXPECT_EQ(offScreen.lightCount, 1u);
    EXPECT_FLOAT_EQ(offScreen.inverseWorld._43, 20.0f);
    EXPECT_NEAR(offScreen.squaredDistance, 225.0f, 0.01f);  // the sphere's centre is its vertices' mean

    // Unlit kinds only take the distance: their objects cast no shadow.
    Recording<MaterialBasic> basic;
    ShadowItem unlit;
    EXPECT_EQ(basic.Render(sphere, &world, &unlit), Material::kDrawn);
    EXPECT_EQ(unlit.lightCount, 0u);
    EXPECT_NEAR(unlit.squaredDistance, 25.0f, 0.01f);
}

TEST_F(MaterialKinds, AFlattenedObjectGivesItsLightsFiniteObjectSpaceValues) {
    Recording<MaterialPlastic> plastic;
    ASSERT_TRUE(plastic.EffectLoaded());
    D3DXMATRIX wall;
    D3DXMatrixScaling(&wall, 0.0f, 2.0f, 2.0f);
    wall._41 = 1.0f;
    AddPoint(D3DXVECTOR3(3, 1, -1), 20);
    AddDirectional(D3DXVECTOR3(1, -1, 0));
    ShadowItem item;
    plastic.Render(sphere, &wall, &item);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(item.inverseWorld.m[r][c])) << r << c;
    ID3DXEffect* fx = plastic.effect->effect;
    D3DXVECTOR4 position, direction;
    fx->GetVector(plastic.effect->handles[sem::LightPosition], &position);
    fx->GetVector(plastic.effect->handles[sem::LightDirection], &direction);
    for (float v : {position.x, position.y, position.z, direction.x, direction.y, direction.z})
        EXPECT_TRUE(std::isfinite(v));
    // The flat axis counts as one unit: the light's x in the wall's axes is
    // its distance from the wall.
    EXPECT_FLOAT_EQ(std::fabs(position.x), 2.0f);
}

TEST_F(MaterialKinds, TheSkyboxIsMovedOntoTheEyeAndNeverCulled) {
    Recording<MaterialSkybox> sky;
    LookFrom(D3DXVECTOR3(3, 4, -6), D3DXVECTOR3(3, 4, 0));
    D3DXMATRIX world;
    D3DXMatrixScaling(&world, 50, 50, 50);
    world._41 = 500.0f;  // far outside the view
    EXPECT_EQ(sky.Render(sphere, &world, nullptr), Material::kDrawn);
    EXPECT_EQ(sky.techniques, Techniques({0}));
    EXPECT_FLOAT_EQ(world._41, 3.0f);
    EXPECT_FLOAT_EQ(world._42, 4.0f);
    EXPECT_FLOAT_EQ(world._43, -6.0f);
    EXPECT_FLOAT_EQ(world._11, 50.0f);
}

TEST_F(MaterialKinds, ShadowVolumesAreDrawnOncePerLightStraightDownInTheCastersAxes) {
    Recording<MaterialShadow> shadow;
    ASSERT_TRUE(shadow.EffectLoaded());
    ASSERT_TRUE(sphere->BuildShadowVolume());
    D3DXMATRIX world, inverse;
    D3DXMatrixRotationZ(&world, D3DX_PI / 2);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    ShadowItem item;
    item.inverseWorld = inverse;
    item.lightCount = 3;
    EXPECT_EQ(shadow.Render(sphere, &item.worldViewProjection, &item), Material::kDrawn);
    EXPECT_EQ(shadow.techniques, Techniques({0, 0, 0}));
    for (const D3DXVECTOR4& d : shadow.lightDirections) {
        EXPECT_NEAR(d.x, -1.0f, 1e-6f);
        EXPECT_NEAR(d.y, 0.0f, 1e-6f);
        EXPECT_NEAR(d.z, 0.0f, 1e-6f);
        EXPECT_EQ(d.w, 0.0f);
    }

    // A caster without a shadow mesh is skipped.
    Mesh bare;
    shadow.techniques.clear();
    EXPECT_EQ(shadow.Render(&bare, &item.worldViewProjection, &item), Material::kFailed);
    EXPECT_TRUE(shadow.techniques.empty());
}

TEST_F(MaterialKinds, TheDarkeningQuadStandsJustInFrontOfTheEye) {
    LookFrom(D3DXVECTOR3(0, 3, -5), D3DXVECTOR3(0, 3, 0));
    const D3DXMATRIX quad = MaterialShadowProj::ScreenQuadWorld();
    EXPECT_NEAR(quad._41, 0.0f, 1e-6f);
    EXPECT_NEAR(quad._42, 3.0f, 1e-6f);
    EXPECT_NEAR(quad._43, -4.8999f, 1e-5f);
    // Its x is the camera's up axis, its z the right axis, its y flat.
    EXPECT_NEAR(quad._12, 0.0415f, 1e-6f);
    EXPECT_NEAR(quad._31, 0.0553f, 1e-6f);
    EXPECT_EQ(quad._21, 0.0f);
    EXPECT_EQ(quad._22, 0.0f);

    LookFrom(D3DXVECTOR3(0, 3, -5), D3DXVECTOR3(10, 3, -5));
    EXPECT_NEAR(MaterialShadowProj::ScreenQuadWorld()._41, 0.1001f, 1e-6f);
}

}  // namespace
