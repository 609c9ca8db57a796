// The device's calls: life cycle, states, resources and draws.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/gfx/DeviceGL.h"
#include "platform/common/ErrorLog.h"
#include "platform/gfx/GlFormats.h"

using plat::Assign;

namespace {
// 0..1, written so that a NaN falls outside.
bool InUnitRange(float value) { return value >= 0.0f && value <= 1.0f; }

UINT MaxLevels(UINT width, UINT height, UINT depth) {
    UINT largest = std::max({width, height, depth});
    UINT levels = 1;
    while (largest > 1) {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

// Checks a texture request; levels 0 becomes the whole chain.
HRESULT CheckTextureRequest(UINT width, UINT height, UINT depth, UINT* levels, DWORD usage,
                            D3DFORMAT format, bool volume) {
    if (width == 0 || height == 0 || depth == 0) return D3DERR_INVALIDCALL;
    // The sides the caps report: larger ones the device cannot make.
    const UINT largest = volume ? plat::kMaxVolumeExtent : plat::kMaxTextureSide;
    if (width > largest || height > largest || depth > largest) return D3DERR_INVALIDCALL;
    const plat::GlFormat* gl = plat::GlFormatOf(format);
    if (!gl) return D3DERR_INVALIDCALL;
    // OpenGL keeps S3TC to 2D images and cube faces.
    if (volume && gl->compressed) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && !gl->renderable) return D3DERR_INVALIDCALL;
    // The lock records count bytes in signed 32-bit pitches; the largest
    // level must be addressable through them, or its copy would wrap.
    const std::uint64_t largestLevel = plat::PitchesOf(format, width, height).slice * depth;
    if (largestLevel > std::uint64_t(INT32_MAX)) return D3DERR_INVALIDCALL;
    UINT most = MaxLevels(width, height, depth);
    if (*levels == 0) *levels = most;
    return *levels > most ? D3DERR_INVALIDCALL : D3D_OK;
}

}  // namespace

// ---- life cycle -----------------------------------------------------------------

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return gl_->injectedLevel; }

void IDirect3DDevice9::InjectCooperativeLevel(HRESULT result) { gl_->injectedLevel = result; }

