// The device sends OpenGL only what changed, from its record of what the
// context holds. That record must never go stale: GL drops the bindings of
// a deleted texture, buffer, program or framebuffer and may hand the name to
// the next new one (llvmpipe gives fresh names, drivers that reuse them at
// once would show a stale record here), and a Reset or a state block's
// Apply changes every state at once. Each case draws where a stale record
// would leave a wrong pixel.
#include <gtest/gtest.h>

#include "DrawHelpers.h"
#include "platform/gfx/GpuProgram.h"
#include "support/TestDevice.h"

namespace {
// 64x64 on the 640x480 window: the back buffer is a framebuffer object.
struct StateRecord : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
        Begin();
    }
    void Begin() {
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    IDirect3DTexture9* SolidTexture(D3DCOLOR colour) {
        IDirect3DTexture9* texture = nullptr;
        d->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        *static_cast<D3DCOLOR*>(locked.pBits) = colour;
        texture->UnlockRect(0);
        return texture;
    }
    // A square of the given colour from a vertex buffer of its own.
    void DrawFromBuffer(float x0, float y0, float x1, float y1, D3DCOLOR c) {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(d->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, kScreenFVF, D3DPOOL_MANAGED, &vb, nullptr),
                  D3D_OK);
        ScreenVertex* v = nullptr;
        vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
        v[0] = {x0 - 0.5f, y0 - 0.5f, 0.5f, 1, c};
        v[1] = {x1 - 0.5f, y0 - 0.5f, 0.5f, 1, c};
        v[2] = {x0 - 0.5f, y1 - 0.5f, 0.5f, 1, c};
        v[3] = {x1 - 0.5f, y1 - 0.5f, 0.5f, 1, c};
        vb->Unlock();
        d->SetFVF(kScreenFVF);
        d->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        d->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }
    std::unique_ptr<plat::GpuProgram> SolidProgram(const char* colour) {
        std::string log;
        auto program = plat::GpuProgram::Build(
            "layout(location = TM_POSITION) in vec4 p; void main() { gl_Position = tmClip(tmScreenToClip(p)); }",
            std::string("out vec4 c; void main() { c = ") + colour + "; tmAlphaTest(c.a); }", &log);
        EXPECT_NE(program, nullptr) << log;
        return program;
    }

    TestDevice t{64, 64};
    IDirect3DDevice9* d = nullptr;
};
}  // namespace

TEST_F(StateRecord, ANewTextureBufferOrProgramOnADeletedOnesNameIsSent) {
    IDirect3DTexture9* red = SolidTexture(0xFFFF0000);
    d->SetTexture(0, red);
    ASSERT_EQ(DrawTexturedRect(d, 0, 0, 8, 8), D3D_OK);
    d->SetTexture(0, nullptr);
    red->Release();
    IDirect3DTexture9* blue = SolidTexture(0xFF0000FF);
    d->SetTexture(0, blue);
    ASSERT_EQ(DrawTexturedRect(d, 8, 0, 16, 8), D3D_OK);
    d->SetTexture(0, nullptr);
    blue->Release();

    DrawFromBuffer(0, 8, 8, 16, 0xFF00FF00);
    DrawFromBuffer(8, 8, 16, 16, 0xFFFF00FF);

    auto yellow = SolidProgram("vec4(1.0, 1.0, 0.0, 1.0)");
    d->SetProgram(yellow.get());
    ASSERT_EQ(DrawRect(d, 0, 16, 8, 24, 0xFFFFFFFF), D3D_OK);
    d->SetProgram(nullptr);
    yellow.reset();  // deleted while it is still GL's current program
    auto cyan = SolidProgram("vec4(0.0, 1.0, 1.0, 1.0)");
    d->SetProgram(cyan.get());
    ASSERT_EQ(DrawRect(d, 8, 16, 16, 24, 0xFFFFFFFF), D3D_OK);
    d->SetProgram(nullptr);

    EXPECT_EQ(t.Pixel(4, 4), 0xFFFF0000u);
    EXPECT_EQ(t.Pixel(12, 4), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(4, 12), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(12, 12), 0xFFFF00FFu);
    EXPECT_EQ(t.Pixel(4, 20), 0xFFFFFF00u);
    EXPECT_EQ(t.Pixel(12, 20), 0xFF00FFFFu);
}

// A Reset re-creates the back buffer (its framebuffer's name comes back)
// and puts every state back to its default; a state block puts back what it
// captured.
TEST_F(StateRecord, AResetOrAStateBlockChangesWhatTheNextDrawSends) {
    IDirect3DStateBlock9* opaque = nullptr;
    ASSERT_EQ(d->CreateStateBlock(D3DSBT_ALL, &opaque), D3D_OK);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFFFF0000), D3D_OK);  // blended away
    opaque->Apply();
    opaque->Release();
    ASSERT_EQ(DrawRect(d, 8, 0, 16, 8, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(t.Pixel(12, 4), 0xFF00FF00u);

    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFFFF0000), D3D_OK);
    ASSERT_EQ(d->Reset(&t.pp), D3D_OK);
    ASSERT_FALSE(d->DrawsIntoWindow());
    Begin();
    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFF0000FF), D3D_OK);
    EXPECT_EQ(t.Pixel(4, 4), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(12, 4), 0xFF000000u);
}
