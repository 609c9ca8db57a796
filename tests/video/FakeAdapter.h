#pragma once
// An adapter whose answers a test chooses: the desktop mode, the depth
// formats it offers per device type, the device-type check and the caps
// (HAL and REF are told apart by MaxActiveLights). Device creation is the
// real one, so the hooks of the platform layer still apply.
#include <map>
#include <set>
#include <utility>

#include "platform/gfx/Direct3D.h"

class FakeAdapter : public IDirect3D9 {
public:
    FakeAdapter() {
        for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
            D3DCAPS9 c{};
            c.DeviceType = type;
            c.VertexShaderVersion = D3DVS_VERSION(3, 0);
            c.PixelShaderVersion = D3DPS_VERSION(3, 0);
            c.MaxActiveLights = type == D3DDEVTYPE_HAL ? 8 : 1;
            c.MaxTextureWidth = c.MaxTextureHeight = 8192;
            caps[type] = c;
            for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D16}) depthFormats.insert({type, f});
        }
    }

    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* out) override {
        if (modeResult == D3D_OK) *out = mode;
        return modeResult;
    }
    HRESULT CheckDeviceType(UINT, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT, BOOL) override {
        deviceTypeChecks.push_back(type);
        return refusedDeviceTypes.count(type) ? D3DERR_NOTAVAILABLE : D3D_OK;
    }
    HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE type, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT f) override {
        return depthFormats.count({type, f}) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT f) override {
        return mismatched.count(f) ? D3DERR_NOTAVAILABLE : D3D_OK;
    }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE type, D3DCAPS9* out) override {
        auto it = caps.find(type);
        if (it == caps.end()) return D3DERR_INVALIDCALL;
        *out = it->second;
        return D3D_OK;
    }

    D3DDISPLAYMODE mode{1600, 900, 60, D3DFMT_X8R8G8B8};
    HRESULT modeResult = D3D_OK;
    std::set<std::pair<D3DDEVTYPE, D3DFORMAT>> depthFormats;
    std::set<D3DFORMAT> mismatched;
    std::set<D3DDEVTYPE> refusedDeviceTypes;
    std::vector<D3DDEVTYPE> deviceTypeChecks;
    std::map<D3DDEVTYPE, D3DCAPS9> caps;

    void OfferNoDepthFormats(D3DDEVTYPE type) {
        for (auto it = depthFormats.begin(); it != depthFormats.end();)
            it = it->first == type ? depthFormats.erase(it) : std::next(it);
    }
};