void IDirect3DDevice9::InjectResetFailure(HRESULT result) { gl_->injectedResetFailure = result; }

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* pp) {
    plat::DeviceGL& g = *gl_;
    if (!pp || !plat::BackBufferSizeAllowed(pp->BackBufferWidth, pp->BackBufferHeight) ||
        !plat::AutoDepthFormatAllowed(*pp))
        return D3DERR_INVALIDCALL;
    if (g.injectedResetFailure != D3D_OK) {
        HRESULT failure = g.injectedResetFailure;
        g.injectedResetFailure = D3D_OK;
        return failure;
    }
    if (g.injectedLevel == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
    MakeCurrent();
    SetRenderTargetTexture(nullptr, 0, 0);
    if (g.recording) g.recording->Release();
    g.recording = nullptr;
    g.ReleaseBindings();
    g.program = nullptr;
    // As on Direct3D, default-pool objects and state blocks must be gone:
    // their owners release them in the lost pass and rebuild them after.
    int alive = 0;
    for (auto* r : g.resources) {
        if (r->GetPool() != D3DPOOL_DEFAULT) continue;
        plat::LogErrorF("Reset refused: a default-pool resource (type %u) is still alive\n",
                     unsigned(r->GetType()));
        ++alive;
    }
    if (!g.blocks.empty())
        plat::LogErrorF("Reset refused: %zu state block(s) still alive\n", g.blocks.size());
    if (alive > 0 || !g.blocks.empty()) return D3DERR_INVALIDCALL;

    g.pp = *pp;
    g.stencil.Forget();
    g.DeleteBackBuffer();
    if (!g.CreateBackBuffer()) return D3DERR_NOTAVAILABLE;
    pp->BackBufferWidth = g.pp.BackBufferWidth;
    pp->BackBufferHeight = g.pp.BackBufferHeight;
    pp->BackBufferFormat = g.pp.BackBufferFormat;
    g.FitWindowToPresentation();
    g.ApplySwapInterval();
    g.SetDefaultStates();
    g.inScene = false;
    g.injectedLevel = D3D_OK;
    return D3D_OK;
}

namespace {
bool keepPresentedFrames = false;
plat::GlFrameStats lastFrameGlStats;
}

plat::GlFrameStats plat::runningGlStats;

void plat::KeepPresentedFrames(bool keep) { keepPresentedFrames = keep; }

plat::GlFrameStats plat::LastFrameGlStats() { return lastFrameGlStats; }

bool IDirect3DDevice9::DrawsIntoWindow() const { return gl_->direct; }

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, plat::HWND, const void*) {
    plat::DeviceGL& g = *gl_;
    if (g.injectedLevel != D3D_OK) return D3DERR_DEVICELOST;
    MakeCurrent();
    if (g.direct) {
        // The frame is already in the window: a swap is all it takes. Only a
        // test that reads after Present pays for a copy.
        if (keepPresentedFrames) {
            g.ReadBackRows(&g.keptFrame);
            g.keptFrameValid = true;
        }
    } else {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(g.sdl, &w, &h);
        g.glState.BindFramebuffer(GL_READ_FRAMEBUFFER, g.backFbo);
        g.glState.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        plat::GlRaster whole = g.glState.Raster();
        whole.scissorTest = false;
        g.glState.Apply(whole);
        bool same = UINT(w) == g.backWidth && UINT(h) == g.backHeight;
        glBlitFramebuffer(0, 0, GLint(g.backWidth), GLint(g.backHeight), 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                          same ? GL_NEAREST : GL_LINEAR);
    }
    SDL_GL_SwapWindow(g.sdl);
    g.PaceFrames();
    g.stencil.Forget();
    lastFrameGlStats = plat::runningGlStats;
    plat::runningGlStats = {};
    // The window may have been resized (a window manager honouring full
    // screen late): the next frame goes where it fits.
    if (!g.SettleBackBuffer()) return D3DERR_DRIVERINTERNALERROR;
    g.BindTarget();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
    if (gl_->inScene) return D3DERR_INVALIDCALL;
    gl_->inScene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
    if (!gl_->inScene) return D3DERR_INVALIDCALL;
    gl_->inScene = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD stencil) {
    plat::DeviceGL& g = *gl_;
    constexpr DWORD kAll = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (flags == 0 || (flags & ~kAll) || (count > 0 && !rects)) return D3DERR_INVALIDCALL;
    if (!InUnitRange(z)) return D3DERR_INVALIDCALL;
    g.BindTarget();
    g.BackBufferTouched();
    // A clear ignores the write masks and tests; only the viewport bounds it.
    plat::GlRaster clearing = g.glState.Raster();
    clearing.colorMask = {true, true, true, true};
    clearing.depthMask = true;
    clearing.stencilWriteMask = 0xFF;
    clearing.scissorTest = true;
    const D3DXCOLOR c(color);
    g.glState.ClearValues({c.r, c.g, c.b, c.a}, z, GLint(stencil & 0xFF));
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) bits |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) bits |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL) bits |= GL_STENCIL_BUFFER_BIT;

    const D3DVIEWPORT9& vp = g.states.viewport;
    D3DRECT whole = {LONG(vp.X), LONG(vp.Y), LONG(vp.X + vp.Width), LONG(vp.Y + vp.Height)};
    LONG targetHeight = LONG(g.TargetHeight());
    for (DWORD i = 0; i < std::max<DWORD>(count, 1); ++i) {
        D3DRECT r = whole;
        if (count > 0) {
            r.x1 = std::max(r.x1, rects[i].x1);
            r.y1 = std::max(r.y1, rects[i].y1);
            r.x2 = std::min(r.x2, rects[i].x2);
            r.y2 = std::min(r.y2, rects[i].y2);
        }
        if (r.x2 <= r.x1 || r.y2 <= r.y1) continue;
        LONG glY = g.Flipped() ? r.y1 : targetHeight - r.y2;
        clearing.scissor = {r.x1, glY, r.x2 - r.x1, r.y2 - r.y1};
        g.glState.Apply(clearing);
        glClear(bits);
    }
    if ((flags & D3DCLEAR_STENCIL) && !g.target) {
        const bool wholeTarget = count == 0 && vp.X == 0 && vp.Y == 0 && vp.Width >= g.TargetWidth() &&
                                 vp.Height >= g.TargetHeight();
        g.stencil.Cleared(stencil, wholeTarget);
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
    return gl_->d3d ? gl_->d3d->GetDeviceCaps(0, gl_->type, caps) : D3DERR_INVALIDCALL;
}

