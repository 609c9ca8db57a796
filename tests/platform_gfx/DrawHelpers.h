#pragma once
// Small drawing helpers shared by the device tests.
#include <cstdlib>

#include "support/ColorCompare.h"
#include "platform/gfx/Direct3D.h"

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
};
constexpr DWORD kScreenFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct TexturedVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTexturedFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A pixel rectangle [x0, x1) x [y0, y1) as a strip, wound clockwise on the
// screen (or counter-clockwise), drawn with the built-in program. Vertices
// sit half a pixel before the edges, as Direct3D 9 wants for exact covering.
inline HRESULT DrawRect(IDirect3DDevice9* d, float x0, float y0, float x1, float y1, D3DCOLOR c,
                        float z = 0.5f, bool clockwise = true) {
    ScreenVertex tl{x0 - 0.5f, y0 - 0.5f, z, 1, c}, tr{x1 - 0.5f, y0 - 0.5f, z, 1, c};
    ScreenVertex bl{x0 - 0.5f, y1 - 0.5f, z, 1, c}, br{x1 - 0.5f, y1 - 0.5f, z, 1, c};
    ScreenVertex cw[4] = {tl, tr, bl, br};
    ScreenVertex ccw[4] = {tl, bl, tr, br};
    d->SetFVF(kScreenFVF);
    return d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, clockwise ? cw : ccw, sizeof(ScreenVertex));
}

inline HRESULT DrawTexturedRect(IDirect3DDevice9* d, float x0, float y0, float x1, float y1) {
    TexturedVertex v[4] = {{x0 - 0.5f, y0 - 0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                           {x1 - 0.5f, y0 - 0.5f, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                           {x0 - 0.5f, y1 - 0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                           {x1 - 0.5f, y1 - 0.5f, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
    d->SetFVF(kTexturedFVF);
    return d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TexturedVertex));
}
