// Render of the mesh families: unlit (kinds 1, 22, 24), lit (3, 4, 6), body
// (9 to 21) and the skybox (2).
#include "Video/Effects/CullTest.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/ShadowQueue.h"

namespace {

static_assert(Material::kMaxLights == ShadowItem::kMaxLights, "a draw's lights must fit a shadow item");

// What a lit or body material writes into a shadow caster's item.
void FillCaster(ShadowItem* item, float squaredDistance, const D3DXMATRIX& worldViewProjection,
                const D3DXMATRIX& inverseWorld, Light* const* lights, std::uint32_t count) {
    item->squaredDistance = squaredDistance;
    item->worldViewProjection = worldViewProjection;
    item->inverseWorld = inverseWorld;
    item->lightCount = count;
    for (std::uint32_t i = 0; i < count; ++i) item->lights[i] = lights[i];
}

// A caster off the screen may still throw its shadow into it: its item is
// filled all the same (lights and matrices cost nothing without an item).
void FillOffScreenCaster(ShadowItem* item, float squaredDistance, const D3DXMATRIX& world) {
    if (!item) return;
    Light* lights[Material::kMaxLights];
    const std::uint32_t count = Material::RelevantLights(world, lights);
    FillCaster(item, squaredDistance, Material::WorldViewProjection(world), Material::SafeInverse(world), lights,
               count);
}

// The part of a lit or body draw before anything is bound: the cull test (a
// caster off the screen still fills its shadow item) and the lights that
// reach the mesh; without lights the fallback material draws it. Begin is
// false when the draw ends there, with *result what Render returns.
struct LitDraw {
    CullTest cull{1};
    Light* lights[Material::kMaxLights];
    std::uint32_t count = 0;
    D3DXMATRIX inverse;
    D3DXMATRIX worldViewProjection;

    bool Begin(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item, Material* fallback, std::int32_t* result) {
        if (!mesh || !world) return End(Material::kFailed, result);
        if (CullTest::IsOutside(cull.Test(mesh, world))) {
            FillOffScreenCaster(item, cull.squaredDistance, *world);
            return End(Material::kCulled, result);
        }
        count = Material::RelevantLights(*world, lights);
        if (count == 0) return End(fallback ? fallback->Render(mesh, world, item) : Material::kFailed, result);
        inverse = Material::SafeInverse(*world);
        worldViewProjection = Material::WorldViewProjection(*world);
        return true;
    }
    void FillCasterItem(ShadowItem* item) const {
        if (item) FillCaster(item, cull.squaredDistance, worldViewProjection, inverse, lights, count);
    }

private:
    static bool End(std::int32_t code, std::int32_t* result) {
        *result = code;
        return false;
    }
};

// Technique of one light drawn alone, and of one light added to a base pass.
std::uint32_t SingleLightTechnique(std::int32_t base, std::int32_t lightType) {
    return static_cast<std::uint32_t>(base + 2 * lightType + 6);
}
std::uint32_t AddedLightTechnique(std::int32_t base, std::int32_t lightType) {
    return static_cast<std::uint32_t>(base + 2 * lightType + 2);
}

}  // namespace

std::int32_t MaterialBasic::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) {
    return RenderUnlit(mesh, world, item, false);
}

std::int32_t MaterialFaceBasic::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) {
    return RenderUnlit(mesh, world, item, true);
}

std::int32_t MaterialPlastic::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) {
    LitDraw draw;
    std::int32_t result = kFailed;
    if (!draw.Begin(mesh, world, item, fallback, &result)) return result;

    const std::int32_t base = BindSceneParams();
    SetMatrixParam(sem::WorldViewProjection, draw.worldViewProjection);
    // The base pass's ambient turns normals into world space with it, and
    // it is bound before the first light would bind it.
    SetMatrixParam(sem::WorldInv, draw.inverse);
    draw.FillCasterItem(item);
    if (draw.count == 1) return DrawMesh(mesh, SingleLightTechnique(base, BindLight(draw.lights[0], &draw.inverse)));

    DrawMesh(mesh, static_cast<std::uint32_t>(base));
    for (std::uint32_t i = 0; i < draw.count; ++i)
        DrawMesh(mesh, AddedLightTechnique(base, BindLight(draw.lights[i], &draw.inverse)));
    return kDrawn;
}

// Bodies are lit by their first light only, and only by a point light: a
// directional first light leaves the body undrawn (its shadow still falls).
std::int32_t MaterialBodyBasic::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) {
    LitDraw draw;
    std::int32_t result = kFailed;
    if (!draw.Begin(mesh, world, item, fallback, &result)) return result;

    const std::int32_t base = BindSceneParams();
    SetSiloAndVelocity();
    SetMatrixParam(sem::WorldViewProjection, draw.worldViewProjection);
    draw.FillCasterItem(item);
    if (BindLight(draw.lights[0], &draw.inverse) == 0) return kFailed;
    return DrawMesh(mesh, static_cast<std::uint32_t>(base));
}

// The sky box stays centred on the eye: the caller's world matrix is moved
// there on every draw. Not culled; the base texture is its cube.
std::int32_t MaterialSkybox::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem*) {
    if (!mesh || !world) return kFailed;
    if (EffectLoaded())
        effect->effect->SetTexture(effect->handles[sem::BaseTexture0], EffectParams::GetTexture(sem::BaseTexture0));
    if (const float* eye = EffectParams::GetVector(sem::EyePosition)) {
        world->_41 = eye[0];
        world->_42 = eye[1];
        world->_43 = eye[2];
    }
    SetMatrixParam(sem::WorldViewProjection, WorldViewProjection(*world));
    return DrawMesh(mesh, 0);
}