HRESULT IDirect3DDevice9::GetDirect3D(IDirect3D9** d3d) {
    if (!d3d || !gl_->d3d) return D3DERR_INVALIDCALL;
    gl_->d3d->AddRef();
    *d3d = gl_->d3d;
    return D3D_OK;
}

// The device's own cursor has no image (nothing ever sets one), so showing
// it draws nothing; the system cursor belongs to the window layer.
BOOL IDirect3DDevice9::ShowCursor(BOOL show) {
    BOOL before = gl_->cursorShown ? TRUE : FALSE;
    gl_->cursorShown = show != FALSE;
    return before;
}

void IDirect3DDevice9::MakeCurrent() {
    if (gl_->context) SDL_GL_MakeCurrent(gl_->sdl, gl_->context);
}

// ---- states ---------------------------------------------------------------------

plat::DeviceStates& IDirect3DDevice9::States() { return gl_->states; }

bool IDirect3DDevice9::LayoutIsDeclaration() const { return gl_->layoutIsDeclaration; }

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    plat::DeviceGL& g = *gl_;
    if (state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.render[state] = true;
        g.recording->values_.render[state] = value;
        return D3D_OK;
    }
    g.states.render[state] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= D3DRS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = gl_->states.render[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    plat::DeviceGL& g = *gl_;
    if (sampler >= D3D_MAX_SAMPLERS || type == 0 || type >= D3DSAMP_COUNT) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.sampler[sampler][type] = true;
        g.recording->values_.sampler[sampler][type] = value;
        return D3D_OK;
    }
    g.states.sampler[sampler][type] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (sampler >= D3D_MAX_SAMPLERS || type >= D3DSAMP_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = gl_->states.sampler[sampler][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    plat::DeviceGL& g = *gl_;
    if (stage >= D3D_MAX_TEXTURE_STAGES || type == 0 || type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.stage[stage][type] = true;
        g.recording->values_.stage[stage][type] = value;
        return D3D_OK;
    }
    g.states.stage[stage][type] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3DTSS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = gl_->states.stage[stage][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    plat::DeviceGL& g = *gl_;
    if (stage >= D3D_MAX_SAMPLERS) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.texture[stage] = true;
        Assign(g.recording->values_.texture[stage], texture);
        return D3D_OK;
    }
    Assign(g.states.texture[stage], texture);
    if (texture) g.stagesInUse = std::max(g.stagesInUse, stage + 1);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (stage >= D3D_MAX_SAMPLERS || !texture) return D3DERR_INVALIDCALL;
    *texture = gl_->states.texture[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport) {
    plat::DeviceGL& g = *gl_;
    if (!viewport) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT9& v = *viewport;
    bool fits = std::uint64_t(v.X) + v.Width <= g.TargetWidth() &&
                std::uint64_t(v.Y) + v.Height <= g.TargetHeight();
    if (!fits || !InUnitRange(v.MinZ) || !InUnitRange(v.MaxZ) || v.MinZ > v.MaxZ) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.viewport = true;
        g.recording->values_.viewport = v;
        return D3D_OK;
    }
    g.states.viewport = v;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = gl_->states.viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetScissorRect(const RECT* rect) {
    plat::DeviceGL& g = *gl_;
    if (!rect) return D3DERR_INVALIDCALL;
    if (g.recording) {
        g.recording->mask_.scissor = true;
        g.recording->values_.scissor = *rect;
        return D3D_OK;
    }
    g.states.scissor = *rect;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetScissorRect(RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    *rect = gl_->states.scissor;
    return D3D_OK;
}

// ---- state blocks -----------------------------------------------------------------

HRESULT IDirect3DDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) {
    if (!block || gl_->recording) return D3DERR_INVALIDCALL;
    if (type != D3DSBT_ALL && type != D3DSBT_PIXELSTATE && type != D3DSBT_VERTEXSTATE)
        return D3DERR_INVALIDCALL;
    // Every block holds all render states; the pixel block adds the sampler
    // and stage states, the vertex block the vertex layout, ALL everything.
    plat::StateMask mask;
    std::fill(std::begin(mask.render), std::end(mask.render), true);
    bool pixel = type != D3DSBT_VERTEXSTATE, vertex = type != D3DSBT_PIXELSTATE;
    bool all = type == D3DSBT_ALL;
    for (auto& s : mask.sampler) std::fill(std::begin(s), std::end(s), pixel);
    for (auto& s : mask.stage) std::fill(std::begin(s), std::end(s), pixel);
    std::fill(std::begin(mask.texture), std::end(mask.texture), all);
    std::fill(std::begin(mask.stream), std::end(mask.stream), all);
    mask.indices = all;
    mask.vertexLayout = vertex;
    mask.viewport = all;
    mask.scissor = all;
    auto* created = new IDirect3DStateBlock9(this, mask);
    created->Capture();
    *block = created;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginStateBlock() {
    if (gl_->recording) return D3DERR_INVALIDCALL;
    gl_->recording = new IDirect3DStateBlock9(this, plat::StateMask{});
    return D3D_OK;
}

HRESULT IDirect3DDevice9::EndStateBlock(IDirect3DStateBlock9** block) {
    if (!block || !gl_->recording) return D3DERR_INVALIDCALL;
    *block = gl_->recording;
    gl_->recording = nullptr;
    return D3D_OK;
}

void IDirect3DDevice9::ResourceCreated(IDirect3DResource9* r) { gl_->resources.insert(r); }
void IDirect3DDevice9::ResourceDestroyed(IDirect3DResource9* r) { gl_->resources.erase(r); }
void IDirect3DDevice9::StateBlockCreated(IDirect3DStateBlock9* b) { gl_->blocks.insert(b); }
void IDirect3DDevice9::StateBlockDestroyed(IDirect3DStateBlock9* b) { gl_->blocks.erase(b); }

// ---- resources --------------------------------------------------------------------

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (fvf != 0 && length < plat::VertexSizeOfFVF(fvf))) return D3DERR_INVALIDCALL;
    *buffer = new IDirect3DVertexBuffer9(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** buffer, void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
    *buffer = new IDirect3DIndexBuffer9(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture,
                                        void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    HRESULT hr = CheckTextureRequest(width, height, 1, &levels, usage, format, false);
    if (hr != D3D_OK) return hr;
    *texture = new IDirect3DTexture9(this, width, height, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DCubeTexture9** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    HRESULT hr = CheckTextureRequest(edge, edge, 1, &levels, usage, format, false);
    if (hr != D3D_OK) return hr;
    *texture = new IDirect3DCubeTexture9(this, edge, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels,
                                              DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DVolumeTexture9** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    HRESULT hr = CheckTextureRequest(width, height, depth, &levels, usage, format, true);
    if (hr != D3D_OK) return hr;
    *texture = new IDirect3DVolumeTexture9(this, width, height, depth, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                  IDirect3DVertexDeclaration9** declaration) {
    if (!elements || !declaration) return D3DERR_INVALIDCALL;
    *declaration = nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    for (UINT i = 0; elements[i].Stream != 0xFF; ++i) {
        if (i >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Type >= D3DDECLTYPE_UNUSED || e.Stream >= D3D_MAX_STREAMS || e.Usage > D3DDECLUSAGE_SAMPLE)
            return D3DERR_INVALIDCALL;
        list.push_back(e);
    }
    *declaration = new IDirect3DVertexDeclaration9(std::move(list));
    return D3D_OK;
}

// ---- vertex input -----------------------------------------------------------------

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
    plat::DeviceGL& g = *gl_;
    if (g.recording) {
        g.recording->mask_.vertexLayout = true;
        g.recording->values_.fvf = fvf;
        g.recording->layoutIsDeclaration_ = false;
        return D3D_OK;
    }
    if (g.layoutIsDeclaration || g.states.fvf != fvf || g.fvfElements.empty()) {
        g.states.fvf = fvf;
        g.fvfElements = plat::ElementsFromFVF(fvf);
    }
    g.layoutIsDeclaration = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = gl_->layoutIsDeclaration ? 0 : gl_->states.fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    plat::DeviceGL& g = *gl_;
    if (g.recording) {
        g.recording->mask_.vertexLayout = true;
        Assign(g.recording->values_.declaration, declaration);
        g.recording->layoutIsDeclaration_ = true;
        return D3D_OK;
    }
    Assign(g.states.declaration, declaration);
    g.layoutIsDeclaration = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    *declaration = gl_->layoutIsDeclaration ? gl_->states.declaration : nullptr;
    if (*declaration) (*declaration)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                          UINT stride) {
    plat::DeviceGL& g = *gl_;
    if (stream >= D3D_MAX_STREAMS) return D3DERR_INVALIDCALL;
    plat::DeviceStates& target = g.recording ? g.recording->values_ : g.states;
    if (g.recording) g.recording->mask_.stream[stream] = true;
    Assign(target.stream[stream].buffer, buffer);
    target.stream[stream].offset = offset;
    target.stream[stream].stride = stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                          UINT* stride) {
    if (stream >= D3D_MAX_STREAMS || !buffer || !offset || !stride) return D3DERR_INVALIDCALL;
    const auto& s = gl_->states.stream[stream];
    *buffer = s.buffer;
    if (*buffer) (*buffer)->AddRef();
    *offset = s.offset;
    *stride = s.stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* indices) {
    plat::DeviceGL& g = *gl_;
    if (g.recording) {
        g.recording->mask_.indices = true;
        Assign(g.recording->values_.indices, indices);
        return D3D_OK;
    }
    Assign(g.states.indices, indices);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetIndices(IDirect3DIndexBuffer9** indices) {
    if (!indices) return D3DERR_INVALIDCALL;
    *indices = gl_->states.indices;
    if (*indices) (*indices)->AddRef();
    return D3D_OK;
}

// ---- draws ------------------------------------------------------------------------

namespace {
// After a draw from user memory, as in Direct3D, stream 0 and the indices
// are unset.
HRESULT EndUserMemoryDraw(IDirect3DDevice9* device, HRESULT result) {
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    return result;
}
}  // namespace

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    plat::DeviceGL& g = *gl_;
    UINT vertices = plat::VertexCountOf(type, primitiveCount);
    if (vertices == 0) return primitiveCount == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    // OpenGL takes the first vertex as a signed int, and the last must not wrap.
    std::uint64_t lastVertex = std::uint64_t(startVertex) + vertices - 1;
    if (lastVertex > std::uint64_t(INT32_MAX)) return D3DERR_INVALIDCALL;
    const std::vector<D3DVERTEXELEMENT9>* layout = g.ReadableLayout(0, UINT(lastVertex));
    if (!layout) return D3DERR_INVALIDCALL;
    if (g.SkipDraw()) return D3D_OK;
    MakeCurrent();
    g.PrepareDraw(*layout, 0, 0);
    glDrawArrays(plat::PrimitiveToGl(type), GLint(startVertex), GLsizei(vertices));
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT,
                                               UINT, UINT startIndex, UINT primitiveCount) {
    plat::DeviceGL& g = *gl_;
    IDirect3DIndexBuffer9* ib = g.states.indices;
    UINT count = plat::VertexCountOf(type, primitiveCount);
    if (count == 0) return primitiveCount == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    if (!ib) return D3DERR_INVALIDCALL;
    bool wide = ib->Format() == D3DFMT_INDEX32;
    if ((size_t(startIndex) + count) * (wide ? 4 : 2) > ib->Size()) return D3DERR_INVALIDCALL;
    // The indices are at hand in the CPU copy: the vertices they reach are
    // checked against the streams rather than trusting the range arguments.
    // The whole buffer's range (cached) settles most draws; only when it
    // does not fit are this draw's own indices looked at.
    // A vertex number past 32 bits would wrap, so it is refused as well.
    auto readableFor = [&](long long smallest, long long largest) -> const std::vector<D3DVERTEXELEMENT9>* {
        long long first = smallest + baseVertexIndex, last = largest + baseVertexIndex;
        return first >= 0 && last <= 0xFFFFFFFFll ? g.ReadableLayout(0, UINT(last)) : nullptr;
    };
    long long smallest = 0, largest = 0;
    ib->WholeRange(&smallest, &largest);
    const std::vector<D3DVERTEXELEMENT9>* layout = readableFor(smallest, largest);
    if (!layout) {
        plat::IndexRange(ib->bytes_.data(), ib->bytes_.size(), startIndex, count, wide, &smallest, &largest);
        layout = readableFor(smallest, largest);
        if (!layout) return D3DERR_INVALIDCALL;
    }
    if (g.SkipDraw()) return D3D_OK;
    MakeCurrent();
    g.PrepareDraw(*layout, 0, 0);
    g.UploadBuffer(ib, GL_ELEMENT_ARRAY_BUFFER);
    size_t offset = size_t(startIndex) * (wide ? 4 : 2);
    glDrawElementsBaseVertex(plat::PrimitiveToGl(type), GLsizei(count),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(offset), baseVertexIndex);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                          const void* vertexData, UINT stride) {
    plat::DeviceGL& g = *gl_;
    UINT vertices = plat::VertexCountOf(type, primitiveCount);
    if (!vertexData || stride == 0 || vertices == 0) return D3DERR_INVALIDCALL;
    const std::vector<D3DVERTEXELEMENT9>* layout = g.ReadableLayout(stride, vertices - 1);
    if (!layout) return EndUserMemoryDraw(this, D3DERR_INVALIDCALL);
    if (g.SkipDraw()) return EndUserMemoryDraw(this, D3D_OK);
    MakeCurrent();
    g.glState.BindVertexArray(g.vao);
    g.glState.BindBuffer(GL_ARRAY_BUFFER, g.upVertices);
    plat::CountUploadedBytes(size_t(vertices) * stride);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(vertices) * stride), vertexData, GL_STREAM_DRAW);
    g.PrepareDraw(*layout, g.upVertices, stride);
    glDrawArrays(plat::PrimitiveToGl(type), 0, GLsizei(vertices));
    return EndUserMemoryDraw(this, D3D_OK);
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT, UINT, UINT primitiveCount,
                                                 const void* indexData, D3DFORMAT indexFormat,
                                                 const void* vertexData, UINT stride) {
    plat::DeviceGL& g = *gl_;
    UINT count = plat::VertexCountOf(type, primitiveCount);
    bool wide = indexFormat == D3DFMT_INDEX32;
    if (!indexData || !vertexData || stride == 0 || count == 0) return D3DERR_INVALIDCALL;
    if (!wide && indexFormat != D3DFMT_INDEX16) return D3DERR_INVALIDCALL;
    size_t indexBytes = size_t(count) * (wide ? 4 : 2);
    long long smallest = 0, largest = 0;
    plat::IndexRange(static_cast<const std::uint8_t*>(indexData), indexBytes, 0, count, wide, &smallest, &largest);
    const std::vector<D3DVERTEXELEMENT9>* layout = g.ReadableLayout(stride, UINT(largest));
    if (!layout) return EndUserMemoryDraw(this, D3DERR_INVALIDCALL);
    if (g.SkipDraw()) return EndUserMemoryDraw(this, D3D_OK);
    MakeCurrent();
    g.glState.BindVertexArray(g.vao);
    g.glState.BindBuffer(GL_ARRAY_BUFFER, g.upVertices);
    plat::CountUploadedBytes(size_t(largest + 1) * stride);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(largest + 1) * stride), vertexData, GL_STREAM_DRAW);
    g.PrepareDraw(*layout, g.upVertices, stride);
    g.glState.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.upIndices);
    plat::CountUploadedBytes(indexBytes);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexBytes), indexData, GL_STREAM_DRAW);
    glDrawElements(plat::PrimitiveToGl(type), GLsizei(count), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr);
    return EndUserMemoryDraw(this, D3D_OK);
}

