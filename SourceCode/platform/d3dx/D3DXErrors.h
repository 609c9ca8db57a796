#pragma once
// Result codes of the D3DX helpers (textures, meshes, .x files).
#include "platform/gfx/D3DTypes.h"

constexpr HRESULT D3DXERR_INVALIDMESH = static_cast<HRESULT>(0x88760B55u);
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);
constexpr HRESULT D3DXERR_LOADEDMESHASNODATA = static_cast<HRESULT>(0x88760B5Au);
