#pragma once
// The graphics device of the platform layer: an adapter object, one device
// and its resources, shaped like Direct3D 9 (same calls, arguments, results
// and error codes) and drawing with OpenGL 3.3 core. The conventions that
// shaders and callers rely on (attribute locations, standard uniforms, the
// GLSL prelude, orientation of render targets) are in platform/README.md.
//
// Objects are reference counted: every Create* hands out one reference,
// AddRef adds one and Release drops one, deleting the object at zero. The
// device holds a reference on whatever is bound to it (textures, buffers,
// declaration) and on its adapter object.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/D3DTypes.h"

class IDirect3D9;
class IDirect3DDevice9;
class IDirect3DStateBlock9;

namespace plat {
class GpuProgram;
struct DeviceGL;

// Test hooks. An empty function restores the normal behaviour.
// Replaces Direct3DCreate9 (a hook returning null makes it fail).
void SetDirect3DCreateHook(std::function<IDirect3D9*(UINT sdkVersion)> hook);
// Consulted by every CreateDevice attempt before any work: a non-zero result
// fails that attempt with that result.
void SetCreateDeviceHook(std::function<HRESULT(D3DDEVTYPE type, DWORD behaviorFlags)> hook);
// The next `count` Lock, LockRect and LockBox calls, and the mesh locks
// (vertex, index and attribute buffers), fail with D3DERR_INVALIDCALL.
void InjectLockFailures(int count);
// Platform internals: true when an injected lock failure is due (and uses
// it up).
bool TakeInjectedLockFailure();
}  // namespace plat

// Creates the adapter object (starts SDL's video if nobody has); null when
// the SDK version is not 31 or no display can be opened.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

// The adapter: what the display offers and the device factory. There is one
// adapter (0). Its answers are virtual so that a test can stand in for it.
class IDirect3D9 : public plat::RefCounted {
public:
    // ownsVideo: the object holds one count of SDL's video subsystem and
    // gives it back when it goes.
    explicit IDirect3D9(bool ownsVideo = false);
    virtual UINT GetAdapterCount();
    // The desktop mode, always reported as D3DFMT_X8R8G8B8.
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed);
    // D32 is refused as a depth format, so that a probe for depth formats
    // settles on one with stencil (D24S8).
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType,
                                      D3DFORMAT checkFormat);
    virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat,
                                           D3DFORMAT depthStencilFormat);
    // Shader model 3.0, 8 active lights, two-sided stencil.
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps);
    // Makes an OpenGL 3.3 core context on the focus window (or on
    // pp->hDeviceWindow when set).
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, plat::HWND focusWindow,
                                 DWORD behaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                 IDirect3DDevice9** device);

protected:
    ~IDirect3D9() override;

private:
    bool ownsVideo_ = false;
};

// Base of buffers and textures.
class IDirect3DResource9 : public plat::RefCounted {
public:
    HRESULT GetDevice(IDirect3DDevice9** device);
    virtual D3DRESOURCETYPE GetType() const = 0;
    D3DPOOL GetPool() const { return pool_; }
    DWORD GetUsage() const { return usage_; }

    // Platform internals: frees the GL object (the device's context is
    // current) and forgets the device; called when the device goes first.
    void Orphan();

protected:
    IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, DWORD usage);
    ~IDirect3DResource9() override;
    virtual void FreeGl() = 0;
    IDirect3DDevice9* device_;  // not counted: a device outliving its users orphans them
    D3DPOOL pool_;
    DWORD usage_;
};

// Vertex and index buffers keep their contents in a CPU copy; locks hand out
// that memory, and the bytes that writable locks covered are uploaded before
// the next draw.
class D3DBufferBase : public IDirect3DResource9 {
public:
    // size 0 with offset 0 locks the whole buffer.
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();
    UINT Size() const { return UINT(bytes_.size()); }

    // Platform internals.
    std::vector<std::uint8_t> bytes_;
    std::uint32_t glBuffer_ = 0;
    // The bytes [from, to) that writable locks covered since the last upload;
    // after a discarding lock of a dynamic buffer the rest of the old
    // contents may be dropped.
    struct Written {
        UINT from = 0, to = 0;
        bool discard = false;
    } written_;
    int locks_ = 0;
    std::uint64_t writes_ = 0;  // counts writable locks, so caches of the contents can tell

protected:
    D3DBufferBase(IDirect3DDevice9* device, UINT length, DWORD usage, D3DPOOL pool);
    ~D3DBufferBase() override;
    void FreeGl() override;
};

