#include "Video/Effects/Material.h"

#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
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
    if (!effect || !effect->effect || !mesh || !mesh->mesh) return kFailed;
    ID3DXEffect* fx = effect->effect;
    fx->SetTechnique(index < effect->techniqueCount ? effect->techniques[index].handle : nullptr);
    UINT passes = 0;
    fx->Begin(&passes, 0);
    for (UINT p = 0; p < passes; ++p) {
        fx->Pass(p);
        if (FAILED(mesh->mesh->DrawSubset(0))) {
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
