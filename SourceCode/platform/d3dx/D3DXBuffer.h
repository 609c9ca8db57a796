#pragma once
// ID3DXBuffer: a reference-counted block of bytes that D3DX functions hand
// out (material lists, adjacency, compiled code).
#include <string>
#include <utility>

#include "platform/gfx/Direct3D.h"

class ID3DXBuffer : public plat::RefCounted {
public:
    explicit ID3DXBuffer(std::string bytes) : bytes_(std::move(bytes)) {}
    void* GetBufferPointer() { return bytes_.data(); }
    DWORD GetBufferSize() const { return static_cast<DWORD>(bytes_.size()); }

private:
    std::string bytes_;
};
using LPD3DXBUFFER = ID3DXBuffer*;

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer);
