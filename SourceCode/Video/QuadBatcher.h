#pragma once
#include <cstdint>

#include "Video/ObjectDesc.h"
#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class IDirect3DBaseTexture9;
class IDirect3DIndexBuffer9;
class IDirect3DVertexBuffer9;

// "ManagedQuadBuffer": collects the quads of lines, splines and screen quads
// (already in clip space) into one dynamic vertex buffer and draws them in
// as few calls as possible. Quads sharing a material kind, a texture and a
// colour form one batch, drawn through its material's DrawBuffers when a
// different key arrives, when it holds 100 quads, and at the frame's end
// (Update, after the scene).
class ManagedQuadBuffer : public System {
public:
    static constexpr std::uint32_t kMaxQuads = 100;
    static constexpr std::uint32_t kVertexStride = 24;  // x, y, z, w, u, v
    static constexpr std::uint32_t kVertexFormat = 0x4102;  // D3DFVF_XYZW | D3DFVF_TEX1

    struct Corner {
        float x, y, z, w;
    };
    struct Quad {
        Corner corner[4];
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
    IDirect3DBaseTexture9* BatchTexture() const { return batchTexture; }

    // Texture coordinates of the four corners of every quad.
    static constexpr float kCornerUV[4][2] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};

private:
    void SetBatchKey(std::uint32_t kind, float r, float g, float b, float a, IDirect3DBaseTexture9* texture);
    // The next free quad, flushing a full queue first; null when the queue
    // stays full (its flush failed): the quad is dropped.
    Quad* NextQuad();
    void QuadAdded();

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    Quad quads[kMaxQuads] = {};
    std::uint32_t quadCount = 0;
    std::uint32_t batchKind = 0;
    IDirect3DBaseTexture9* batchTexture = nullptr;
    float batchColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
