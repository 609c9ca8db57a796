// Presenting: a back buffer of the window's size is the window's own
// framebuffer (Present only swaps); one of another size is a framebuffer
// object copied to the window. Every pixel check holds in both.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "DrawHelpers.h"
#include "support/TestDevice.h"

namespace {
// The window the tests' devices sit on is 640x480.
struct BackBufferCase {
    UINT width, height;
    bool intoWindow;
};

class Present : public ::testing::TestWithParam<BackBufferCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
    }
    TestDevice t{GetParam().width, GetParam().height};
    IDirect3DDevice9* d = nullptr;
};
}  // namespace

TEST_P(Present, TheBackBufferGoesWhereItsSizeSays) {
    EXPECT_EQ(d->DrawsIntoWindow(), GetParam().intoWindow);
}

// Depth and stencil of the window's framebuffer behave as the D24S8 buffer
// the device promises, and the presented frame is what a read shows.
TEST_P(Present, DepthStencilAndThePresentedFrameHoldInEitherPlace) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    // Near red square writes stencil 1; a farther green one is hidden by depth.
    d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    d->SetRenderState(D3DRS_STENCILREF, 1);
    ASSERT_EQ(DrawRect(d, 0, 0, 16, 16, 0xFFFF0000, 0.2f), D3D_OK);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    ASSERT_EQ(DrawRect(d, 0, 0, 32, 32, 0xFF00FF00, 0.6f), D3D_OK);
    // Blue only where the stencil holds 1 and depth is off.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    ASSERT_EQ(DrawRect(d, 8, 8, 32, 32, 0xFF0000FF, 0.9f), D3D_OK);
    ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    EXPECT_EQ(t.Pixel(2, 2), 0xFFFF0000u);    // red, stencil-marked but blue missed it
    EXPECT_EQ(t.Pixel(10, 10), 0xFF0000FFu);  // red square and blue overlap
    EXPECT_EQ(t.Pixel(20, 20), 0xFF00FF00u);  // green, no stencil: blue kept out
    EXPECT_EQ(t.Pixel(40, 40), 0xFF000000u);
}

// A read after Present keeps showing that frame only until the next frame
// starts drawing; then it reads the new one.
TEST_P(Present, AReadFollowsTheFrameBeingDrawnAfterAPresent) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(t.Pixel(1, 1), 0xFF112233u);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF445566, 1.0f, 0);
    EXPECT_EQ(t.Pixel(1, 1), 0xFF445566u);
    DrawRect(d, 0, 0, 4, 4, 0xFF778899);
    EXPECT_EQ(t.Pixel(1, 1), 0xFF778899u);
    EXPECT_EQ(t.Pixel(5, 5), 0xFF445566u);
}

// An X8R8G8B8 back buffer reads destination alpha as 1 wherever it lives.
TEST_P(Present, DestinationAlphaOfAnX8BackBufferIsOne) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    DrawRect(d, 0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(t.Pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Present,
                         ::testing::Values(BackBufferCase{640, 480, true}, BackBufferCase{64, 64, false}),
                         [](const auto& info) { return info.param.intoWindow ? "IntoWindow" : "ThroughFbo"; });

// A swap that waits for nothing (the offscreen window's) must not let frames
// pile up in the driver: once a Present returns, the frame before it has been
// drawn. Unbounded, the game ran seconds of frames ahead of its pictures, and
// releasing the device waited for all of them.
TEST(PresentPace, TheFrameBeforeTheLastIsDrawnWhenPresentReturns) {
    TestDevice t(640, 480);
    ASSERT_TRUE(t.ok());
    plat::KeepPresentedFrames(false);  // its read-back would wait for every frame
    IDirect3DDevice9* d = t.device;
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(DrawRect(d, 0, 0, 640, 480, 0x08FFFFFF), D3D_OK);
    GLsync firstDrawn = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(DrawRect(d, 0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    GLint status = 0;
    glGetSynciv(firstDrawn, GL_SYNC_STATUS, 1, nullptr, &status);
    EXPECT_EQ(status, GL_SIGNALED);
    glDeleteSync(firstDrawn);
}

// Each Present closes the frame's GL figures: its draws, and the bytes of
// every upload (a texture on first use, the vertices of each UP draw).
TEST(FrameGlStats, APresentClosesTheFramesDrawsAndUploads) {
    TestDevice t(64, 64);
    ASSERT_TRUE(t.ok());
    IDirect3DDevice9* d = t.device;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    d->SetTexture(0, tex);
    ASSERT_EQ(DrawTexturedRect(d, 0, 0, 8, 8), D3D_OK);
    d->SetTexture(0, nullptr);
    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    plat::GlFrameStats frame = plat::LastFrameGlStats();
    EXPECT_EQ(frame.draws, 2);
    EXPECT_EQ(frame.bytesUploaded, 4 * 4 * 4 + 4 * long(sizeof(TexturedVertex)) + 4 * long(sizeof(ScreenVertex)));
    EXPECT_GT(frame.glCalls, frame.draws);

    ASSERT_EQ(DrawRect(d, 0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
    d->Present(nullptr, nullptr, nullptr, nullptr);
    frame = plat::LastFrameGlStats();
    EXPECT_EQ(frame.draws, 1);
    EXPECT_EQ(frame.bytesUploaded, 4 * long(sizeof(ScreenVertex)));
    tex->Release();
}
