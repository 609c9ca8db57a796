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
    if (!mesh || !world) return kFailed;
    CullTest cull(1);
    if (CullTest::IsOutside(cull.Test(mesh, world))) {
        FillOffScreenCaster(item, cull.squaredDistance, *world);
        return kCulled;
    }
    Light* lights[kMaxLights];
    const std::uint32_t count = RelevantLights(*world, lights);
    if (count == 0) return fallback ? fallback->Render(mesh, world, item) : kFailed;
    const D3DXMATRIX inverse = SafeInverse(*world);
    const D3DXMATRIX m = WorldViewProjection(*world);

    const std::int32_t base = BindSceneParams();
    SetMatrixParam(sem::WorldViewProjection, m);
    // The base pass's ambient turns normals into world space with it, and
    // it is bound before the first light would bind it.
    SetMatrixParam(sem::WorldInv, inverse);
    if (item) FillCaster(item, cull.squaredDistance, m, inverse, lights, count);
    if (count == 1) return DrawMesh(mesh, SingleLightTechnique(base, BindLight(lights[0], &inverse)));

    DrawMesh(mesh, static_cast<std::uint32_t>(base));
    for (std::uint32_t i = 0; i < count; ++i)
        DrawMesh(mesh, AddedLightTechnique(base, BindLight(lights[i], &inverse)));
    return kDrawn;
}

// Bodies are lit by their first light only, and only by a point light: a
// directional first light leaves the body undrawn (its shadow still falls).
std::int32_t MaterialBodyBasic::Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) {
    if (!mesh || !world) return kFailed;
    CullTest cull(1);
    if (CullTest::IsOutside(cull.Test(mesh, world))) {
        FillOffScreenCaster(item, cull.squaredDistance, *world);
        return kCulled;
    }
    Light* lights[kMaxLights];
    const std::uint32_t count = RelevantLights(*world, lights);
    if (count == 0) return fallback ? fallback->Render(mesh, world, item) : kFailed;
    const D3DXMATRIX inverse = SafeInverse(*world);
    const D3DXMATRIX m = WorldViewProjection(*world);

    const std::int32_t base = BindSceneParams();
    SetSiloAndVelocity();
    SetMatrixParam(sem::WorldViewProjection, m);
    if (item) FillCaster(item, cull.squaredDistance, m, inverse, lights, count);
    if (BindLight(lights[0], &inverse) == 0) return kFailed;
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
