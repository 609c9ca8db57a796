// Clears and draws on llvmpipe, read back from the back buffer.
#include <gtest/gtest.h>

#include <limits>

#include "DrawHelpers.h"
#include "platform/gfx/StencilWatch.h"
#include "support/TestDevice.h"

namespace {
struct Draw : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        // No depth test unless a test wants it: the rectangles overlap.
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
    }
    TestDevice t{64, 64};
    IDirect3DDevice9* d = nullptr;
};
}  // namespace

TEST_F(Draw, ClearColourReadsBackAndPresentKeepsIt) {
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000666, 1.0f, 0), D3D_OK);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    auto pixels = t.Pixels();
    ASSERT_EQ(pixels.size(), 64u * 64u);
    for (D3DCOLOR p : pixels) ASSERT_EQ(p, 0xFF000666u);
}

TEST_F(Draw, ClearKeepsToItsRectanglesAndTheViewport) {
    D3DRECT rect = {8, 4, 16, 12};
    ASSERT_EQ(d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(t.Pixel(8, 4), 0xFFFF0000u);    // top-left corner of the rectangle
    EXPECT_EQ(t.Pixel(15, 11), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(16, 11), 0xFF000000u);  // right and bottom edges excluded
    EXPECT_EQ(t.Pixel(8, 12), 0xFF000000u);

    D3DVIEWPORT9 vp = {32, 0, 32, 16, 0.0f, 1.0f};
    ASSERT_EQ(d->SetViewport(&vp), D3D_OK);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(t.Pixel(32, 0), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(63, 15), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(31, 0), 0xFF000000u);
    EXPECT_EQ(t.Pixel(32, 16), 0xFF000000u);

    D3DVIEWPORT9 tooBig = {32, 0, 33, 16, 0.0f, 1.0f};
    EXPECT_EQ(d->SetViewport(&tooBig), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    // Depths outside 0..1 are refused, NaN among them.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, nan, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 nanDepth = {0, 0, 16, 16, nan, 1.0f};
    EXPECT_EQ(d->SetViewport(&nanDepth), D3DERR_INVALIDCALL);
    nanDepth = {0, 0, 16, 16, 0.0f, nan};
    EXPECT_EQ(d->SetViewport(&nanDepth), D3DERR_INVALIDCALL);
}

// Pre-transformed vertices land on exactly the pixels Direct3D 9 covers,
// with y running down from the top.
TEST_F(Draw, PretransformedRectCoversExactPixels) {
    ASSERT_EQ(DrawRect(d, 10, 20, 30, 25, 0xFF336699), D3D_OK);
    EXPECT_EQ(t.Pixel(10, 20), 0xFF336699u);
    EXPECT_EQ(t.Pixel(29, 24), 0xFF336699u);
    EXPECT_EQ(t.Pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(t.Pixel(10, 19), 0xFF000000u);
    EXPECT_EQ(t.Pixel(30, 24), 0xFF000000u);
    EXPECT_EQ(t.Pixel(29, 25), 0xFF000000u);
}

TEST_F(Draw, CullingFollowsClockwiseFrontFaces) {
    // Default CULLMODE CCW removes counter-clockwise triangles.
    DrawRect(d, 0, 0, 8, 8, 0xFFFFFFFF, 0.5f, true);
    DrawRect(d, 8, 0, 16, 8, 0xFFFFFFFF, 0.5f, false);
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(t.Pixel(12, 4), 0xFF000000u);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    DrawRect(d, 0, 8, 8, 16, 0xFFFFFFFF, 0.5f, true);
    DrawRect(d, 8, 8, 16, 16, 0xFFFFFFFF, 0.5f, false);
    EXPECT_EQ(t.Pixel(4, 12), 0xFF000000u);
    EXPECT_EQ(t.Pixel(12, 12), 0xFFFFFFFFu);
}

TEST_F(Draw, BlendDepthAndColourWrite) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawRect(d, 0, 0, 8, 8, 0x80FF0000);  // half red over blue
    EXPECT_TRUE(Near(t.Pixel(4, 4), 0xFF80007F)) << std::hex << t.Pixel(4, 4);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // Depth: the nearer rectangle wins whatever the order.
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    DrawRect(d, 16, 0, 32, 16, 0xFF00FF00, 0.25f);
    DrawRect(d, 24, 0, 40, 16, 0xFFFF0000, 0.75f);
    EXPECT_EQ(t.Pixel(28, 8), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(36, 8), 0xFFFF0000u);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawRect(d, 40, 0, 48, 8, 0xFFFFFFFF, 0.1f);
    DrawRect(d, 40, 0, 48, 8, 0xFF0000FF, 0.9f);  // passes: nothing was written
    EXPECT_EQ(t.Pixel(44, 4), 0xFF0000FFu);

    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
    DrawRect(d, 0, 32, 8, 40, 0xFFFFFFFF);
    EXPECT_EQ(t.Pixel(4, 36), 0xFF00FFFFu);  // green added to the blue clear
}

// The alpha test discards fragments as the render states say; the scene's
// default (ref 1, GREATEREQUAL) drops fully transparent pixels only.
TEST_F(Draw, AlphaTestDiscards) {
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 1);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    DrawRect(d, 0, 0, 8, 8, 0x00FFFFFF);
    DrawRect(d, 8, 0, 16, 8, 0x01FFFFFF);
    EXPECT_EQ(t.Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(t.Pixel(12, 4), 0xFFFFFFFFu);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    d->SetRenderState(D3DRS_ALPHAREF, 0x80);
    DrawRect(d, 16, 0, 24, 8, 0x7F00FF00);
    DrawRect(d, 24, 0, 32, 8, 0x8000FF00);
    EXPECT_EQ(t.Pixel(20, 4), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(28, 4), 0xFF000000u);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    DrawRect(d, 0, 8, 8, 16, 0x00FFFFFF);
    EXPECT_EQ(t.Pixel(4, 12), 0xFFFFFFFFu);
}

// Shadow volumes count front faces up and back faces down in one pass.
TEST_F(Draw, TwoSidedStencilCountsEachSide) {
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    d->SetRenderState(D3DRS_TWOSIDEDSTENCILMODE, TRUE);
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    d->SetRenderState(D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS);
    d->SetRenderState(D3DRS_CCW_STENCILPASS, D3DSTENCILOP_DECR);
    DrawRect(d, 0, 0, 32, 32, 0, 0.5f, true);    // +1 over the left part
    DrawRect(d, 0, 0, 16, 32, 0, 0.5f, true);    // +1 more on the far left
    DrawRect(d, 16, 0, 48, 32, 0, 0.5f, false);  // -1 from x = 16 on
    // Now: x < 16 holds 2, 16..31 holds 0, 32..47 holds 255 (wrapped).
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    d->SetRenderState(D3DRS_TWOSIDEDSTENCILMODE, FALSE);
    d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    d->SetRenderState(D3DRS_STENCILREF, 2);
    DrawRect(d, 0, 0, 64, 64, 0xFFFF0000);
    d->SetRenderState(D3DRS_STENCILREF, 0xFF);
    DrawRect(d, 0, 0, 64, 64, 0xFF0000FF);
    EXPECT_EQ(t.Pixel(8, 8), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(24, 8), 0xFF000000u);
    EXPECT_EQ(t.Pixel(40, 8), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(56, 8), 0xFF000000u);
}

TEST_F(Draw, ScissorBoundsDrawing) {
    RECT r = {4, 4, 8, 6};
    d->SetScissorRect(&r);
    d->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    DrawRect(d, 0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(t.Pixel(7, 5), 0xFFFFFFFFu);
    EXPECT_EQ(t.Pixel(8, 5), 0xFF000000u);
    EXPECT_EQ(t.Pixel(7, 6), 0xFF000000u);
}

TEST_F(Draw, IndexedDrawFromBuffersWithBaseVertex) {
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(8 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kScreenFVF, D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    ASSERT_EQ(d->CreateIndexBuffer(12 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    ScreenVertex* v = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0), D3D_OK);
    for (int q = 0; q < 2; ++q) {  // two quads, the second 16 pixels lower
        float y = 16.0f * float(q) - 0.5f;
        D3DCOLOR c = q == 0 ? 0xFFFF0000 : 0xFF00FF00;
        v[q * 4 + 0] = {-0.5f, y, 0.5f, 1, c};
        v[q * 4 + 1] = {7.5f, y, 0.5f, 1, c};
        v[q * 4 + 2] = {-0.5f, y + 8, 0.5f, 1, c};
        v[q * 4 + 3] = {7.5f, y + 8, 0.5f, 1, c};
    }
    vb->Unlock();
    WORD* idx = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0), D3D_OK);
    const WORD quads[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    std::copy(quads, quads + 12, idx);
    ib->Unlock();
    d->SetFVF(kScreenFVF);
    d->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    d->SetIndices(ib);
    ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(t.Pixel(4, 20), 0xFF00FF00u);

    // A change through a later lock reaches the next draw.
    ASSERT_EQ(vb->Lock(4 * sizeof(ScreenVertex), sizeof(ScreenVertex) * 4, reinterpret_cast<void**>(&v), 0), D3D_OK);
    for (int i = 0; i < 4; ++i) v[i].color = 0xFF0000FF;
    vb->Unlock();
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2);
    EXPECT_EQ(t.Pixel(4, 20), 0xFF0000FFu);

    // The second half of the indices, from base -4, reaches the first quad.
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -4, 0, 4, 6, 2), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFF0000u);

    // Indices that reach outside the vertex buffer are refused, not read.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 5, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 9, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1), D3DERR_INVALIDCALL);
    // Vertex numbers and counts that would wrap are refused, not drawn as
    // something smaller.
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x55555556u), D3DERR_INVALIDCALL);

    // A 32-bit index plus the base vertex past 32 bits must not wrap onto
    // vertex 0.
    IDirect3DIndexBuffer9* wide = nullptr;
    ASSERT_EQ(d->CreateIndexBuffer(3 * 4, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &wide, nullptr), D3D_OK);
    DWORD* top = nullptr;
    ASSERT_EQ(wide->Lock(0, 0, reinterpret_cast<void**>(&top), 0), D3D_OK);
    std::fill(top, top + 3, 0xFFFFFFFFu);
    wide->Unlock();
    d->SetIndices(wide);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 1, 0, 1), D3DERR_INVALIDCALL);
    wide->Release();

    d->SetStreamSource(0, nullptr, 0, 0);
    d->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}

