#include "Video/Effects/MaterialKinds.h"

bool MaterialNone::Load(void*) {
    effect = nullptr;
    kind = 0;
    fallback = nullptr;
    return true;
}
std::int32_t MaterialNone::Render(Mesh*, D3DXMATRIX*, ShadowItem*) { return kDrawn; }
std::int32_t MaterialNone::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialBasic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialBasic::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialSkybox::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialSkybox::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialPlastic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialPlastic::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialShinyPlastic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBasicLine::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialBasicLine::Render(Mesh*, D3DXMATRIX*, ShadowItem*) { return kFailed; }

bool MaterialSmoothVelvet::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialShadow::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialShadow::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialShadowProj::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialShadowProj::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialBodyBasic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialBodyBasic::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialBodyPlastic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyShinyPlastic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialPlayer::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyRubber::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyStone::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyWood::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodySun::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialGround::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyCloud::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyWeed::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyWater::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialBodyVeggie::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }

bool MaterialFaceBasic::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialFaceBasic::DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t) {
    return kFailed;
}

bool MaterialText::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
std::int32_t MaterialText::Render(Mesh*, D3DXMATRIX*, ShadowItem*) { return kFailed; }

bool MaterialFire::Load(void*) { return LoadKind(kKind, kFallbackKind, kFile); }
