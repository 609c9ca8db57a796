// Buffers, textures and render targets: CPU copies, locks and sampling.
#include <gtest/gtest.h>

#include <cstring>

#include "DrawHelpers.h"
#include "support/TestDevice.h"

namespace {
struct Resources : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    void TearDown() override { plat::InjectLockFailures(0); }
    TestDevice t{64, 64};
    IDirect3DDevice9* d = nullptr;
};

// Fills a 32-bit texture level from a function of (x, y).
template <class F>
void Fill(IDirect3DTexture9* tex, UINT level, F colour) {
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(tex->LockRect(level, &r, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y)
        for (UINT x = 0; x < desc.Width; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] = colour(x, y);
    tex->UnlockRect(level);
}
}  // namespace

TEST_F(Resources, BufferLocksCheckTheirRange) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    ASSERT_EQ(vb->Lock(16, 0, &p, 0), D3D_OK);  // size 0: to the end
    std::memset(p, 0xAB, 48);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    BYTE* all = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&all), D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(all[15], 0);
    EXPECT_EQ(all[16], 0xAB);
    EXPECT_EQ(all[63], 0xAB);
    vb->Unlock();

    plat::InjectLockFailures(1);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    vb->Unlock();
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 64u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    vb->Release();

    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(d->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateVertexBuffer(8, 0, kScreenFVF, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Resources, TextureLevelsPitchesAndLocks) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(16, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 5u);  // 16x4, 8x2, 4x1, 2x1, 1x1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(tex->GetLevelDesc(3, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(tex->GetLevelDesc(5, &desc), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT whole{}, part{};
    ASSERT_EQ(tex->LockRect(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.Pitch, 64);
    EXPECT_EQ(tex->LockRect(0, &part, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    tex->UnlockRect(0);
    RECT r = {2, 1, 4, 3};
    ASSERT_EQ(tex->LockRect(0, &part, &r, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(part.pBits) - static_cast<BYTE*>(whole.pBits), 64 + 8);
    tex->UnlockRect(0);
    RECT outside = {0, 0, 17, 1};
    EXPECT_EQ(tex->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
    tex->Release();

    IDirect3DTexture9* bad = nullptr;
    EXPECT_EQ(d->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bad, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bad, nullptr), D3DERR_INVALIDCALL);

    IDirect3DVolumeTexture9* vol = nullptr;
    ASSERT_EQ(d->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &vol, nullptr), D3D_OK);
    D3DLOCKED_BOX b{}, sub{};
    ASSERT_EQ(vol->LockBox(0, &b, nullptr, 0), D3D_OK);
    EXPECT_EQ(b.RowPitch, 16);
    EXPECT_EQ(b.SlicePitch, 64);
    vol->UnlockBox(0);
    D3DBOX box = {1, 2, 3, 4, 3, 4};
    ASSERT_EQ(vol->LockBox(0, &sub, &box, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(sub.pBits) - static_cast<BYTE*>(b.pBits), 3 * 64 + 2 * 16 + 4);
    vol->UnlockBox(0);
    vol->Release();
    // OpenGL has no compressed volumes.
    EXPECT_EQ(d->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &vol, nullptr), D3DERR_INVALIDCALL);
}

// A level of 4 GiB would wrap the 32-bit pitches to nothing and hand out a
// lock onto an empty copy.
TEST_F(Resources, TexturesBeyondTheLockPitchesAreRefused) {
    IDirect3DTexture9* tex = nullptr;
    EXPECT_EQ(d->CreateTexture(65536, 16384, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    IDirect3DCubeTexture9* cube = nullptr;
    EXPECT_EQ(d->CreateCubeTexture(32768, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DVolumeTexture9* vol = nullptr;
    EXPECT_EQ(d->CreateVolumeTexture(65536, 16384, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &vol, nullptr),
              D3DERR_INVALIDCALL);
}

// Sizes are checked in 64 bits against what the device says it can make: a
// width near 2^32 must not wrap its block count to one block of 8 bytes.
TEST_F(Resources, TexturesBeyondTheDeviceCapsAreRefused) {
    const plat::LevelPitches wide = plat::PitchesOf(D3DFMT_DXT1, 0xFFFFFFFDu, 4);
    EXPECT_EQ(wide.row, 0x40000000ull * 8);
    EXPECT_EQ(wide.slice, 0x40000000ull * 8);

    D3DCAPS9 caps{};
    ASSERT_EQ(d->GetDeviceCaps(&caps), D3D_OK);
    const UINT largest = caps.MaxTextureWidth, deepest = caps.MaxVolumeExtent;
    IDirect3DTexture9* tex = nullptr;
    EXPECT_EQ(d->CreateTexture(0xFFFFFFFD, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateTexture(largest + 1, 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &tex, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateTexture(1, caps.MaxTextureHeight + 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &tex, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    ASSERT_EQ(d->CreateTexture(largest, 1, 0, 0, D3DFMT_L8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    tex->Release();
    IDirect3DCubeTexture9* cube = nullptr;
    EXPECT_EQ(d->CreateCubeTexture(largest + 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &cube, nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DVolumeTexture9* vol = nullptr;
    EXPECT_EQ(d->CreateVolumeTexture(1, 1, deepest + 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &vol, nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(d->CreateVolumeTexture(deepest, 1, 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &vol, nullptr), D3D_OK);
    vol->Release();
}

// Texel (0, 0) is the top left of the image and of the drawn rectangle.
TEST_F(Resources, TextureSampledTopRowFirst) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    const DWORD texels[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}};
    Fill(tex, 0, [&](UINT x, UINT y) { return texels[y][x]; });
    d->SetTexture(0, tex);
    ASSERT_EQ(DrawTexturedRect(d, 0, 0, 16, 16), D3D_OK);
    EXPECT_EQ(t.Pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(12, 3), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(3, 12), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(12, 12), 0xFFFFFFFFu);

    // A lock after the first upload reaches the next draw.
    Fill(tex, 0, [](UINT, UINT) { return 0xFF808080u; });
    DrawTexturedRect(d, 0, 0, 16, 16);
    EXPECT_EQ(t.Pixel(3, 3), 0xFF808080u);
    d->SetTexture(0, nullptr);
    tex->Release();
}

// One 4x4 DXT1 block: colour 0 red, colour 1 blue; the top two rows pick
// colour 0, the bottom two colour 1.
TEST_F(Resources, Dxt1TextureSampled) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(tex->LockRect(0, &r, nullptr, 0), D3D_OK);
    EXPECT_EQ(r.Pitch, 8);
    const BYTE block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x55, 0x55};
    std::memcpy(r.pBits, block, 8);
    tex->UnlockRect(0);
    d->SetTexture(0, tex);
    DrawTexturedRect(d, 0, 0, 16, 16);
    EXPECT_EQ(t.Pixel(8, 2), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(8, 13), 0xFF0000FFu);
    d->SetTexture(0, nullptr);
    tex->Release();
}

// Drawing into a texture keeps its rows top first, like uploaded images,
// and what was drawn comes back through a lock.
TEST_F(Resources, RenderIntoTextureLandsInItsCpuCopy) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex, nullptr),
              D3D_OK);
    ASSERT_EQ(d->SetRenderTargetTexture(tex, 0, 0), D3D_OK);
    D3DVIEWPORT9 vp{};
    d->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 8u);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    DrawRect(d, 0, 0, 4, 2, 0xFFFF0000);                      // top-left corner, clockwise
    DrawRect(d, 4, 6, 8, 8, 0xFF00FF00, 0.5f, true);          // bottom-right corner
    DrawRect(d, 0, 6, 4, 8, 0xFF0000FF, 0.5f, false);         // counter-clockwise: culled
    ASSERT_EQ(d->SetRenderTargetTexture(nullptr, 0, 0), D3D_OK);
    d->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);

    D3DLOCKED_RECT r{};
    ASSERT_EQ(tex->LockRect(0, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto texel = [&](int x, int y) { return reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x]; };
    EXPECT_EQ(texel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(texel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(texel(4, 0), 0xFF000000u);
    EXPECT_EQ(texel(7, 7), 0xFF00FF00u);
    EXPECT_EQ(texel(0, 7), 0xFF000000u);
    tex->UnlockRect(0);

    // Sampled afterwards, it shows the same way up.
    d->SetTexture(0, tex);
    DrawTexturedRect(d, 0, 0, 8, 8);
    EXPECT_EQ(t.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(7, 7), 0xFF00FF00u);
    d->SetTexture(0, nullptr);

    IDirect3DTexture9* dxt = nullptr;
    d->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &dxt, nullptr);
    EXPECT_EQ(d->SetRenderTargetTexture(dxt, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderTargetTexture(tex, 1, 0), D3DERR_INVALIDCALL);
    dxt->Release();
    tex->Release();
}

namespace {
constexpr UINT kQuadBytes = 6 * sizeof(ScreenVertex);

// Quad q of a buffer of quads covers x 32q..32q+32 of the top half, in the
// colour given, written through a lock of its own bytes.
void WriteQuad(IDirect3DVertexBuffer9* vb, UINT q, D3DCOLOR c, DWORD flags) {
    const float x0 = 32.0f * float(q) - 0.5f, x1 = x0 + 32.0f, y1 = 31.5f;
    const ScreenVertex v[6] = {{x0, -0.5f, 0.5f, 1, c}, {x1, -0.5f, 0.5f, 1, c}, {x0, y1, 0.5f, 1, c},
                               {x0, y1, 0.5f, 1, c},    {x1, -0.5f, 0.5f, 1, c}, {x1, y1, 0.5f, 1, c}};
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(q * kQuadBytes, kQuadBytes, &data, flags), D3D_OK);
    std::memcpy(data, v, sizeof v);
    vb->Unlock();
}

// One frame that draws the quads from firstQuad on; the bytes it uploaded.
size_t DrawQuads(IDirect3DDevice9* d, IDirect3DVertexBuffer9* vb, UINT firstQuad, UINT quads) {
    d->Present(nullptr, nullptr, nullptr, nullptr);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d->SetFVF(kScreenFVF);
    d->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 6 * firstQuad, 2 * quads), D3D_OK);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    d->SetStreamSource(0, nullptr, 0, 0);
    return plat::LastFrameGlStats().bytesUploaded;
}
}  // namespace

// Only the bytes a lock covered go up again; the rest of the buffer keeps
// what it held, unless the lock discarded it.
TEST_F(Resources, ABufferUploadsOnlyTheBytesItsLocksCovered) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(2 * kQuadBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kScreenFVF,
                                    D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    WriteQuad(vb, 0, 0xFFFF0000, 0);
    WriteQuad(vb, 1, 0xFF00FF00, 0);
    EXPECT_EQ(DrawQuads(d, vb, 0, 2), 2 * kQuadBytes);
    WriteQuad(vb, 1, 0xFF0000FF, 0);
    EXPECT_EQ(DrawQuads(d, vb, 0, 2), kQuadBytes);
    EXPECT_EQ(t.Pixel(8, 8), 0xFFFF0000u);  // kept from the first upload
    EXPECT_EQ(t.Pixel(40, 8), 0xFF0000FFu);
    WriteQuad(vb, 0, 0xFFFFFFFF, D3DLOCK_DISCARD);
    EXPECT_EQ(DrawQuads(d, vb, 0, 1), kQuadBytes);
    EXPECT_EQ(t.Pixel(8, 8), 0xFFFFFFFFu);
    vb->Release();
}

// A buffer made without dynamic usage may not drop its contents: a partial
// discarding lock leaves the bytes it did not cover drawing as before.
TEST_F(Resources, ADiscardingLockOfABufferThatIsNotDynamicKeepsEveryByte) {
    for (bool recordOn : {true, false}) {
        plat::SetGlStateCache(recordOn);
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(d->CreateVertexBuffer(2 * kQuadBytes, D3DUSAGE_WRITEONLY, kScreenFVF, D3DPOOL_MANAGED, &vb,
                                        nullptr),
                  D3D_OK);
        WriteQuad(vb, 0, 0xFFFF0000, 0);
        WriteQuad(vb, 1, 0xFF00FF00, 0);
        DrawQuads(d, vb, 0, 2);
        WriteQuad(vb, 0, 0xFF0000FF, D3DLOCK_DISCARD);
        DrawQuads(d, vb, 0, 2);
        EXPECT_EQ(t.Pixel(8, 8), 0xFF0000FFu) << "record on: " << recordOn;
        EXPECT_EQ(t.Pixel(40, 8), 0xFF00FF00u) << "record on: " << recordOn;
        vb->Release();
    }
    plat::SetGlStateCache(true);
}
