#pragma once
// The OpenGL side of the device, shared by the files that implement it.
// Platform layer only.
#include <SDL.h>
#include "platform/gfx/GlCalls.h"
#include "platform/gfx/GlState.h"

#include <memory>
#include <set>
#include <vector>

#include "platform/gfx/Direct3D.h"
#include "platform/gfx/GpuProgram.h"
#include "platform/gfx/StencilWatch.h"
#include "platform/d3dx/Math3D.h"

namespace plat {

// Points a counted slot at a new value, adding and dropping references.
template <class T>
void Assign(T*& slot, T* value) {
    if (slot == value) return;
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

GLenum PrimitiveToGl(D3DPRIMITIVETYPE type);
// Vertices (or indices) that `count` primitives of the type use; 0 for an
// unknown type or a number OpenGL cannot take.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT count);
// The smallest and largest of `count` 16-bit (or, wide, 32-bit) indices
// from index `first`; false when the data is too short.
bool IndexRange(const std::uint8_t* data, size_t available, size_t first, UINT count, bool wide,
                long long* smallest, long long* largest);

// The vertex attribute locations the layouts map onto.
constexpr GLuint kAttributeCount = 16;

// Everything the device keeps on the OpenGL side.
struct DeviceGL {
    IDirect3D9* d3d = nullptr;
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    HWND window = nullptr;
    SDL_Window* sdl = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    SDL_GLContext context = nullptr;

    // The back buffer and the current render target. A back buffer drawn
    // straight into the window has no framebuffer object (backFbo 0 is the
    // window's own).
    GLuint backFbo = 0, backColor = 0, backDepth = 0;
    UINT backWidth = 0, backHeight = 0;
    bool direct = false;
    // The last presented frame, top row first, while frames are kept for
    // reading; valid until the next draw or clear into the back buffer.
    std::vector<D3DCOLOR> keptFrame;
    bool keptFrameValid = false;
    GLuint targetFbo = 0;
    IDirect3DBaseTexture9* target = nullptr;
    UINT targetLevel = 0, targetLayer = 0;

    // What the context holds; every GL state change goes through it.
    GlState glState;
    GLuint vao = 0;
    GLuint upVertices = 0, upIndices = 0;
    GLuint samplers[D3D_MAX_SAMPLERS] = {};
    bool hasAnisotropy = false;

    DeviceStates states;
    StencilWatch stencil;  // the back buffer's
    bool layoutIsDeclaration = false;
    std::vector<D3DVERTEXELEMENT9> fvfElements;  // layout of the current FVF
    IDirect3DStateBlock9* recording = nullptr;
    bool inScene = false;
    bool cursorShown = false;
    GpuProgram* program = nullptr;
    std::unique_ptr<GpuProgram> builtin;
    const UniformInfo* builtinUseTexture0 = nullptr;
    const UniformInfo* builtinColorOp0 = nullptr;
    const UniformInfo* builtinAlphaOp0 = nullptr;
    DWORD stagesInUse = 0;  // one past the highest stage ever given a texture

    // The driver's fence after the last presented frame.
    GLsync frameInFlight = nullptr;

    HRESULT injectedLevel = D3D_OK;
    HRESULT injectedResetFailure = D3D_OK;
    std::set<IDirect3DResource9*> resources;
    std::set<IDirect3DStateBlock9*> blocks;

    // ---- set-up ----
    bool CreateContext(HRESULT* error);
    bool CreateBackBuffer();
    void DeleteBackBuffer();
    // True when the window's framebuffer can be the back buffer: same size,
    // depth-stencil D24S8 and the alpha the format asks for.
    bool WindowCanBeBackBuffer();
    // Moves between the window and a framebuffer object when the window's
    // size has come to match the back buffer's, or stopped matching.
    bool SettleBackBuffer();
    void ReadBackRows(std::vector<D3DCOLOR>* pixels);
    void BackBufferTouched() { if (!target) keptFrameValid = false; }
    // Windowed or SDL desktop full screen, the window at the screen's size
    // for full screen.
    void FitWindowToPresentation();
    void ApplySwapInterval();
    // Called after each swap: sends the frame on its way and waits until the
    // frame before it has been drawn.
    void PaceFrames();
    void SetDefaultStates();
    void ReleaseBindings();

    // ---- render target ----
    bool Flipped() const { return target != nullptr; }
    UINT TargetWidth() const;
    UINT TargetHeight() const;
    void BindTarget();
    void CopyTargetToTexture();

    // ---- drawing ----
    // The render states, viewport and scissor as GL state.
    GlRaster RasterOfStates() const;
    void ApplyRenderStates() { glState.Apply(RasterOfStates()); }
    GlSamplerParams SamplerOfStates(DWORD stage) const;
    // Binds the texture on the unit, first sending whatever changed in it.
    bool UploadTexture(IDirect3DBaseTexture9* texture, GLuint unit);
    void UploadBuffer(D3DBufferBase* buffer, GLenum target);
    const std::vector<D3DVERTEXELEMENT9>* CurrentLayout() const;
    // The current layout when a draw of vertices up to lastVertex may read
    // it: every element it reads lies within its stream (or, upStride
    // non-zero, within the user memory's stride). Null when the draw is to be
    // refused: no layout, a stream missing or too short.
    const std::vector<D3DVERTEXELEMENT9>* ReadableLayout(UINT upStride, UINT lastVertex) const;
    // Points each attribute at its stream (or at upBuffer with upStride).
    void BindAttributes(const std::vector<D3DVERTEXELEMENT9>& layout, GLuint upBuffer, UINT upStride);
    void SetMissingAttributeValue(GLuint location);
    void BindProgramAndUniforms(const std::vector<D3DVERTEXELEMENT9>& layout);
    void BindTextures();
    // Sends all a draw needs, for a layout that ReadableLayout accepted.
    void PrepareDraw(const std::vector<D3DVERTEXELEMENT9>& layout, GLuint upBuffer, UINT upStride);
    // A draw into the back buffer that its stencil test keeps from changing
    // anything. Asked only once the draw's arguments are found good, so that
    // a skipped draw answers as a drawn one would.
    bool SkipDraw() { return !target && stencil.SkipDraw(states.render); }
};

}  // namespace plat