// A stream of stride 0 hands every vertex the same data, as Direct3D does,
// instead of reading on past its one vertex.
TEST_F(Draw, StreamOfStrideZeroRepeatsItsVertex) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {1, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(d->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    IDirect3DVertexBuffer9* positions = nullptr;
    IDirect3DVertexBuffer9* colour = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(4 * 16, 0, 0, D3DPOOL_MANAGED, &positions, nullptr), D3D_OK);
    ASSERT_EQ(d->CreateVertexBuffer(4, 0, 0, D3DPOOL_MANAGED, &colour, nullptr), D3D_OK);
    float* p = nullptr;
    ASSERT_EQ(positions->Lock(0, 0, reinterpret_cast<void**>(&p), 0), D3D_OK);
    const float corners[16] = {-0.5f, -0.5f, 0.5f, 1, 7.5f, -0.5f, 0.5f, 1, -0.5f, 7.5f, 0.5f, 1, 7.5f, 7.5f, 0.5f, 1};
    std::copy(corners, corners + 16, p);
    positions->Unlock();
    D3DCOLOR* c = nullptr;
    ASSERT_EQ(colour->Lock(0, 0, reinterpret_cast<void**>(&c), 0), D3D_OK);
    *c = 0xFFFF0000;
    colour->Unlock();

    d->SetVertexDeclaration(declaration);
    d->SetStreamSource(0, positions, 0, 16);
    d->SetStreamSource(1, colour, 0, 0);
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(t.Pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(6, 6), 0xFFFF0000u);

    // The next draw with a stride reads each vertex again.
    ScreenVertex v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFF00FF00}, {7.5f, -0.5f, 0.5f, 1, 0xFF00FF00},
                         {-0.5f, 7.5f, 0.5f, 1, 0xFF0000FF}, {7.5f, 7.5f, 0.5f, 1, 0xFF0000FF}};
    d->SetFVF(kScreenFVF);
    ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
    D3DCOLOR bottom = t.Pixel(3, 7);  // blended from green above to blue below
    EXPECT_GT(bottom & 0xFF, (bottom >> 8) & 0xFF);

    d->SetStreamSource(1, nullptr, 0, 0);
    declaration->Release();
    positions->Release();
    colour->Release();
}