class IDirect3DVertexBuffer9 : public D3DBufferBase {
public:
    IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc);

private:
    DWORD fvf_;
};

class IDirect3DIndexBuffer9 : public D3DBufferBase {
public:
    IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc);
    D3DFORMAT Format() const { return format_; }

    // Platform internals: the smallest and largest index in the whole
    // buffer, remembered until the next writable lock.
    void WholeRange(long long* smallest, long long* largest);

private:
    D3DFORMAT format_;
    std::uint64_t rangeWrites_ = ~std::uint64_t(0);
    long long smallest_ = 0, largest_ = -1;
};

// A vertex layout as a list of elements (without the end element).
class IDirect3DVertexDeclaration9 : public plat::RefCounted {
public:
    explicit IDirect3DVertexDeclaration9(std::vector<D3DVERTEXELEMENT9> elements);
    // Copies the elements and the end element; count receives their number
    // (end element included). With a null array only the count is given.
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count);
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
};

namespace plat {
// One mip level of one face (or the whole depth of a volume level).
struct TextureLevel {
    UINT width = 0, height = 0, depth = 1;
    UINT rowPitch = 0;    // bytes per row (per row of 4x4 blocks for DXT)
    UINT slicePitch = 0;  // bytes per depth slice
    std::vector<std::uint8_t> bytes;
    bool locked = false;
    bool lockedReadOnly = false;
    bool dirty = true;
};
}  // namespace plat

// Textures keep every level in a CPU copy, uploaded on unlock (lazily, at
// the next draw that samples them).
class IDirect3DBaseTexture9 : public IDirect3DResource9 {
public:
    DWORD GetLevelCount() const { return levelCount_; }
    D3DFORMAT Format() const { return format_; }

    // Platform internals.
    std::uint32_t glTexture_ = 0;
    std::uint32_t faces_ = 1;
    std::vector<plat::TextureLevel> levels_;  // face-major: face * levelCount + level
    plat::TextureLevel* Level(UINT face, UINT level);
    bool AnyDirty() const;

protected:
    IDirect3DBaseTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT depth,
                          UINT faces, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~IDirect3DBaseTexture9() override;
    void FreeGl() override;
    HRESULT LockLevel(UINT face, UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags);
    HRESULT UnlockLevel(UINT face, UINT level);
    DWORD levelCount_;
    D3DFORMAT format_;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
public:
    IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    // Rows run top first. A rectangle of a DXT level must lie on 4x4 blocks.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
};

class IDirect3DCubeTexture9 : public IDirect3DBaseTexture9 {
public:
    IDirect3DCubeTexture9(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_CUBETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags);
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level);
};

class IDirect3DVolumeTexture9 : public IDirect3DBaseTexture9 {
public:
    IDirect3DVolumeTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT depth,
                            UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VOLUMETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc);
    // Slices run front first, rows top first.
    HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags);
    HRESULT UnlockBox(UINT level);
};

namespace plat {
// Every value a state block can hold.
struct DeviceStates {
    DWORD render[D3DRS_COUNT] = {};
    DWORD sampler[D3D_MAX_SAMPLERS][D3DSAMP_COUNT] = {};
    DWORD stage[D3D_MAX_TEXTURE_STAGES][D3DTSS_COUNT] = {};
    IDirect3DBaseTexture9* texture[D3D_MAX_SAMPLERS] = {};
    struct Stream {
        IDirect3DVertexBuffer9* buffer = nullptr;
        UINT offset = 0;
        UINT stride = 0;
    } stream[D3D_MAX_STREAMS];
    IDirect3DIndexBuffer9* indices = nullptr;
    DWORD fvf = 0;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    D3DVIEWPORT9 viewport = {};
    RECT scissor = {};
};

// Which entries of DeviceStates a state block holds.
struct StateMask {
    bool render[D3DRS_COUNT] = {};
    bool sampler[D3D_MAX_SAMPLERS][D3DSAMP_COUNT] = {};
    bool stage[D3D_MAX_TEXTURE_STAGES][D3DTSS_COUNT] = {};
    bool texture[D3D_MAX_SAMPLERS] = {};
    bool stream[D3D_MAX_STREAMS] = {};
    bool indices = false;
    bool vertexLayout = false;  // FVF or declaration, whichever was set last
    bool viewport = false;
    bool scissor = false;
};
}  // namespace plat

