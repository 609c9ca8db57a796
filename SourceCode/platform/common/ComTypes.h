#pragma once
// The result codes and reference counting that the graphics and input parts
// of the platform layer share, shaped like the ones the engine was designed
// against.
#include <cstdint>

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

namespace plat {
// The count behind AddRef/Release: an object starts with one reference and
// deletes itself when the last one is released.
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    DWORD AddRef() { return ++refs_; }
    DWORD Release() {
        DWORD left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~RefCounted() = default;

private:
    DWORD refs_ = 1;
};
}  // namespace plat