// ---- OpenGL-side operations -------------------------------------------------------

HRESULT IDirect3DDevice9::SetProgram(plat::GpuProgram* program) {
    gl_->program = program;
    return D3D_OK;
}

plat::GpuProgram* IDirect3DDevice9::GetProgram() const { return gl_->program; }

HRESULT IDirect3DDevice9::SetRenderTargetTexture(IDirect3DBaseTexture9* texture, UINT level, UINT layer) {
    plat::DeviceGL& g = *gl_;
    if (texture) {
        plat::TextureLevel* l = texture->Level(0, level);
        const plat::GlFormat* gl = plat::GlFormatOf(texture->Format());
        if (!l || !gl || !gl->renderable) return D3DERR_INVALIDCALL;
        UINT layers = texture->GetType() == D3DRTYPE_CUBETEXTURE     ? 6
                      : texture->GetType() == D3DRTYPE_VOLUMETEXTURE ? l->depth
                                                                     : 1;
        if (layer >= layers) return D3DERR_INVALIDCALL;
    }
    MakeCurrent();
    if (g.target) {
        g.CopyTargetToTexture();
        g.target->Release();
        g.target = nullptr;
    }
    if (texture) {
        g.UploadTexture(texture, 0);
        g.glState.BindFramebuffer(GL_FRAMEBUFFER, g.targetFbo);
        GLuint name = texture->glTexture_;
        switch (texture->GetType()) {
        case D3DRTYPE_CUBETEXTURE:
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + layer,
                                   name, GLint(level));
            break;
        case D3DRTYPE_VOLUMETEXTURE:
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, name, GLint(level), GLint(layer));
            break;
        default:
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, GLint(level));
            break;
        }
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            g.BindTarget();
            return D3DERR_INVALIDCALL;
        }
        texture->AddRef();
        g.target = texture;
        g.targetLevel = level;
        g.targetLayer = layer;
    }
    g.BindTarget();
    // Like every change of render target, the viewport becomes the whole
    // target.
    g.states.viewport = {0, 0, g.TargetWidth(), g.TargetHeight(), 0.0f, 1.0f};
    g.states.scissor = {0, 0, LONG(g.TargetWidth()), LONG(g.TargetHeight())};
    return D3D_OK;
}

HRESULT IDirect3DDevice9::ReadBackBuffer(std::vector<D3DCOLOR>* pixels, UINT* width, UINT* height) {
    plat::DeviceGL& g = *gl_;
    if (!pixels) return D3DERR_INVALIDCALL;
    MakeCurrent();
    if (g.direct && g.keptFrameValid) {
        *pixels = g.keptFrame;
    } else {
        g.ReadBackRows(pixels);
        g.BindTarget();
    }
    if (width) *width = g.backWidth;
    if (height) *height = g.backHeight;
    return D3D_OK;
}
