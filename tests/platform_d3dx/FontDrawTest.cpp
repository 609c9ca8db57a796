#include <gtest/gtest.h>

#include <string>

#include "platform/d3dx/D3DXFont.h"
#include "platform/gfx/Direct3D.h"
#include "support/TestDevice.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;

class FontDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screen.ok());
        ASSERT_EQ(D3DXCreateFontA(screen.device, 22, 0, 400, 1, FALSE, 1, 0, 4, 0, nullptr, &font), D3D_OK);
    }
    void TearDown() override {
        if (font) font->Release();
    }

    // Clears to black, draws, and reads the back buffer back.
    INT Draw(const char* text, RECT rect, DWORD format, D3DCOLOR colour = 0xFFFFFFFF) {
        screen.device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        screen.device->BeginScene();
        const INT height = font->DrawTextA(nullptr, text, -1, &rect, format, colour);
        screen.device->EndScene();
        pixels = screen.Pixels();
        return height;
    }
    // Lit pixels inside and outside a box.
    int LitInside(const RECT& box) { return CountLit(box, true); }
    int LitOutside(const RECT& box) { return CountLit(box, false); }
    int CountLit(const RECT& box, bool inside) {
        int count = 0;
        for (UINT y = 0; y < screen.height; ++y)
            for (UINT x = 0; x < screen.width; ++x) {
                const bool in = LONG(x) >= box.left && LONG(x) < box.right && LONG(y) >= box.top && LONG(y) < box.bottom;
                if (in == inside && pixels[y * screen.width + x] != kBlack) ++count;
            }
        return count;
    }

    TestDevice screen{160, 96};
    ID3DXFont* font = nullptr;
    std::vector<D3DCOLOR> pixels;
};

}  // namespace

TEST_F(FontDrawTest, GlyphsLandInsideTheMeasuredRectangle) {
    RECT measured{10, 20, 10, 20};
    const INT lineHeight = font->DrawTextA(nullptr, "HIH", -1, &measured, plat::DT_NOCLIP | plat::DT_CALCRECT, 0);
    EXPECT_EQ(lineHeight, 22);
    EXPECT_EQ(measured.left, 10);
    EXPECT_EQ(measured.top, 20);
    EXPECT_EQ(measured.bottom, 42);
    EXPECT_GT(measured.right, 30);

    EXPECT_EQ(Draw("HIH", RECT{10, 20, 10, 20}, plat::DT_NOCLIP), 22);
    EXPECT_GT(LitInside(measured), 40);
    EXPECT_EQ(LitOutside(measured), 0);
}

TEST_F(FontDrawTest, ColourReachesFullyCoveredPixels) {
    Draw("HIH", RECT{10, 20, 10, 20}, plat::DT_NOCLIP, 0xFFFF0000);
    int pureRed = 0;
    for (D3DCOLOR p : pixels) {
        EXPECT_EQ(p & 0x0000FFFFu, 0u);  // never any green or blue
        if (p == 0xFFFF0000) ++pureRed;
    }
    EXPECT_GT(pureRed, 20);  // the stems of H and I
}

TEST_F(FontDrawTest, WordBreakWrapsAndClipsToTheRectangle) {
    const RECT box{8, 8, 60, 40};
    const char* text = "wrapping words never leave their box";
    const INT height = Draw(text, box, plat::DT_WORDBREAK);
    EXPECT_GT(height, 22 * 3);  // several lines, more than fit
    EXPECT_GT(LitInside(box), 100);
    EXPECT_EQ(LitOutside(box), 0);

    // Unclipped, the same text runs out of the box.
    Draw(text, box, plat::DT_NOCLIP);
    EXPECT_GT(LitOutside(box), 0);
}

TEST_F(FontDrawTest, DeviceStatesAreGivenBack) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(screen.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    screen.device->SetTexture(0, texture);
    screen.device->SetRenderState(D3DRS_ZENABLE, TRUE);
    screen.device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    screen.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    screen.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    screen.device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);

    for (int pass = 0; pass < 2; ++pass) {  // the second draw uses the recorded block
        Draw("state", RECT{0, 0, 0, 0}, plat::DT_NOCLIP);
        DWORD value = 0;
        screen.device->GetRenderState(D3DRS_ZENABLE, &value);
        EXPECT_EQ(value, DWORD(TRUE));
        screen.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
        EXPECT_EQ(value, DWORD(FALSE));
        screen.device->GetRenderState(D3DRS_CULLMODE, &value);
        EXPECT_EQ(value, DWORD(D3DCULL_CCW));
        screen.device->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
        EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
        screen.device->GetFVF(&value);
        EXPECT_EQ(value, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
        IDirect3DBaseTexture9* bound = nullptr;
        screen.device->GetTexture(0, &bound);
        EXPECT_EQ(bound, texture);
        if (bound) bound->Release();
    }
    screen.device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(FontDrawTest, FontsLetTheDeviceResetAndDrawAfterIt) {
    Draw("before", RECT{4, 4, 4, 4}, plat::DT_NOCLIP);
    font->OnLostDevice();
    // While lost the font still measures but draws nothing.
    EXPECT_EQ(Draw("lost", RECT{4, 4, 4, 4}, plat::DT_NOCLIP), 22);
    EXPECT_EQ(LitOutside(RECT{0, 0, 0, 0}), 0);
    ASSERT_EQ(screen.device->Reset(&screen.pp), D3D_OK);
    font->OnResetDevice();
    Draw("after", RECT{4, 4, 4, 4}, plat::DT_NOCLIP);
    EXPECT_GT(LitOutside(RECT{0, 0, 0, 0}), 40);
}

TEST_F(FontDrawTest, AFullAtlasGrowsAndKeepsEarlierGlyphs) {
    ID3DXFont* big = nullptr;
    ASSERT_EQ(D3DXCreateFontA(screen.device, 60, 0, 400, 1, FALSE, 1, 0, 4, 0, "DejaVu Sans", &big), D3D_OK);
    std::swap(font, big);
    Draw("H", RECT{4, 4, 4, 4}, plat::DT_NOCLIP);
    const int before = LitOutside(RECT{0, 0, 0, 0});
    // Hundreds of distinct 60-pixel glyphs cannot fit the first atlas.
    std::string many;
    for (unsigned c = 0x21; c < 0x7F; ++c) many += char(c);
    for (unsigned c = 0x410; c < 0x450; ++c) many += std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
    Draw(many.c_str(), RECT{0, 0, 0, 0}, plat::DT_NOCLIP);
    Draw("H", RECT{4, 4, 4, 4}, plat::DT_NOCLIP);
    EXPECT_EQ(LitOutside(RECT{0, 0, 0, 0}), before);
    std::swap(font, big);
    big->Release();
}

TEST(FontCreation, RefusesMissingArguments) {
    ID3DXFont* font = reinterpret_cast<ID3DXFont*>(1);
    EXPECT_EQ(D3DXCreateFontA(nullptr, 22, 0, 400, 1, FALSE, 1, 0, 4, 0, nullptr, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontA(nullptr, 22, 0, 400, 1, FALSE, 1, 0, 4, 0, nullptr, nullptr), D3DERR_INVALIDCALL);
}
