#pragma once
#include <cstdint>

#include "Video/Effects/MaterialKinds.h"
#include "Video/ObjectDesc.h"
#include "core/System.h"
#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/Math3D.h"

class IDirect3DBaseTexture9;
class IDirect3DIndexBuffer9;
class IDirect3DVertexBuffer9;

// "ManagedQuadBuffer": collects the quads of lines, splines and screen quads
// (already in clip space) into one dynamic vertex buffer and draws them in
// as few calls as possible. Quads sharing a material kind, a texture and a
// colour form one batch, drawn through its material's DrawBuffers when a
// different key arrives, when it holds 100 quads, and at the frame's end
// (Update, after the scene). Text (kind 23) does not split on the texture:
// its effect picks each quad's texture from up to kTexturesPerDraw bound at
// once (the slot is a vertex's third texture value), so a line of glyphs
// is one draw.
class ManagedQuadBuffer : public System {
public:
    static constexpr std::uint32_t kMaxQuads = 100;
    static constexpr std::uint32_t kVertexStride = 28;  // x, y, z, w, u, v, texture slot
    static constexpr std::uint32_t kVertexFormat =
        D3DFVF_XYZW | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE2(0) | D3DFVF_TEXCOORDSIZE1(1);
    // The kind whose quads choose their own texture, and how many it binds.
    static constexpr std::uint32_t kTextKind = MaterialText::kKind;
    static constexpr std::uint32_t kTexturesPerDraw = MaterialText::kQuadTextures;

    struct Corner {
        float x, y, z, w;
    };
    struct Quad {
        Corner corner[4];
        std::uint32_t textureSlot = 0;  // into the batch's textures
    };

    ManagedQuadBuffer() = default;
    ~ManagedQuadBuffer() override;

    // Arguments ignored. Registers and makes the buffers (the vertex
    // buffer in the default pool, so the video system shuts the batcher
    // down before a device reset and initialises it again after).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Releases the buffers; the queue and the batch key survive.
    bool Shutdown() override;
    // Flushes the frame's last batch.
    bool Update() override;

    // One quad per segment of a strip of count points, each point
    // transformed by transform into clip space; a segment outside the view
    // or the depth range is dropped. False for fewer than two points.
    bool AddLine(const LinePoint* points, const D3DXMATRIX* transform, std::uint32_t count,
                 std::uint32_t materialKind, float r, float g, float b, float a, IDirect3DBaseTexture9* texture);
    bool AddScreenQuad(const ScreenQuadItem* items, std::uint32_t count, std::uint32_t materialKind, float r, float g,
                       float b, float a, IDirect3DBaseTexture9* texture);
    // Writes and draws the queue; false when it is empty, the buffers are
    // missing or the lock fails (then the queue is kept).
    bool Flush();
    // Draws the queued quads through the batch's material.
    virtual bool Draw();
    bool FillIndices();
    // The quad of one clip-space segment; false (no quad) when it is
    // outside the view, outside the depth range, or degenerate.
    static bool MakeSegmentQuad(Quad* quad, const D3DXVECTOR4& a, const D3DXVECTOR4& b, float widthA, float widthB);

    std::uint32_t QuadCount() const { return quadCount; }
    const Quad& QueuedQuad(std::uint32_t i) const { return quads[i]; }
    IDirect3DVertexBuffer9* VertexBuffer() const { return vertexBuffer; }
    IDirect3DIndexBuffer9* IndexBuffer() const { return indexBuffer; }
    std::uint32_t BatchKind() const { return batchKind; }
    const float* BatchColour() const { return batchColour; }
    // The texture of the batch's slot 0 (the one texture of other kinds);
    // the slots hold only the textures of quads still queued.
    IDirect3DBaseTexture9* BatchTexture() const { return batchTextures[0]; }
    IDirect3DBaseTexture9* const* BatchTextures() const { return batchTextures; }
    std::uint32_t BatchTextureCount() const { return batchTextureCount; }
    // Off, text splits its batches on the texture like every other kind
    // (the tests compare the pixels of both ways).
    void ShareTextDrawsAmongTextures(bool on) { shareTextDraws = on; }

    // Texture coordinates of the four corners of every quad.
    static constexpr float kCornerUV[4][2] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};

private:
    // Whether quads of this key can join the queue as it stands.
    bool JoinsBatch(std::uint32_t kind, float r, float g, float b, float a, IDirect3DBaseTexture9* texture) const;
    // The batch key's first step: flushes the queue when the quads to come
    // cannot join it and takes their key; false when the queue could not be
    // flushed (the quads are dropped).
    bool OpenBatch(std::uint32_t kind, float r, float g, float b, float a, IDirect3DBaseTexture9* texture);
    // The texture's slot in the batch, taking a reference when it enters.
    std::uint32_t TextureSlotOf(IDirect3DBaseTexture9* texture);
    void DropTextures();
    // The next free quad, flushing a full queue first; null when the queue
    // stays full (its flush failed): the quad is dropped.
    Quad* NextQuad();
    void QuadAdded();

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    Quad quads[kMaxQuads] = {};
    std::uint32_t quadCount = 0;
    std::uint32_t batchKind = 0;
    // The textures of the queued quads, each with a reference of the
    // batch's own (a null one for untextured quads); emptied by every flush,
    // since their owners may release them between frames.
    IDirect3DBaseTexture9* batchTextures[kTexturesPerDraw] = {};
    std::uint32_t batchTextureCount = 0;
    float batchColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool shareTextDraws = true;
};
