#include "Video/ObjectDesc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Video/Effects/EffectParams.h"
#include "Video/Mesh.h"
#include "Video/TextureMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

SurfaceData::SurfaceData(const float* diff4, const float* spec4, std::uint32_t power, float roughness,
                         float nValue, float strength) {
    SetDefaults();
    if (diff4) std::memcpy(diff, diff4, sizeof diff);
    if (spec4) std::memcpy(spec, spec4, sizeof spec);
    pow = power;
    m = roughness;
    n = nValue;
    str = strength;
}

void SurfaceData::SetDefaults() {
    std::fill(std::begin(diff), std::end(diff), 1.0f);
    std::fill(std::begin(spec), std::end(spec), 1.0f);
    pow = 10;
    m = 0.5f;
    n = 0.01f;
    str = 1.5f;
}

bool SurfaceData::IsFinite() const {
    const auto finite = [](float v) { return std::isfinite(v); };
    return std::all_of(std::begin(diff), std::end(diff), finite) && std::all_of(std::begin(spec), std::end(spec), finite) &&
           finite(m) && finite(n) && finite(str);
}

MeshObjectDesc::MeshObjectDesc(std::uint8_t flagBits, const char* file, std::uint32_t kind,
                               const SurfaceData& surfaceData, std::uint32_t slotCount)
    : meshFile(file), textureSlotCount(slotCount), surface(surfaceData) {
    materialKind = kind;
    flags = flagBits;
}

SceneObjectDesc::SceneObjectDesc(std::uint8_t flagBits, const char* type, std::uint32_t kind, std::uint32_t count,
                                 const SurfaceData& surfaceData, std::uint32_t slotCount, const LinePoint* linePoints)
    : typeName(type), textureSlots(slotCount), pointCount(count), surface(surfaceData), points(linePoints) {
    materialKind = kind;
    flags = flagBits;
}

SceneObjectDesc::SceneObjectDesc(std::uint8_t flagBits, const char* type, std::uint32_t kind, std::uint32_t count,
                                 const SurfaceData& surfaceData, std::uint32_t slotCount,
                                 const ScreenQuadItem* quadItems)
    : typeName(type), textureSlots(slotCount), pointCount(count), surface(surfaceData), quads(quadItems) {
    materialKind = kind;
    flags = flagBits;
}

namespace {
TextureMan* Textures() { return static_cast<TextureMan*>(eTable::Peek(names::TextureMan)); }

void ReleaseTexture(IDirect3DBaseTexture9*& texture) {
    if (!texture) return;
    if (TextureMan* textures = Textures()) textures->ReleaseTexture(texture);
    texture = nullptr;
}
}  // namespace

void TextureSlotArray::Alloc(std::uint32_t count) {
    Release();
    slots.assign(count, TextureSlot{});
}

void TextureSlotArray::Release() {
    for (TextureSlot& slot : slots) ReleaseTexture(slot.texture);
    slots.clear();
}

bool TextureSlotArray::Set(const char* file, std::uint32_t semantic, std::int32_t index, std::uint32_t type) {
    if (!Valid(index) || !file) return false;
    TextureSlot& slot = slots[static_cast<std::size_t>(index)];
    // The old texture goes first: a slot never holds two references.
    ReleaseTexture(slot.texture);
    TextureMan* textures = Textures();
    if (!textures) return false;
    const TextureLoadInfo info;
    slot.texture = textures->GetTexture(file, type, &info);
    if (!slot.texture) return false;
    slot.semantic = semantic;
    return true;
}

bool TextureSlotArray::Share(const TextureSlot* source, std::int32_t index) {
    if (!Valid(index) || !source) return false;
    TextureSlot& slot = slots[static_cast<std::size_t>(index)];
    IDirect3DBaseTexture9* shared = source->texture;
    // Take the new reference before dropping the old, in case both are one.
    TextureMan* textures = Textures();
    if (shared && textures) textures->AddRef(shared);
    ReleaseTexture(slot.texture);
    slot.texture = shared;
    slot.semantic = source->semantic;
    return true;
}

void TextureSlotArray::Bind(const Mesh* mesh) const {
    bool baseBound = false;
    for (const TextureSlot& slot : slots) {
        if (!slot.texture) continue;
        EffectParams::SetTexture(static_cast<std::int32_t>(slot.semantic), slot.texture);
        if (slot.semantic == kBaseTextureSemantic) baseBound = true;
    }
    if (baseBound) return;
    IDirect3DBaseTexture9* meshTexture = mesh && !mesh->textures.empty() ? mesh->textures.front() : nullptr;
    EffectParams::SetTexture(sem::BaseTexture0, meshTexture);
}

IDirect3DBaseTexture9* TextureSlotArray::First() const { return slots.empty() ? nullptr : slots.front().texture; }

const TextureSlot* TextureSlotArray::Slot(std::int32_t index) const {
    return Valid(index) ? &slots[static_cast<std::size_t>(index)] : nullptr;
}

void PublishSurface(const SurfaceData& s, const float scale[3]) {
    EffectParams::SetVector(sem::DiffuseColor, s.diff);
    EffectParams::SetVector(sem::SpecularColor, s.spec);
    const std::uint32_t power[4] = {s.pow, 0, 0, 0};
    EffectParams::SetIntVector(sem::SpecularPower, power);

    const float m = s.m, m2 = m * m;
    const float cookTorrance[4] = {m2, s.n, m, s.str};
    EffectParams::SetVector(sem::CookTorrance, cookTorrance);
    // The third value is the sum of the Oren-Nayar terms A and B for m.
    constexpr float kFourPi = 12.566371f;
    const float orenNayar = 1.0f - 0.5f * m2 / (m2 + 0.33f) + 0.45f * m2 / (m2 + 0.09f);
    const float roughness[4] = {m, m2, orenNayar, 1.0f / (m * s.n * kFourPi)};
    EffectParams::SetVector(sem::Roughness, roughness);

    const float largest = std::max({scale[0], scale[1], scale[2]});
    const float objScale[4] = {scale[0], scale[1], scale[2], largest};
    EffectParams::SetVector(sem::ObjScale, objScale);
}
