// Programs bound by callers: matrices as D3DX uses them, standard uniforms,
// cube-map faces as Direct3D lays them out.
#include <gtest/gtest.h>

#include "DrawHelpers.h"
#include "platform/gfx/GpuProgram.h"
#include "support/TestDevice.h"

namespace {
struct Programs : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(t.ok());
        d = t.device;
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    TestDevice t{64, 64};
    IDirect3DDevice9* d = nullptr;
};

struct ClipVertex {
    float x, y, z;
    float s, tt, r;  // a 3D texture coordinate
};

// A square of clip space from (x0, y0) to (x1, y1), every vertex with the
// same texture coordinate.
void DrawClipSquare(IDirect3DDevice9* d, float x0, float y0, float x1, float y1, float s, float tt, float r) {
    ClipVertex v[4] = {{x0, y1, 0.5f, s, tt, r}, {x1, y1, 0.5f, s, tt, r},
                       {x0, y0, 0.5f, s, tt, r}, {x1, y0, 0.5f, s, tt, r}};
    d->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0));
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ClipVertex));
}
}  // namespace

TEST_F(Programs, BuildReportsErrorsAndListsUniforms) {
    std::string log;
    EXPECT_EQ(plat::GpuProgram::Build("void main() { undefined(); }", "void main() {}", &log), nullptr);
    EXPECT_NE(log.find("vertex"), std::string::npos);
    auto p = plat::GpuProgram::Build(
        "layout(location = TM_POSITION) in vec4 p; uniform mat4 M; void main() { gl_Position = tmClip(p * M); }",
        "uniform vec4 tint[2]; out vec4 c; void main() { c = tint[1]; tmAlphaTest(c.a); }", &log);
    ASSERT_NE(p, nullptr) << log;
    const plat::UniformInfo* tint = p->FindUniform("tint");
    ASSERT_NE(tint, nullptr);
    EXPECT_EQ(tint->type, plat::UniformType::Vec4);
    EXPECT_EQ(tint->arraySize, 2);
    const float eight[8] = {};
    EXPECT_TRUE(p->SetFloats(*tint, eight, 8));
    EXPECT_FALSE(p->SetFloats(*tint, eight, 3));   // not whole vec4s
    EXPECT_FALSE(p->SetFloats("M", eight, 8));     // half a matrix
    int one = 1;
    EXPECT_FALSE(p->SetInts("tint", &one, 1));
    EXPECT_NE(p->FindUniform("tm_AlphaFunc"), nullptr);
}

// A D3DX translation keeps its offset in the fourth row; `v * M` in GLSL
// must move the square to the right, and the alpha test must still apply.
TEST_F(Programs, MatricesApplyAsRowVectorsAndAlphaTestHolds) {
    std::string log;
    auto p = plat::GpuProgram::Build(
        "layout(location = TM_POSITION) in vec3 p; uniform mat4 World;"
        "void main() { gl_Position = tmClip(vec4(p, 1.0) * World); }",
        "uniform vec4 colour; out vec4 c; void main() { c = colour; tmAlphaTest(c.a); }", &log);
    ASSERT_NE(p, nullptr) << log;
    const float translate[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.0f, 0, 0, 1};
    ASSERT_TRUE(p->SetFloats("World", translate, 16));
    const float green[4] = {0, 1, 0, 1};
    p->SetFloats("colour", green, 4);
    d->SetProgram(p.get());
    DrawClipSquare(d, -1.0f, 0.0f, -0.5f, 1.0f, 0, 0, 0);  // top-left quarter's left half, moved right by 1
    EXPECT_EQ(t.Pixel(40, 8), 0xFF00FF00u);
    EXPECT_EQ(t.Pixel(8, 8), 0xFF000000u);

    const float clear[4] = {1, 1, 1, 0};
    p->SetFloats("colour", clear, 4);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 1);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    DrawClipSquare(d, -1.0f, -1.0f, 1.0f, 1.0f, 0, 0, 0);
    EXPECT_EQ(t.Pixel(40, 8), 0xFF00FF00u);
    d->SetProgram(nullptr);
}

// Each face filled with four quadrants: top-left red, top-right green,
// bottom-left blue, bottom-right white. A lookup must find the quadrant
// Direct3D's cube-map layout puts in that direction.
TEST_F(Programs, CubeFacesKeepDirect3DOrientation) {
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(d->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    for (DWORD face = 0; face < 6; ++face) {
        D3DLOCKED_RECT r{};
        ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(face), 0, &r, nullptr, 0), D3D_OK);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                DWORD c = y < 2 ? (x < 2 ? 0xFFFF0000 : 0xFF00FF00) : (x < 2 ? 0xFF0000FF : 0xFFFFFFFF);
                if (face % 2) c &= 0xFF7F7F7F;  // negative faces are darker
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] = c;
            }
        cube->UnlockRect(D3DCUBEMAP_FACES(face), 0);
    }
    std::string log;
    auto p = plat::GpuProgram::Build(
        "layout(location = TM_POSITION) in vec3 p; layout(location = TM_TEXCOORD0) in vec3 dir; out vec3 v;"
        "void main() { v = dir; gl_Position = tmClip(vec4(p, 1.0)); }",
        "uniform samplerCube env; in vec3 v; out vec4 c; void main() { c = texture(env, v); }", &log);
    ASSERT_NE(p, nullptr) << log;
    int stage = 0;
    p->SetInts("env", &stage, 1);
    d->SetProgram(p.get());
    d->SetTexture(0, cube);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    struct Case {
        float x, y, z;
        D3DCOLOR expected;
    };
    // +X: u grows toward -z, v toward -y. +Y: u toward +x, v toward +z.
    // +Z: u toward +x, v toward -y. -Z: u toward -x.
    const Case cases[] = {
        {1, 0.5f, 0.5f, 0xFFFF0000}, {1, 0.5f, -0.5f, 0xFF00FF00}, {1, -0.5f, 0.5f, 0xFF0000FF},
        {0.5f, 1, -0.5f, 0xFF00FF00}, {0.5f, 1, 0.5f, 0xFFFFFFFF},
        {0.5f, 0.5f, 1, 0xFF00FF00}, {0.5f, 0.5f, -1, 0xFF7F0000}, {-1, 0.5f, 0.5f, 0xFF007F00},
    };
    for (const Case& c : cases) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        DrawClipSquare(d, -1, -1, 1, 1, c.x, c.y, c.z);
        EXPECT_EQ(t.Pixel(32, 32), c.expected) << c.x << " " << c.y << " " << c.z;
    }
    d->SetTexture(0, nullptr);
    d->SetProgram(nullptr);
    cube->Release();
}
