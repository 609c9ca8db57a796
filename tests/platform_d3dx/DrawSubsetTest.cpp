// DrawSubset on the real device (llvmpipe), read back from the back buffer.
#include <gtest/gtest.h>

#include "platform/d3dx/D3DXMesh.h"
#include "support/TestDevice.h"

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
};

// Two pixel rectangles side by side on a 64x64 back buffer: the left one
// subset 0 in red, the right one subset 1 in green.
ID3DXMesh* TwoRectangles(IDirect3DDevice9* device) {
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMeshFVF(4, 8, D3DXMESH_MANAGED, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, device, &mesh)))
        return nullptr;
    ScreenVertex* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (int r = 0; r < 2; ++r) {
        float x0 = r * 32.0f - 0.5f, x1 = x0 + 32.0f;
        D3DCOLOR c = r == 0 ? 0xFFFF0000 : 0xFF00FF00;
        v[r * 4 + 0] = {x0, -0.5f, 0.5f, 1, c};
        v[r * 4 + 1] = {x1, -0.5f, 0.5f, 1, c};
        v[r * 4 + 2] = {x0, 63.5f, 0.5f, 1, c};
        v[r * 4 + 3] = {x1, 63.5f, 0.5f, 1, c};
    }
    mesh->UnlockVertexBuffer();
    WORD* i = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&i));
    for (WORD r = 0; r < 2; ++r) {
        WORD b = WORD(r * 4);
        const WORD quad[6] = {b, WORD(b + 1), WORD(b + 3), b, WORD(b + 3), WORD(b + 2)};  // clockwise
        std::copy(quad, quad + 6, i + r * 6);
    }
    mesh->UnlockIndexBuffer();
    DWORD* a = nullptr;
    mesh->LockAttributeBuffer(0, &a);
    a[0] = a[1] = 0;
    a[2] = a[3] = 1;
    mesh->UnlockAttributeBuffer();
    return mesh;
}

}  // namespace

TEST(DrawSubset, DrawsOnlyItsSubsetAndUploadsChanges) {
    TestDevice t(64, 64);
    ASSERT_TRUE(t.ok());
    ID3DXMesh* mesh = TwoRectangles(t.device);
    ASSERT_NE(mesh, nullptr);
    t.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    t.device->SetRenderState(D3DRS_ZENABLE, FALSE);

    ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
    EXPECT_EQ(t.Pixel(10, 30), 0xFF000000u);
    EXPECT_EQ(t.Pixel(40, 30), 0xFF00FF00u);

    // A change through a lock reaches the next draw.
    ScreenVertex* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (int k = 0; k < 4; ++k) v[k].color = 0xFF0000FF;
    mesh->UnlockVertexBuffer();
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(t.Pixel(10, 30), 0xFF0000FFu);
    EXPECT_EQ(t.Pixel(63, 63), 0xFF00FF00u);

    // A subset that no face has draws nothing.
    t.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);
    EXPECT_EQ(t.Pixel(10, 30), 0xFF000000u);

    // Indices written past the vertices are refused, not drawn.
    WORD* i = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&i));
    i[0] = 500;
    mesh->UnlockIndexBuffer();
    EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
    mesh->Release();
}

TEST(DrawSubset, MeshWithoutDeviceCannotDraw) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, nullptr, &mesh), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
    mesh->Release();
}