// A snapshot of chosen device states: Capture refreshes the values from the
// device, Apply sets them on the device.
class IDirect3DStateBlock9 : public plat::RefCounted {
public:
    IDirect3DStateBlock9(IDirect3DDevice9* device, const plat::StateMask& mask);
    HRESULT Capture();
    HRESULT Apply();
    HRESULT GetDevice(IDirect3DDevice9** device);

    // Platform internals (the device records into them).
    void Orphan() { device_ = nullptr; }
    plat::StateMask mask_;
    plat::DeviceStates values_;
    bool layoutIsDeclaration_ = false;

private:
    ~IDirect3DStateBlock9() override;
    void DropResources();
    IDirect3DDevice9* device_;
};

// The device. One per program; it owns the GL context, the back buffer (a
// framebuffer object of the back-buffer size with a D24S8 depth-stencil)
// and every state the draw calls read.
class IDirect3DDevice9 : public plat::RefCounted {
public:
    IDirect3DDevice9(IDirect3D9* d3d, D3DDEVTYPE type, plat::HWND window, const D3DPRESENT_PARAMETERS& pp);
    // False when the GL context or the back buffer could not be made.
    bool Initialize(HRESULT* error);

    // Life cycle.
    virtual HRESULT TestCooperativeLevel();
    // Fails with D3DERR_INVALIDCALL while default-pool resources or state
    // blocks are alive (the callers release them in their lost pass), and
    // with D3DERR_DEVICELOST while the device is still lost.
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pp);
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, plat::HWND destWindow,
                            const void* dirtyRegion);
    virtual HRESULT BeginScene();
    virtual HRESULT EndScene();
    // Clears the viewport (or the given rectangles within it).
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil);
    HRESULT GetDeviceCaps(D3DCAPS9* caps);
    HRESULT GetDirect3D(IDirect3D9** d3d);
    BOOL ShowCursor(BOOL show);

    // States.
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value);
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value);
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport);
    HRESULT GetViewport(D3DVIEWPORT9* viewport);
    virtual HRESULT SetScissorRect(const RECT* rect);
    HRESULT GetScissorRect(RECT* rect);

    // State blocks: recorded between BeginStateBlock and EndStateBlock (the
    // Set calls in between are recorded, not applied) or made whole.
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block);
    HRESULT BeginStateBlock();
    HRESULT EndStateBlock(IDirect3DStateBlock9** block);

    // Resources.
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, void* sharedHandle);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, void* sharedHandle);
    // levels 0 makes the whole chain down to 1x1.
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture9** texture, void* sharedHandle);
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture9** texture, void* sharedHandle);
    HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                                void* sharedHandle);
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                    IDirect3DVertexDeclaration9** declaration);

    // Vertex input.
    virtual HRESULT SetFVF(DWORD fvf);
    HRESULT GetFVF(DWORD* fvf);
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration);
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration);
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride);
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                            UINT* stride);
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indices);
    HRESULT GetIndices(IDirect3DIndexBuffer9** indices);

    // Draw calls.
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount);
    // The UP draws leave stream 0 and the indices unset afterwards.
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertexData, UINT stride);
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                           UINT numVertices, UINT primitiveCount,
                                           const void* indexData, D3DFORMAT indexFormat,
                                           const void* vertexData, UINT stride);

    // OpenGL-side operations for the rest of the platform layer.
    // The program the draw calls use; null returns to the built-in one
    // (pre-transformed or clip-space positions, diffuse colour, stage 0).
    HRESULT SetProgram(plat::GpuProgram* program);
    plat::GpuProgram* GetProgram() const;
    // Draws into one level of a texture (layer = cube face or volume slice)
    // until called with null, which returns to the back buffer and copies
    // what was drawn into the texture's CPU copy. The viewport becomes the
    // whole target, as on every change of render target.
    HRESULT SetRenderTargetTexture(IDirect3DBaseTexture9* texture, UINT level, UINT layer);
    // The back buffer as D3DCOLOR values, top row first. After Present it
    // is the presented frame only while plat::KeepPresentedFrames is on
    // (the window's back buffer is undefined after a swap).
    HRESULT ReadBackBuffer(std::vector<D3DCOLOR>* pixels, UINT* width, UINT* height);
    // True when the back buffer is the window's own framebuffer (it has the
    // window's size), false when it is a framebuffer object that Present
    // copies to the window.
    bool DrawsIntoWindow() const;
    // Makes the device's GL context current (for GL work outside draws).
    void MakeCurrent();

    // Test hooks: TestCooperativeLevel answers `result` (DEVICELOST or
    // DEVICENOTRESET) until a Reset succeeds; D3D_OK ends it. The next Reset
    // fails with `result`.
    void InjectCooperativeLevel(HRESULT result);
    void InjectResetFailure(HRESULT result);

    // Platform internals: resources and state blocks list themselves here,
    // so that Reset can refuse while default-pool ones live and so that
    // those outliving the device are cut loose safely.
    void ResourceCreated(IDirect3DResource9* resource);
    void ResourceDestroyed(IDirect3DResource9* resource);
    void StateBlockCreated(IDirect3DStateBlock9* block);
    void StateBlockDestroyed(IDirect3DStateBlock9* block);
    plat::DeviceStates& States();
    bool LayoutIsDeclaration() const;

