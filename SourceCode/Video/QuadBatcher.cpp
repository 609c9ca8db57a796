#include "Video/QuadBatcher.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
constexpr UINT kVertexBytes = ManagedQuadBuffer::kMaxQuads * 4 * ManagedQuadBuffer::kVertexStride;
constexpr UINT kIndexBytes = ManagedQuadBuffer::kMaxQuads * 6 * sizeof(std::uint16_t);
constexpr DWORD kVertexUsage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
}  // namespace

ManagedQuadBuffer::~ManagedQuadBuffer() {
    if (initialized) ManagedQuadBuffer::Shutdown();
    DropTextures();
}

bool ManagedQuadBuffer::Init(void*, void*) {
    if (initialized) return false;
    name = names::ManagedQuadBuffer;
    if (!eTable::Register(name, this)) return false;
    IDirect3DDevice9* device = RunningDevice();
    if (!device) return false;
    if (FAILED(device->CreateVertexBuffer(kVertexBytes, kVertexUsage, kVertexFormat, D3DPOOL_DEFAULT, &vertexBuffer,
                                          nullptr))) {
        vertexBuffer = nullptr;
        return false;
    }
    if (FAILED(device->CreateIndexBuffer(kIndexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &indexBuffer, nullptr))) {
        indexBuffer = nullptr;
        return false;
    }
    if (!FillIndices()) return false;
    initialized = true;
    return true;
}

bool ManagedQuadBuffer::FillIndices() {
    void* data = nullptr;
    if (!indexBuffer || FAILED(indexBuffer->Lock(0, 0, &data, 0))) return false;
    auto* index = static_cast<std::uint16_t*>(data);
    for (std::uint16_t q = 0; q < kMaxQuads; ++q) {
        const auto first = static_cast<std::uint16_t>(4 * q);
        const std::uint16_t pattern[6] = {first, static_cast<std::uint16_t>(first + 1),
                                          static_cast<std::uint16_t>(first + 2), static_cast<std::uint16_t>(first + 2),
                                          static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 3)};
        std::memcpy(index + 6 * q, pattern, sizeof pattern);
    }
    indexBuffer->Unlock();
    return true;
}

bool ManagedQuadBuffer::Shutdown() {
    // A failed Init may have left buffers and the name behind: give them
    // back too, so the reset that follows a loss is not refused.
    if (indexBuffer) indexBuffer->Release();
    indexBuffer = nullptr;
    if (vertexBuffer) vertexBuffer->Release();
    vertexBuffer = nullptr;
    const bool wasInitialized = initialized;
    if (wasInitialized) DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return wasInitialized;
}

bool ManagedQuadBuffer::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    Flush();
    return true;
}

bool ManagedQuadBuffer::JoinsBatch(std::uint32_t kind, float r, float g, float b, float a,
                                   IDirect3DBaseTexture9* texture) const {
    if (quadCount == 0) return false;
    if (kind != batchKind || r != batchColour[0] || g != batchColour[1] || b != batchColour[2] || a != batchColour[3])
        return false;
    // Textured and untextured quads draw with different techniques.
    if ((texture != nullptr) != (batchTextures[0] != nullptr)) return false;
    if (std::find(batchTextures, batchTextures + batchTextureCount, texture) != batchTextures + batchTextureCount)
        return true;
    return shareTextDraws && kind == kTextKind && batchTextureCount < kTexturesPerDraw;
}

bool ManagedQuadBuffer::OpenBatch(std::uint32_t kind, float r, float g, float b, float a,
                                  IDirect3DBaseTexture9* texture) {
    if (JoinsBatch(kind, r, g, b, a, texture)) return true;
    Flush();
    // A queue that could not be drawn keeps its key and its textures.
    if (quadCount > 0) return false;
    batchKind = kind;
    batchColour[0] = r;
    batchColour[1] = g;
    batchColour[2] = b;
    batchColour[3] = a;
    return true;
}

std::uint32_t ManagedQuadBuffer::TextureSlotOf(IDirect3DBaseTexture9* texture) {
    for (std::uint32_t slot = 0; slot < batchTextureCount; ++slot)
        if (batchTextures[slot] == texture) return slot;
    // OpenBatch left room for it, or a flush since emptied the slots.
    if (batchTextureCount == kTexturesPerDraw) return 0;
    if (texture) texture->AddRef();
    batchTextures[batchTextureCount] = texture;
    return batchTextureCount++;
}

void ManagedQuadBuffer::DropTextures() {
    for (std::uint32_t slot = 0; slot < batchTextureCount; ++slot)
        if (batchTextures[slot]) batchTextures[slot]->Release();
    std::fill(std::begin(batchTextures), std::end(batchTextures), nullptr);
    batchTextureCount = 0;
}

ManagedQuadBuffer::Quad* ManagedQuadBuffer::NextQuad() {
    if (quadCount >= kMaxQuads) Flush();
    return quadCount < kMaxQuads ? &quads[quadCount] : nullptr;
}

void ManagedQuadBuffer::QuadAdded() {
    if (++quadCount == kMaxQuads) Flush();
}

