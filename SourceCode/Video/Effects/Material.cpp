#include "Video/Effects/Material.h"

#include <algorithm>
#include <cmath>

#include "Video/Effects/CullTest.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/ShadowQueue.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

// Sets a store vector through the effect's handle of the same semantic.
void BindVector(ID3DXEffect* fx, const Effect* effect, int semantic) {
    const float* value = EffectParams::GetVector(semantic);
    if (!value) return;
    const D3DXVECTOR4 vector(value);
    fx->SetVector(effect->handles[semantic], &vector);
}

void BindTexture(ID3DXEffect* fx, const Effect* effect, int semantic) {
    fx->SetTexture(effect->handles[semantic], EffectParams::GetTexture(semantic));
}

}  // namespace

Material::~Material() { Material::Release(); }

void Material::Release() {
    if (effect) {
        if (auto* effects = eTable::Find<EffectsMan>(names::EffectsMan)) effects->ReleaseEffect(effect);
        effect = nullptr;
    }
    if (fallback) {
        if (auto* materials = eTable::Find<MaterialMan>(names::MaterialMan)) materials->Release(fallback);
        fallback = nullptr;
    }
    kind = 0;
}

bool Material::LoadKind(std::uint32_t ownKind, std::int32_t fallbackKind, const char* fileLiteral) {
    kind = ownKind;
    fallback = nullptr;
    if (fallbackKind >= 0) {
        if (auto* materials = eTable::Find<MaterialMan>(names::MaterialMan))
            fallback = materials->GetMaterial(fallbackKind, nullptr);
    }
    auto* effects = eTable::Find<EffectsMan>(names::EffectsMan);
    effect = effects ? effects->GetEffect(fileLiteral) : nullptr;
    return effect != nullptr;
}

std::int32_t Material::DrawMesh(Mesh* mesh, std::uint32_t index) {
    if (!mesh) return kFailed;
    return RunTechnique(mesh->mesh, index);
}

std::int32_t Material::RunTechnique(ID3DXMesh* mesh, std::uint32_t index) {
    if (!effect || !effect->effect || !mesh) return kFailed;
    ID3DXEffect* fx = effect->effect;
    fx->SetTechnique(index < effect->techniqueCount ? effect->techniques[index].handle : nullptr);
    UINT passes = 0;
    if (FAILED(fx->Begin(&passes, 0))) return kFailed;
    for (UINT p = 0; p < passes; ++p) {
        fx->Pass(p);
        if (FAILED(mesh->DrawSubset(0))) {
            fx->End();
            return kFailed;
        }
    }
    fx->End();
    return kDrawn;
}

std::int32_t Material::BindSceneParams() {
    const bool textured = EffectParams::GetTexture(sem::BaseTexture0) != nullptr;
    if (!effect || !effect->effect) return textured ? 1 : 0;
    ID3DXEffect* fx = effect->effect;
    for (int s : {sem::SceneAmbient, sem::SceneSkyColor, sem::SceneGroundColor, sem::SceneSkyDir,
                  sem::DiffuseColor, sem::SpecularColor})
        BindVector(fx, effect, s);
    if (const std::uint32_t* power = EffectParams::GetIntVector(sem::SpecularPower))
        fx->SetInt(effect->handles[sem::SpecularPower], static_cast<INT>(power[0]));
    for (int s : {sem::CookTorrance, sem::Roughness, sem::CustomData0, sem::Timer}) BindVector(fx, effect, s);
    if (textured) BindTexture(fx, effect, sem::BaseTexture0);
    for (int s : {sem::CustomTexture, sem::BumpTexture0, sem::BumpTexture1, sem::LookupTexture0})
        BindTexture(fx, effect, s);
    if (const ProcTexture* noise = effect->FindProcTexture("NoiseLookUp"))
        fx->SetTexture(effect->handles[sem::LookupTexture0], noise->texture);
    if (const ProcTexture* fresnel = effect->FindProcTexture("FresnelLookUp"))
        fx->SetTexture(effect->handles[sem::LookupTexture1], fresnel->texture);
    return textured ? 1 : 0;
}

std::int32_t Material::BindLight(const Light* light, const D3DXMATRIX* worldInverse) {
    if (!light) return 0;
    const bool directional = light->type == LightInfo::kDirectional;
    if (!effect || !effect->effect || !worldInverse) return directional ? 0 : 1;
    ID3DXEffect* fx = effect->effect;
    const D3DXVECTOR4 colour(light->colour);
    fx->SetVector(effect->handles[sem::LightColor], &colour);
    fx->SetMatrix(effect->handles[sem::WorldInv], worldInverse);
    BindVector(fx, effect, sem::EyePosition);
    BindVector(fx, effect, sem::EyeDirection);
    if (directional) {
        const D3DXVECTOR4 direction(light->direction[0], light->direction[1], light->direction[2], 0.0f);
        D3DXVECTOR4 local;
        D3DXVec4Transform(&local, &direction, worldInverse);
        D3DXVec4Normalize(&local, &local);
        fx->SetVector(effect->handles[sem::LightDirection], &local);
        return 0;
    }
    const D3DXVECTOR4 position(light->position[0], light->position[1], light->position[2], 1.0f);
    D3DXVECTOR4 local;
    D3DXVec4Transform(&local, &position, worldInverse);
    fx->SetVector(effect->handles[sem::LightPosition], &local);
    const D3DXVECTOR4 attenuation(light->attenuation[0], light->attenuation[1], light->attenuation[2], light->range);
    fx->SetVector(effect->handles[sem::LightAttenuation], &attenuation);
    return 1;
}