// A layout without colours draws white, also right after one that had them.
TEST_F(Draw, ColourMissingFromTheLayoutReadsWhite) {
    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFFFF0000), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFF0000u);
    const float bare[4][4] = {{-0.5f, -0.5f, 0.5f, 1}, {7.5f, -0.5f, 0.5f, 1}, {-0.5f, 7.5f, 0.5f, 1}, {7.5f, 7.5f, 0.5f, 1}};
    d->SetFVF(D3DFVF_XYZRHW);
    ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bare, sizeof bare[0]), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFFFu);
}

// On a stencil known to be all 0 a draw whose stencil test must fail is
// skipped; one whose failing fragments still write the stencil, or any draw
// after the stencil was written, is not. Both ways leave the same pixels.
TEST_F(Draw, ADrawThatAClearStencilRejectsIsSkippedWithTheSamePixels) {
    auto drawScene = [&](bool skipping) {
        plat::SkipStencilRejectedDraws(skipping);
        d->Present(nullptr, nullptr, nullptr, nullptr);  // the frame's figures start here
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);  // the shadow darkening: skipped
        d->SetRenderState(D3DRS_STENCILREF, 0);
        d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_ZERO);
        DrawRect(d, 0, 0, 64, 64, 0xFFFF0000);
        d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);  // fails, but counts up where it fails
        d->SetRenderState(D3DRS_STENCILREF, 1);
        d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_INCR);
        DrawRect(d, 0, 0, 32, 64, 0xFF00FF00);
        d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);  // now over the counted half
        d->SetRenderState(D3DRS_STENCILREF, 0);
        DrawRect(d, 0, 0, 64, 64, 0xFF0000FF);
        d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        d->Present(nullptr, nullptr, nullptr, nullptr);
        plat::SkipStencilRejectedDraws(true);
        return std::make_pair(t.Pixels(), plat::LastFrameGlStats().draws);
    };
    const auto [drawnPixels, drawnDraws] = drawScene(false);
    const auto [skippedPixels, skippedDraws] = drawScene(true);
    EXPECT_EQ(skippedDraws, drawnDraws - 1);
    EXPECT_TRUE(skippedPixels == drawnPixels);
    EXPECT_EQ(t.Pixel(8, 8), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(40, 8), 0xFF000000u);
}

// Arguments are checked before a draw is found to change nothing: a bad
// draw is refused where the clear stencil would have it skipped.
TEST_F(Draw, ABadDrawIsRefusedAlsoWhereTheStencilWouldSkipIt) {
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(3 * sizeof(ScreenVertex), 0, kScreenFVF, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(d->CreateIndexBuffer(3 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    WORD* idx = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0), D3D_OK);
    idx[0] = 0, idx[1] = 1, idx[2] = 3;  // one past the vertex buffer
    ib->Unlock();
    const ScreenVertex v[3] = {};
    for (bool recordOn : {true, false}) {
        plat::SetGlStateCache(recordOn);
        d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
        d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
        d->SetFVF(kScreenFVF);
        d->SetStreamSource(0, nullptr, 0, 0);
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "record on: " << recordOn;
        d->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
        d->SetIndices(ib);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL)
            << "record on: " << recordOn;
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
        d->SetFVF(0);
        EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ScreenVertex)), D3DERR_INVALIDCALL)
            << "record on: " << recordOn;
    }
    plat::SetGlStateCache(true);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetStreamSource(0, nullptr, 0, 0);
    d->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}