bool ManagedQuadBuffer::MakeSegmentQuad(Quad* quad, const D3DXVECTOR4& a, const D3DXVECTOR4& b, float widthA,
                                        float widthB) {
    // Both ends beyond the same side plane.
    if ((a.x < -a.w && b.x < -b.w) || (a.y < -a.w && b.y < -b.w) || (a.x > a.w && b.x > b.w) ||
        (a.y > a.w && b.y > b.w))
        return false;
    // Behind the eye, or either end outside the depth range (NaN included).
    if (!(a.w > 0.0f && b.w > 0.0f)) return false;
    if (!(a.z >= -a.w && a.z <= a.w && b.z >= -b.w && b.z <= b.w)) return false;
    D3DXVECTOR2 d(a.y - b.y, b.x - a.x);
    if (!(D3DXVec2LengthSq(&d) > 0.0f)) return false;  // a point, not a segment
    D3DXVec2Normalize(&d, &d);
    const float sA = 1.0f - a.z / a.w, sB = 1.0f - b.z / b.w;
    const float oAx = d.x * widthA * sA, oAy = d.y * widthA * sA;
    const float oBx = d.x * widthB * sB, oBy = d.y * widthB * sB;
    quad->corner[0] = {a.x + oAx, a.y + oAy, a.z, a.w};
    quad->corner[1] = {a.x - oAx, a.y - oAy, a.z, a.w};
    quad->corner[2] = {b.x + oBx, b.y + oBy, b.z, b.w};
    quad->corner[3] = {b.x - oBx, b.y - oBy, b.z, b.w};
    return true;
}

bool ManagedQuadBuffer::AddLine(const LinePoint* points, const D3DXMATRIX* transform, std::uint32_t count,
                                std::uint32_t kind, float r, float g, float b, float a,
                                IDirect3DBaseTexture9* texture) {
    if (count < 2 || !points || !transform) return false;
    if (!OpenBatch(kind, r, g, b, a, texture)) return true;
    D3DXVECTOR4 from, to;
    D3DXVECTOR3 position(points[0].x, points[0].y, points[0].z);
    D3DXVec3Transform(&from, &position, transform);
    for (std::uint32_t i = 1; i < count; ++i) {
        position = D3DXVECTOR3(points[i].x, points[i].y, points[i].z);
        D3DXVec3Transform(&to, &position, transform);
        Quad made;
        if (MakeSegmentQuad(&made, from, to, points[i - 1].width, points[i].width)) {
            if (Quad* slot = NextQuad()) {
                *slot = made;
                slot->textureSlot = TextureSlotOf(texture);
                QuadAdded();
            }
        }
        from = to;
    }
    return true;
}

bool ManagedQuadBuffer::AddScreenQuad(const ScreenQuadItem* items, std::uint32_t count, std::uint32_t kind, float r,
                                      float g, float b, float a, IDirect3DBaseTexture9* texture) {
    if (!OpenBatch(kind, r, g, b, a, texture) || !items) return true;
    for (std::uint32_t i = 0; i < count; ++i) {
        const ScreenQuadItem& item = items[i];
        const float h = item.height > 0.0f ? item.height : item.width;
        Quad* quad = NextQuad();
        if (!quad) continue;  // the queue stays full: dropped
        quad->corner[0] = {item.x, item.y - h, item.z, 1.0f};
        quad->corner[1] = {item.x, item.y, item.z, 1.0f};
        quad->corner[2] = {item.x + item.width, item.y - h, item.z, 1.0f};
        quad->corner[3] = {item.x + item.width, item.y, item.z, 1.0f};
        quad->textureSlot = TextureSlotOf(texture);
        QuadAdded();
    }
    return true;
}

bool ManagedQuadBuffer::Flush() {
    if (quadCount == 0 || !vertexBuffer) return false;
    void* data = nullptr;
    if (FAILED(vertexBuffer->Lock(0, quadCount * 4 * kVertexStride, &data, D3DLOCK_DISCARD)) || !data) return false;
    auto* out = static_cast<float*>(data);
    for (std::uint32_t q = 0; q < quadCount; ++q) {
        for (int c = 0; c < 4; ++c) {
            const Corner& corner = quads[q].corner[c];
            const float vertex[7] = {corner.x,        corner.y,        corner.z,
                                     corner.w,        kCornerUV[c][0], kCornerUV[c][1],
                                     float(quads[q].textureSlot)};
            std::memcpy(out, vertex, sizeof vertex);
            out += 7;
        }
    }
    vertexBuffer->Unlock();
    Draw();
    quadCount = 0;
    // The textures' owners may release them before the next frame.
    DropTextures();
    return true;
}

bool ManagedQuadBuffer::Draw() {
    // Kinds past the table have no material to draw them.
    if (batchKind >= static_cast<std::uint32_t>(MaterialMan::kKindCount)) return false;
    auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan));
    if (!materials) return false;
    Material* material = materials->GetMaterial(static_cast<std::int32_t>(batchKind), nullptr);
    if (!material) return false;
    EffectParams::SetVector(sem::DiffuseColor, batchColour);
    EffectParams::SetTexture(sem::BaseTexture0, batchTextures[0]);
    material->SetQuadTextures(batchTextures, batchTextureCount);
    material->DrawBuffers(vertexBuffer, indexBuffer, 0, 0, 2 * quadCount, kVertexStride, 0);
    // Neither the store nor the material holds a reference, and the batch
    // drops its own after this draw.
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
    material->SetQuadTextures(nullptr, 0);
    materials->ReleaseType(static_cast<std::int32_t>(batchKind));
    return true;
}
