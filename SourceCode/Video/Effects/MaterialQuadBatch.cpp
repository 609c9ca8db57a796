// The drawing of the two quad-batch kinds (5 lines, 23 text): the quad
// batcher's clip-space quads, drawn with the first pass of technique 0
// (untextured) or 1 (textured).
#include <string>

#include "Video/Effects/Effect.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/QuadBatcher.h"
#include "Video/Video.h"

namespace {
constexpr DWORD kQuadFormat = ManagedQuadBuffer::kVertexFormat;

std::int32_t DrawQuadBatch(Material& material, IDirect3DVertexBuffer9* vertexBuffer,
                           IDirect3DIndexBuffer9* indexBuffer, std::uint32_t start, std::uint32_t primitiveCount,
                           std::uint32_t stride) {
    const std::int32_t base = material.BindSceneParams();
    IDirect3DDevice9* device = RunningDevice();
    Effect* effect = material.effect;
    if (!device || !effect || !effect->effect || !vertexBuffer) return Material::kFailed;
    ID3DXEffect* fx = effect->effect;
    const auto index = static_cast<std::uint32_t>(base);
    fx->SetTechnique(index < effect->techniqueCount ? effect->techniques[index].handle : nullptr);
    UINT passes = 0;
    if (FAILED(fx->Begin(&passes, 0))) return Material::kFailed;
    fx->Pass(0);
    device->SetFVF(kQuadFormat);
    device->SetStreamSource(0, vertexBuffer, 0, stride);
    if (indexBuffer) {
        device->SetIndices(indexBuffer);
        // Quads of four vertices each: quad `start` begins at vertex 4 x start.
        if (FAILED(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<INT>(4 * start), 0,
                                                2 * primitiveCount, 0, primitiveCount))) {
            fx->End();
            return Material::kFailed;
        }
    } else {
        device->DrawPrimitive(D3DPT_TRIANGLELIST, start, primitiveCount);
    }
    fx->End();
    return Material::kDrawn;
}
}  // namespace

std::int32_t MaterialBasicLine::DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                                            std::uint32_t, std::uint32_t start, std::uint32_t primitiveCount,
                                            std::uint32_t stride, std::uint32_t) {
    return DrawQuadBatch(*this, vertexBuffer, indexBuffer, start, primitiveCount, stride);
}

void MaterialText::SetQuadTextures(IDirect3DBaseTexture9* const* textures, std::uint32_t count) {
    for (std::uint32_t slot = 0; slot < kQuadTextures; ++slot)
        quadTextures[slot] = textures && slot < count ? textures[slot] : nullptr;
}

// Slot 0 is bound by its semantic with the scene's values; the others by
// their names.
std::int32_t MaterialText::DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                                       std::uint32_t, std::uint32_t start, std::uint32_t primitiveCount,
                                       std::uint32_t stride, std::uint32_t) {
    if (effect && effect->effect)
        for (std::uint32_t slot = 1; slot < kQuadTextures; ++slot) {
            const std::string name = "gBase" + std::to_string(slot);
            effect->effect->SetTexture(effect->effect->GetParameterByName(nullptr, name.c_str()), quadTextures[slot]);
        }
    return DrawQuadBatch(*this, vertexBuffer, indexBuffer, start, primitiveCount, stride);
}
