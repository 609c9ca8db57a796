// State blocks, device loss and reset.
#include <gtest/gtest.h>

#include "DrawHelpers.h"
#include "support/TestDevice.h"

namespace {
struct LifeCycle : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
    }
    DWORD State(D3DRENDERSTATETYPE s) {
        DWORD v = 0;
        d->GetRenderState(s, &v);
        return v;
    }
    TestDevice t{64, 64};
    IDirect3DDevice9* d = nullptr;
};
}  // namespace

TEST_F(LifeCycle, RecordedBlockLeavesTheDeviceAloneUntilApplied) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    ASSERT_EQ(d->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(d->BeginStateBlock(), D3DERR_INVALIDCALL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_FOGCOLOR, 0x123456);
    d->SetSamplerState(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetTexture(1, tex);
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(d->EndStateBlock(&block), D3D_OK);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(State(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    IDirect3DBaseTexture9* bound = nullptr;
    d->GetTexture(1, &bound);
    EXPECT_EQ(bound, nullptr);

    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);  // not in the block
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(State(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(State(D3DRS_FOGCOLOR), 0x123456u);
    EXPECT_EQ(State(D3DRS_ZFUNC), DWORD(D3DCMP_GREATER));
    DWORD mag = 0;
    d->GetSamplerState(3, D3DSAMP_MAGFILTER, &mag);
    EXPECT_EQ(mag, DWORD(D3DTEXF_LINEAR));
    d->GetTexture(1, &bound);
    EXPECT_EQ(bound, tex);
    bound->Release();

    // Capture refreshes only what the block holds.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    block->Capture();
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    block->Apply();
    EXPECT_EQ(State(D3DRS_CULLMODE), DWORD(D3DCULL_CW));

    // The block and the device keep the texture alive after its owner lets go.
    d->SetTexture(1, nullptr);
    tex->Release();
    block->Apply();
    d->GetTexture(1, &bound);
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound->GetLevelCount(), 1u);
    bound->Release();
    d->SetTexture(1, nullptr);
    block->Release();
}

TEST_F(LifeCycle, WholeBlockRestoresEverything) {
    D3DVIEWPORT9 small = {0, 0, 8, 8, 0.0f, 1.0f};
    IDirect3DStateBlock9* all = nullptr;
    ASSERT_EQ(d->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->SetViewport(&small);
    d->SetFVF(kScreenFVF);
    all->Apply();
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    DWORD op = 0;
    d->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_MODULATE));
    D3DVIEWPORT9 vp{};
    d->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);
    DWORD fvf = 1;
    d->GetFVF(&fvf);
    EXPECT_EQ(fvf, 0u);
    all->Release();
}

// A lost device keeps answering until it can be reset; Reset refuses while
// default-pool objects or state blocks live, then takes the new size.
TEST_F(LifeCycle, LossAndReset) {
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
    d->InjectCooperativeLevel(D3DERR_DEVICELOST);
    EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = t.pp;
    EXPECT_EQ(d->Reset(&pp), D3DERR_DEVICELOST);
    d->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    IDirect3DVertexBuffer9* dynamic = nullptr;
    IDirect3DTexture9* managed = nullptr;
    IDirect3DStateBlock9* block = nullptr;
    d->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &dynamic, nullptr);
    d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr);
    d->CreateStateBlock(D3DSBT_ALL, &block);
    d->SetStreamSource(0, dynamic, 0, 24);
    EXPECT_EQ(d->Reset(&pp), D3DERR_INVALIDCALL);
    dynamic->Release();
    EXPECT_EQ(d->Reset(&pp), D3DERR_INVALIDCALL);  // the state block
    block->Release();

    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 16;
    ASSERT_EQ(d->Reset(&pp), D3D_OK);
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000666, 1.0f, 0);
    auto pixels = t.Pixels();
    EXPECT_EQ(t.width, 32u);
    EXPECT_EQ(t.height, 16u);
    EXPECT_EQ(pixels.back(), 0xFF000666u);
    D3DVIEWPORT9 vp{};
    d->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 32u);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // The managed texture survived and still draws.
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    D3DLOCKED_RECT r{};
    managed->LockRect(0, &r, nullptr, 0);
    for (int i = 0; i < 16; ++i) static_cast<DWORD*>(r.pBits)[i] = 0xFF00FF00;
    managed->UnlockRect(0);
    d->SetTexture(0, managed);
    DrawTexturedRect(d, 0, 0, 4, 4);
    EXPECT_EQ(t.Pixel(1, 1), 0xFF00FF00u);
    d->SetTexture(0, nullptr);
    managed->Release();

    d->InjectResetFailure(D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(d->Reset(&pp), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(d->Reset(&pp), D3D_OK);
}

TEST_F(LifeCycle, SceneBracketsAndResourcesOutlivingTheDevice) {
    EXPECT_EQ(d->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->BeginScene(), D3D_OK);
    EXPECT_EQ(d->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->EndScene(), D3D_OK);

    // A texture released after its device must not reach the dead device.
    IDirect3DTexture9* late = nullptr;
    d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &late, nullptr);
    d->SetTexture(0, late);
    DrawTexturedRect(d, 0, 0, 4, 4);  // gives it a GL texture
    d->Release();
    t.device = nullptr;
    IDirect3DDevice9* none = nullptr;
    EXPECT_EQ(late->GetDevice(&none), D3DERR_INVALIDCALL);
    late->Release();
}

// A back buffer larger than the device's caps is refused where it is asked
// for, and a refused reset leaves the device as it was.
TEST_F(LifeCycle, BackBuffersBeyondTheCapsAreRefused) {
    D3DCAPS9 caps{};
    ASSERT_EQ(d->GetDeviceCaps(&caps), D3D_OK);
    D3DPRESENT_PARAMETERS pp = t.pp;
    pp.BackBufferWidth = caps.MaxTextureWidth + 1;
    pp.BackBufferHeight = 1;
    EXPECT_EQ(d->Reset(&pp), D3DERR_INVALIDCALL);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000666, 1.0f, 0);
    EXPECT_EQ(t.Pixel(63, 63), 0xFF000666u);
    EXPECT_EQ(t.width, 64u);

    IDirect3DDevice9* second = nullptr;
    pp.BackBufferWidth = 1;
    pp.BackBufferHeight = caps.MaxTextureHeight + 1;
    EXPECT_EQ(t.d3d->CreateDevice(0, D3DDEVTYPE_HAL, t.window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &second),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(second, nullptr);
}