void Material::SetSiloAndVelocity() {
    if (!effect || !effect->effect) return;
    BindTexture(effect->effect, effect, sem::SiloTexture);
    BindVector(effect->effect, effect, sem::Velocity);
}

bool Material::EffectLoaded() const { return effect && effect->effect; }

void Material::SetMatrixParam(int semantic, const D3DXMATRIX& matrix) {
    if (EffectLoaded()) effect->effect->SetMatrix(effect->handles[semantic], &matrix);
}

void Material::SetVectorParam(int semantic, const D3DXVECTOR4& vector) {
    if (EffectLoaded()) effect->effect->SetVector(effect->handles[semantic], &vector);
}

D3DXMATRIX Material::WorldViewProjection(const D3DXMATRIX& world) {
    const D3DXMATRIX* viewProjection = EffectParams::GetMatrix(sem::ViewProjection);
    if (!viewProjection) return world;
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &world, viewProjection);
    return m;
}

namespace {

bool AllFinite(const D3DXMATRIX& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.m[r][c])) return false;
    return true;
}

D3DXVECTOR3 Row(const D3DXMATRIX& m, int r) { return D3DXVECTOR3(m.m[r][0], m.m[r][1], m.m[r][2]); }

void SetRow(D3DXMATRIX& m, int r, const D3DXVECTOR3& v) {
    m.m[r][0] = v.x;
    m.m[r][1] = v.y;
    m.m[r][2] = v.z;
}

D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

constexpr float kFlat = 1e-6f;

// Gives every axis row of world that is (nearly) nothing a unit length,
// square to the rows that are left.
D3DXMATRIX WithUnitFlatAxes(const D3DXMATRIX& world) {
    D3DXMATRIX fixed = world;
    int flat[3];
    int flatCount = 0;
    int solid = -1;
    for (int r = 0; r < 3; ++r) {
        const D3DXVECTOR3 row = Row(world, r);
        if (D3DXVec3Length(&row) < kFlat) flat[flatCount++] = r;
        else solid = r;
    }
    if (flatCount == 3) {
        for (int r = 0; r < 3; ++r) SetRow(fixed, r, D3DXVECTOR3(r == 0, r == 1, r == 2));
        return fixed;
    }
    if (flatCount == 2) {
        const D3DXVECTOR3 a = Unit(Row(world, solid));
        const D3DXVECTOR3 helper = std::fabs(a.x) < 0.9f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
        D3DXVECTOR3 b, c;
        D3DXVec3Cross(&b, &a, &helper);
        b = Unit(b);
        D3DXVec3Cross(&c, &a, &b);
        SetRow(fixed, flat[0], b);
        SetRow(fixed, flat[1], c);
        return fixed;
    }
    if (flatCount == 1) {
        const int i = flat[0];
        D3DXVECTOR3 n;
        const D3DXVECTOR3 next = Row(world, (i + 1) % 3), after = Row(world, (i + 2) % 3);
        D3DXVec3Cross(&n, &next, &after);
        if (D3DXVec3Length(&n) >= kFlat) SetRow(fixed, i, Unit(n));
    }
    return fixed;
}

}  // namespace

D3DXMATRIX Material::SafeInverse(const D3DXMATRIX& world) {
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &world) && AllFinite(inverse)) return inverse;
    const D3DXMATRIX fixed = WithUnitFlatAxes(world);
    if (D3DXMatrixInverse(&inverse, nullptr, &fixed) && AllFinite(inverse)) return inverse;
    // Nothing invertible is left of it (or it holds NaN): undo the
    // translation alone.
    D3DXMatrixTranslation(&inverse, -world._41, -world._42, -world._43);
    return AllFinite(inverse) ? inverse : D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

std::uint32_t Material::RelevantLights(const D3DXMATRIX& world, Light** out) {
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    if (!lights) return 0;
    // The manager hands out no more than its own array size, which is ours.
    static_assert(LightMan::kMaxQueryLights == static_cast<int>(kMaxLights));
    const float position[3] = {world._41, world._42, world._43};
    return std::min<std::uint32_t>(lights->GetRelevantLights(position, out, 0.01f), kMaxLights);
}

std::int32_t Material::RenderUnlit(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item, bool siloAndVelocity) {
    if (!mesh || !world) return kFailed;
    CullTest cull(1);
    if (CullTest::IsOutside(cull.Test(mesh, world))) return kCulled;
    if (item) item->squaredDistance = cull.squaredDistance;
    const std::int32_t base = BindSceneParams();
    if (siloAndVelocity) SetSiloAndVelocity();
    SetMatrixParam(sem::WorldViewProjection, WorldViewProjection(*world));
    return DrawMesh(mesh, static_cast<std::uint32_t>(base));
}
