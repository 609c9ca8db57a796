// The two shadow kinds: the shadow volume (7), drawn once per light that
// reaches its caster, and the darkening of the shadowed pixels (8).
#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/Mesh.h"
#include "Video/ShadowQueue.h"

// Every volume is extruded straight down: the world's downward direction in
// the caster's own axes.
D3DXVECTOR4 MaterialShadow::DownInObjectSpace(const D3DXMATRIX& inverseWorld) {
    const D3DXVECTOR4 down(0.0f, -1.0f, 0.0f, 0.0f);
    D3DXVECTOR4 local;
    D3DXVec4Transform(&local, &down, &inverseWorld);
    D3DXVec4Normalize(&local, &local);
    return local;
}

// A caster whose mesh has no shadow mesh (it could not be built) is
// skipped: there is nothing to extrude.
std::int32_t MaterialShadow::Render(Mesh* mesh, D3DXMATRIX* worldViewProjection, ShadowItem* item) {
    if (!item || item->lightCount == 0) return kDrawn;
    if (!mesh || !mesh->shadowMesh) return kFailed;
    SetMatrixParam(sem::WorldViewProjection, worldViewProjection ? *worldViewProjection : item->worldViewProjection);
    const std::uint32_t lights = item->lightCount < kMaxLights ? item->lightCount : kMaxLights;
    for (std::uint32_t i = 0; i < lights; ++i) {
        SetVectorParam(sem::LightDirection, DownInObjectSpace(item->inverseWorld));
        if (RunTechnique(mesh->shadowMesh, 0) != kDrawn) return kFailed;
    }
    return kDrawn;
}

// The quad just in front of the eye, facing it: the camera's up axis as its
// x (half height 0.0415 at 0.1001 away: 45 degrees), its right axis as its
// z (4:3 of that), its y flattened.
D3DXMATRIX MaterialShadowProj::ScreenQuadWorld() {
    D3DXMATRIX m;
    if (const D3DXMATRIX* align = EffectParams::GetMatrix(sem::ScreenAlign)) m = *align;
    else D3DXMatrixIdentity(&m);
    const float* eye = EffectParams::GetVector(sem::EyePosition);
    const float* look = EffectParams::GetVector(sem::EyeDirection);
    m._41 = eye[0] + 0.1001f * look[0];
    m._42 = eye[1] + 0.1001f * look[1];
    m._43 = eye[2] + 0.1001f * look[2];
    const float rowScale[3] = {0.0415f, 0.0f, 0.0553f};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m.m[r][c] *= rowScale[r];
    return m;
}

std::int32_t MaterialShadowProj::Render(Mesh* mesh, D3DXMATRIX*, ShadowItem*) {
    const std::int32_t base = BindSceneParams();
    D3DXMATRIX m = ScreenQuadWorld();
    if (const D3DXMATRIX* view = EffectParams::GetMatrix(sem::View)) D3DXMatrixMultiply(&m, &m, view);
    if (const D3DXMATRIX* projection = EffectParams::GetMatrix(sem::Projection))
        D3DXMatrixMultiply(&m, &m, projection);
    SetMatrixParam(sem::WorldViewProjection, m);
    return DrawMesh(mesh, static_cast<std::uint32_t>(base));
}