protected:
    ~IDirect3DDevice9() override;

private:
    std::unique_ptr<plat::DeviceGL> gl_;
};

namespace plat {
// Test hook: while on, Present keeps a copy of every frame it swaps away,
// so that ReadBackBuffer after Present reads what was presented. Off in
// the game: a swap costs no copy.
void KeepPresentedFrames(bool keep);

// What the device asked of OpenGL in one frame, from one Present to the
// next: draw calls, GL calls of every kind, and the bytes of buffer and
// texture uploads.
struct GlFrameStats {
    long draws = 0;
    long glCalls = 0;
    long long bytesUploaded = 0;
};
// The figures of the frame that the last Present ended.
GlFrameStats LastFrameGlStats();
// Test hook: off, the device sends every GL state and uniform at every use
// instead of only what changed (to compare the pixels of both ways).
void SetGlStateCache(bool on);

// The elements of a flexible vertex format, in the order of its bytes
// (without the end element); empty for an FVF without position.
std::vector<D3DVERTEXELEMENT9> ElementsFromFVF(DWORD fvf);
// Bytes of one vertex of the format.
UINT VertexSizeOfFVF(DWORD fvf);
// Bytes of one element of a declaration type (0 for UNUSED).
UINT SizeOfDeclType(BYTE type);
// Bytes of one pixel, or of one 4x4 block for DXT formats (0: unknown).
UINT BytesPerPixel(D3DFORMAT format);
bool IsBlockCompressed(D3DFORMAT format);
// The bytes of one row (one row of 4x4 blocks for DXT) and of one depth
// slice of a width x height level, counted wide enough not to wrap.
struct LevelPitches {
    std::uint64_t row = 0, slice = 0;
};
LevelPitches PitchesOf(D3DFORMAT format, UINT width, UINT height);

// The largest texture and back-buffer sides the device makes (its caps say
// the same); a back buffer is a render target and keeps the texture limits.
inline constexpr UINT kMaxTextureSide = 8192;
inline constexpr UINT kMaxVolumeExtent = 2048;
bool BackBufferSizeAllowed(std::uint64_t width, std::uint64_t height);
// A format Direct3D knows as a depth-stencil format, whether the adapter
// offers it or not (the device makes its own D24S8 for each of them).
bool IsAnyDepthFormat(D3DFORMAT format);
// Whether the device can make the depth buffer the parameters ask for:
// none, one of unknown format (the device's own), or a depth format.
bool AutoDepthFormatAllowed(const D3DPRESENT_PARAMETERS& pp);
}  // namespace plat
