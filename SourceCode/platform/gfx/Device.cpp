// The device over OpenGL 3.3 core: context, back buffer, states, draws.
#include <SDL.h>
#include "platform/gfx/GlCalls.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/gfx/Direct3D.h"
#include "platform/common/ErrorLog.h"
#include "platform/gfx/GlFormats.h"
#include "platform/gfx/DeviceGL.h"
#include "platform/gfx/GpuProgram.h"

namespace plat {
namespace {

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, sizeof d);
    return d;
}
float BitsFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, sizeof f);
    return f;
}

GLenum CompareToGl(DWORD cmp) {
    switch (cmp) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendToGl(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
    }
}

GLenum BlendOpToGl(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum StencilOpToGl(DWORD op) {
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum AddressToGl(DWORD address) {
    switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_MIRRORONCE: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

GLenum MinFilterToGl(DWORD minFilter, DWORD mipFilter) {
    bool linear = minFilter >= D3DTEXF_LINEAR;
    switch (mipFilter) {
    case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

}  // namespace

GLenum PrimitiveToGl(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT count) {
    std::uint64_t vertices = count;
    switch (type) {
    case D3DPT_POINTLIST: break;
    case D3DPT_LINELIST: vertices *= 2; break;
    case D3DPT_LINESTRIP: vertices += 1; break;
    case D3DPT_TRIANGLELIST: vertices *= 3; break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: vertices += 2; break;
    default: return 0;
    }
    // OpenGL takes the count as a signed int.
    return vertices > std::uint64_t(INT32_MAX) ? 0 : UINT(vertices);
}

namespace {

// Where a declaration element goes; -1 for usages no shader reads.
int AttributeLocation(const D3DVERTEXELEMENT9& e) {
    switch (e.Usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT: return e.UsageIndex == 0 ? 0 : -1;
    case D3DDECLUSAGE_BLENDWEIGHT: return e.UsageIndex == 0 ? 1 : -1;
    case D3DDECLUSAGE_BLENDINDICES: return e.UsageIndex == 0 ? 2 : -1;
    case D3DDECLUSAGE_NORMAL: return e.UsageIndex == 0 ? 3 : -1;
    case D3DDECLUSAGE_PSIZE: return e.UsageIndex == 0 ? 4 : -1;
    case D3DDECLUSAGE_COLOR: return e.UsageIndex < 2 ? 5 + e.UsageIndex : -1;
    case D3DDECLUSAGE_TANGENT: return e.UsageIndex == 0 ? 7 : -1;
    case D3DDECLUSAGE_BINORMAL: return e.UsageIndex == 0 ? 8 : -1;
    case D3DDECLUSAGE_TEXCOORD: return e.UsageIndex < 7 ? 9 + e.UsageIndex : -1;
    default: return -1;
    }
}

struct AttribFormat {
    GLint size;
    GLenum type;
    GLboolean normalized;
};
bool AttribFormatOf(BYTE declType, AttribFormat* f) {
    switch (declType) {
    case D3DDECLTYPE_FLOAT1: *f = {1, GL_FLOAT, GL_FALSE}; return true;
    case D3DDECLTYPE_FLOAT2: *f = {2, GL_FLOAT, GL_FALSE}; return true;
    case D3DDECLTYPE_FLOAT3: *f = {3, GL_FLOAT, GL_FALSE}; return true;
    case D3DDECLTYPE_FLOAT4: *f = {4, GL_FLOAT, GL_FALSE}; return true;
    // ARGB words lie in memory as B, G, R, A.
    case D3DDECLTYPE_D3DCOLOR: *f = {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE}; return true;
    case D3DDECLTYPE_UBYTE4: *f = {4, GL_UNSIGNED_BYTE, GL_FALSE}; return true;
    case D3DDECLTYPE_UBYTE4N: *f = {4, GL_UNSIGNED_BYTE, GL_TRUE}; return true;
    case D3DDECLTYPE_SHORT2: *f = {2, GL_SHORT, GL_FALSE}; return true;
    case D3DDECLTYPE_SHORT4: *f = {4, GL_SHORT, GL_FALSE}; return true;
    case D3DDECLTYPE_SHORT2N: *f = {2, GL_SHORT, GL_TRUE}; return true;
    case D3DDECLTYPE_SHORT4N: *f = {4, GL_SHORT, GL_TRUE}; return true;
    case D3DDECLTYPE_USHORT2N: *f = {2, GL_UNSIGNED_SHORT, GL_TRUE}; return true;
    case D3DDECLTYPE_USHORT4N: *f = {4, GL_UNSIGNED_SHORT, GL_TRUE}; return true;
    case D3DDECLTYPE_UDEC3: *f = {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE}; return true;
    case D3DDECLTYPE_DEC3N: *f = {4, GL_INT_2_10_10_10_REV, GL_TRUE}; return true;
    case D3DDECLTYPE_FLOAT16_2: *f = {2, GL_HALF_FLOAT, GL_FALSE}; return true;
    case D3DDECLTYPE_FLOAT16_4: *f = {4, GL_HALF_FLOAT, GL_FALSE}; return true;
    default: return false;
    }
}

const char* const kBuiltinVertex = R"GLSL(
layout(location = TM_POSITION) in vec4 inPosition;
layout(location = TM_COLOR0) in vec4 inColor;
layout(location = TM_TEXCOORD0) in vec2 inTex;
out vec4 vColor;
out vec2 vTex;
void main() {
    vec4 p = tm_Pretransformed != 0 ? tmScreenToClip(inPosition) : inPosition;
    gl_Position = tmClip(p);
    vColor = inColor;
    vTex = inTex;
}
)GLSL";

// Stage 0 as the fixed-function cases use it: ARG1 the texture, ARG2 the
// diffuse colour; ops DISABLE, SELECTARG1, SELECTARG2 and MODULATE. With no
// texture the stage passes the diffuse colour through.
const char* const kBuiltinFragment = R"GLSL(
uniform sampler2D tm_Texture0;
uniform int tm_UseTexture0;
uniform int tm_ColorOp0;
uniform int tm_AlphaOp0;
in vec4 vColor;
in vec2 vTex;
out vec4 fragColor;
vec4 combine(int op, vec4 tex, vec4 diffuse) {
    if (op == 2) return tex;
    if (op == 4) return tex * diffuse;
    return diffuse;
}
void main() {
    vec4 c = vColor;
    if (tm_UseTexture0 != 0) {
        vec4 tex = texture(tm_Texture0, vTex);
        c = vec4(combine(tm_ColorOp0, tex, vColor).rgb, combine(tm_AlphaOp0, tex, vColor).a);
    }
    tmAlphaTest(c.a);
    fragColor = c;
}
)GLSL";

}  // namespace

// ---- set-up -------------------------------------------------------------------

bool DeviceGL::CreateContext(HRESULT* error) {
    sdl = SdlWindowOf(window);
    if (!sdl) {
        *error = D3DERR_INVALIDCALL;
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    context = SDL_GL_CreateContext(sdl);
    if (!context) {
        plat::LogErrorF("OpenGL 3.3 core context refused: %s\n", SDL_GetError());
        *error = D3DERR_NOTAVAILABLE;
        return false;
    }
    SDL_GL_MakeCurrent(sdl, context);
    hasAnisotropy = epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
                    epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic");
    glGenVertexArrays(1, &vao);
    glState.BindVertexArray(vao);
    for (GLuint location = 0; location < kAttributeCount; ++location) SetMissingAttributeValue(location);
    glGenBuffers(1, &upVertices);
    glGenBuffers(1, &upIndices);
    glGenSamplers(GLsizei(D3D_MAX_SAMPLERS), samplers);
    glGenFramebuffers(1, &targetFbo);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::string log;
    builtin = GpuProgram::Build(kBuiltinVertex, kBuiltinFragment, &log);
    if (!builtin) {
        plat::LogErrorF("The device's built-in program did not build: %s\n", log.c_str());
        *error = D3DERR_NOTAVAILABLE;
        return false;
    }
    builtinUseTexture0 = builtin->FindUniform("tm_UseTexture0");
    builtinColorOp0 = builtin->FindUniform("tm_ColorOp0");
    builtinAlphaOp0 = builtin->FindUniform("tm_AlphaOp0");
    int stage0 = 0;
    builtin->SetInts("tm_Texture0", &stage0, 1);
    return true;
}

bool DeviceGL::CreateBackBuffer() {
    int windowW = 0, windowH = 0;
    SDL_GL_GetDrawableSize(sdl, &windowW, &windowH);
    // A size of 0 takes the window's, as Direct3D does in windowed mode.
    if (pp.BackBufferWidth == 0) pp.BackBufferWidth = UINT(std::max(1, windowW));
    if (pp.BackBufferHeight == 0) pp.BackBufferHeight = UINT(std::max(1, windowH));
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    // A window larger than the caps cannot lend its size either.
    if (!BackBufferSizeAllowed(pp.BackBufferWidth, pp.BackBufferHeight)) {
        plat::LogErrorF("The back buffer (%ux%u) is larger than the device's largest (%ux%u)\n",
                     pp.BackBufferWidth, pp.BackBufferHeight, kMaxTextureSide, kMaxTextureSide);
        return false;
    }
    backWidth = pp.BackBufferWidth;
    backHeight = pp.BackBufferHeight;
    keptFrameValid = false;
    direct = WindowCanBeBackBuffer();
    if (direct) {
        glState.BindFramebuffer(GL_FRAMEBUFFER, 0);
        return true;
    }
    glGenFramebuffers(1, &backFbo);
    glGenRenderbuffers(1, &backColor);
    glGenRenderbuffers(1, &backDepth);
    // Formats without alpha read destination alpha as 1, as Direct3D does.
    GLenum colorFormat = pp.BackBufferFormat == D3DFMT_A8R8G8B8 ? GL_RGBA8 : GL_RGB8;
    glBindRenderbuffer(GL_RENDERBUFFER, backColor);
    glRenderbufferStorage(GL_RENDERBUFFER, colorFormat, GLsizei(backWidth), GLsizei(backHeight));
    glBindRenderbuffer(GL_RENDERBUFFER, backDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(backWidth), GLsizei(backHeight));
    glState.BindFramebuffer(GL_FRAMEBUFFER, backFbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backColor);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepth);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) plat::LogErrorF("The back buffer (%ux%u) is incomplete\n", backWidth, backHeight);
    return complete;
}

bool DeviceGL::WindowCanBeBackBuffer() {
    int windowW = 0, windowH = 0;
    SDL_GL_GetDrawableSize(sdl, &windowW, &windowH);
    if (UINT(windowW) != backWidth || UINT(windowH) != backHeight) return false;
    GLint alpha = 0, depth = 0, stencil = 0;
    glState.BindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &alpha);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depth);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE,
                                          &stencil);
    if (glGetError() != GL_NO_ERROR) return false;
    // Without alpha bits destination alpha reads 1, which an X8R8G8B8 back
    // buffer needs; an A8R8G8B8 one needs eight.
    bool alphaFits = pp.BackBufferFormat == D3DFMT_A8R8G8B8 ? alpha == 8 : alpha == 0;
    return alphaFits && depth == 24 && stencil == 8;
}

bool DeviceGL::SettleBackBuffer() {
    if (direct == WindowCanBeBackBuffer()) return true;
    DeleteBackBuffer();
    return CreateBackBuffer();
}

void DeviceGL::ReadBackRows(std::vector<D3DCOLOR>* pixels) {
    UINT w = backWidth, h = backHeight;
    std::vector<D3DCOLOR> bottomUp(size_t(w) * h);
    glState.BindFramebuffer(GL_READ_FRAMEBUFFER, backFbo);
    if (direct) glReadBuffer(GL_BACK);
    glReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
    pixels->resize(bottomUp.size());
    for (UINT row = 0; row < h; ++row)
        std::copy_n(bottomUp.data() + size_t(h - 1 - row) * w, w, pixels->data() + size_t(row) * w);
}

void DeviceGL::DeleteBackBuffer() {
    GlState::DeleteFramebuffer(&backFbo);
    if (backColor) glDeleteRenderbuffers(1, &backColor);
    if (backDepth) glDeleteRenderbuffers(1, &backDepth);
    backFbo = backColor = backDepth = 0;
}

void DeviceGL::FitWindowToPresentation() {
    bool fullScreenNow = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (!pp.Windowed && !fullScreenNow) {
        // Without a window manager (a bare X server, Xvfb) nobody honours
        // the full-screen request, so the window first covers the desktop
        // by itself; a window manager then makes it full screen as usual.
        SDL_Rect desktop;
        int display = SDL_GetWindowDisplayIndex(sdl);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &desktop) == 0) {
            SDL_SetWindowSize(sdl, desktop.w, desktop.h);
            SDL_SetWindowPosition(sdl, desktop.x, desktop.y);
        }
    }
    SDL_SetWindowFullscreen(sdl, pp.Windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void DeviceGL::ApplySwapInterval() {
    int interval = 1;
    switch (pp.PresentationInterval) {
    case D3DPRESENT_INTERVAL_IMMEDIATE: interval = 0; break;
    case D3DPRESENT_INTERVAL_TWO: interval = 2; break;
    case D3DPRESENT_INTERVAL_THREE: interval = 3; break;
    case D3DPRESENT_INTERVAL_FOUR: interval = 4; break;
    default: interval = 1; break;
    }
    // A driver without vertical sync (the headless one) refuses; it then
    // simply presents at once.
    SDL_GL_SetSwapInterval(interval);
}

// A swap that waits for nothing (an offscreen window's, or a driver without
// vertical sync) let the game queue frames in the driver without bound: on
// the software renderer it ran seconds ahead of its pictures, and releasing
// the context then waited for every queued frame. As Direct3D's drivers do,
// the device lets the game run at most one frame ahead of the picture.
void DeviceGL::PaceFrames() {
    GLsync presented = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    if (frameInFlight) {
        constexpr GLuint64 kOneSecond = 1000000000;
        while (glClientWaitSync(frameInFlight, GL_SYNC_FLUSH_COMMANDS_BIT, kOneSecond) == GL_TIMEOUT_EXPIRED) {
        }
        glDeleteSync(frameInFlight);
    }
    frameInFlight = presented;
}

void DeviceGL::SetDefaultStates() {
    DWORD* rs = states.render;
    std::fill(std::begin(states.render), std::end(states.render), 0u);
    rs[D3DRS_ZENABLE] = pp.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = 0xF;
    rs[D3DRS_COLORWRITEENABLE2] = rs[D3DRS_COLORWRITEENABLE3] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONDEGREE] = D3DDEGREE_CUBIC;
    rs[D3DRS_NORMALDEGREE] = D3DDEGREE_LINEAR;
    rs[D3DRS_MINTESSELLATIONLEVEL] = rs[D3DRS_MAXTESSELLATIONLEVEL] = FloatBits(1.0f);
    rs[D3DRS_ADAPTIVETESS_Z] = FloatBits(1.0f);
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    for (DWORD s = 0; s < D3D_MAX_SAMPLERS; ++s) {
        DWORD* ss = states.sampler[s];
        std::fill(ss, ss + D3DSAMP_COUNT, 0u);
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    for (DWORD t = 0; t < D3D_MAX_TEXTURE_STAGES; ++t) {
        DWORD* ts = states.stage[t];
        std::fill(ts, ts + D3DTSS_COUNT, 0u);
        ts[D3DTSS_COLOROP] = t == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = t == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = t;
    }
    states.viewport = {0, 0, backWidth, backHeight, 0.0f, 1.0f};
    states.scissor = {0, 0, LONG(backWidth), LONG(backHeight)};
    states.fvf = 0;
    layoutIsDeclaration = false;
    fvfElements.clear();
}

void DeviceGL::ReleaseBindings() {
    for (auto*& t : states.texture) Assign<IDirect3DBaseTexture9>(t, nullptr);
    for (auto& s : states.stream) Assign<IDirect3DVertexBuffer9>(s.buffer, nullptr);
    Assign<IDirect3DIndexBuffer9>(states.indices, nullptr);
    Assign<IDirect3DVertexDeclaration9>(states.declaration, nullptr);
}

// ---- render target ------------------------------------------------------------

UINT DeviceGL::TargetWidth() const {
    if (!target) return backWidth;
    auto* level = const_cast<IDirect3DBaseTexture9*>(target)->Level(0, targetLevel);
    return level ? level->width : 0;
}

UINT DeviceGL::TargetHeight() const {
    if (!target) return backHeight;
    auto* level = const_cast<IDirect3DBaseTexture9*>(target)->Level(0, targetLevel);
    return level ? level->height : 0;
}

void DeviceGL::BindTarget() { glState.BindFramebuffer(GL_FRAMEBUFFER, target ? targetFbo : backFbo); }

// What was drawn into a texture goes back into its CPU copy, which stays
// the texture's true contents (locks read it; uploads come from it).
void DeviceGL::CopyTargetToTexture() {
    if (!target) return;
    const GlFormat* gl = GlFormatOf(target->Format());
    TextureLevel* level = target->Level(target->GetType() == D3DRTYPE_CUBETEXTURE ? targetLayer : 0,
                                        targetLevel);
    if (!gl || !level) return;
    glState.BindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    std::uint8_t* dest = level->bytes.data();
    if (target->GetType() == D3DRTYPE_VOLUMETEXTURE) dest += size_t(targetLayer) * level->slicePitch;
    glReadPixels(0, 0, GLsizei(level->width), GLsizei(level->height), gl->format, gl->type, dest);
}

// ---- drawing ------------------------------------------------------------------

GlRaster DeviceGL::RasterOfStates() const {
    const DWORD* rs = states.render;
    GlRaster r;
    const D3DVIEWPORT9& vp = states.viewport;
    const RECT& sc = states.scissor;
    const GLint height = GLint(TargetHeight());
    // Direct3D counts rows from the top. A texture target is drawn upside
    // down, so its GL rows already run from the top.
    const GLint vpY = Flipped() ? GLint(vp.Y) : height - GLint(vp.Y + vp.Height);
    r.viewport = {GLint(vp.X), vpY, GLint(vp.Width), GLint(vp.Height)};
    r.depthRange = {vp.MinZ, vp.MaxZ};
    const GLint scY = Flipped() ? sc.top : height - sc.bottom;
    r.scissor = {sc.left, scY, std::max(0, sc.right - sc.left), std::max(0, sc.bottom - sc.top)};
    r.scissorTest = rs[D3DRS_SCISSORTESTENABLE] != 0;

    r.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    r.depthFunc = CompareToGl(rs[D3DRS_ZFUNC]);
    r.depthMask = rs[D3DRS_ZWRITEENABLE] != 0;
    const float slope = BitsFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
    const float bias = BitsFloat(rs[D3DRS_DEPTHBIAS]);
    r.polygonOffset = slope != 0.0f || bias != 0.0f;
    // Direct3D's bias is in depth units; GL's unit is one step of the
    // 24-bit depth buffer.
    if (r.polygonOffset) r.offset = {slope, bias * 16777215.0f};

    r.stencilTest = rs[D3DRS_STENCILENABLE] != 0;
    // GL's front faces are Direct3D's clockwise ones; the counter-clockwise
    // side has its own states only in two-sided mode.
    const bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    const GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xFF);
    const GLuint mask = rs[D3DRS_STENCILMASK];
    r.front = {CompareToGl(rs[D3DRS_STENCILFUNC]), ref, mask, StencilOpToGl(rs[D3DRS_STENCILFAIL]),
               StencilOpToGl(rs[D3DRS_STENCILZFAIL]), StencilOpToGl(rs[D3DRS_STENCILPASS])};
    r.back = twoSided ? GlRaster::StencilFace{CompareToGl(rs[D3DRS_CCW_STENCILFUNC]), ref, mask,
                                              StencilOpToGl(rs[D3DRS_CCW_STENCILFAIL]),
                                              StencilOpToGl(rs[D3DRS_CCW_STENCILZFAIL]),
                                              StencilOpToGl(rs[D3DRS_CCW_STENCILPASS])}
                      : r.front;
    r.stencilWriteMask = rs[D3DRS_STENCILWRITEMASK];

    r.frontFace = Flipped() ? GL_CCW : GL_CW;
    r.cullFace = rs[D3DRS_CULLMODE] != D3DCULL_NONE;
    r.cullFaceMode = rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK;
    switch (rs[D3DRS_FILLMODE]) {
    case D3DFILL_POINT: r.polygonMode = GL_POINT; break;
    case D3DFILL_WIREFRAME: r.polygonMode = GL_LINE; break;
    default: r.polygonMode = GL_FILL; break;
    }

    r.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    auto src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
    // The two "both" factors set source and destination together.
    if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
    if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
    auto srcA = src, dstA = dst, op = rs[D3DRS_BLENDOP], opA = op;
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
        srcA = rs[D3DRS_SRCBLENDALPHA];
        dstA = rs[D3DRS_DESTBLENDALPHA];
        opA = rs[D3DRS_BLENDOPALPHA];
    }
    r.blendFunc = {BlendToGl(src), BlendToGl(dst), BlendToGl(srcA), BlendToGl(dstA)};
    r.blendEquation = {BlendOpToGl(op), BlendOpToGl(opA)};
    const D3DXCOLOR factor(rs[D3DRS_BLENDFACTOR]);
    r.blendColor = {factor.r, factor.g, factor.b, factor.a};

    const DWORD write = rs[D3DRS_COLORWRITEENABLE];
    r.colorMask = {(write & 1) != 0, (write & 2) != 0, (write & 4) != 0, (write & 8) != 0};
    r.pointSize = std::max(1.0f, BitsFloat(rs[D3DRS_POINTSIZE]));
    return r;
}

GlSamplerParams DeviceGL::SamplerOfStates(DWORD s) const {
    const DWORD* ss = states.sampler[s];
    GlSamplerParams p;
    p.wrapS = GLint(AddressToGl(ss[D3DSAMP_ADDRESSU]));
    p.wrapT = GLint(AddressToGl(ss[D3DSAMP_ADDRESSV]));
    p.wrapR = GLint(AddressToGl(ss[D3DSAMP_ADDRESSW]));
    p.magFilter = ss[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    p.minFilter = GLint(MinFilterToGl(ss[D3DSAMP_MINFILTER], ss[D3DSAMP_MIPFILTER]));
    const D3DXCOLOR border(ss[D3DSAMP_BORDERCOLOR]);
    p.border = {border.r, border.g, border.b, border.a};
    p.lodBias = BitsFloat(ss[D3DSAMP_MIPMAPLODBIAS]);
    // MAXMIPLEVEL names the largest level used, i.e. the smallest LOD.
    p.minLod = float(ss[D3DSAMP_MAXMIPLEVEL]);
    const bool anisotropic = ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                             ss[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    p.anisotropy = anisotropic ? float(std::clamp<DWORD>(ss[D3DSAMP_MAXANISOTROPY], 1, 16)) : 1.0f;
    return p;
}

namespace {
GLenum TextureTarget(const IDirect3DBaseTexture9* t) {
    switch (t->GetType()) {
    case D3DRTYPE_CUBETEXTURE: return GL_TEXTURE_CUBE_MAP;
    case D3DRTYPE_VOLUMETEXTURE: return GL_TEXTURE_3D;
    default: return GL_TEXTURE_2D;
    }
}

void UploadLevel(GLenum target, GLenum faceTarget, const GlFormat& gl, GLint index,
                 const TextureLevel& level, bool allocate) {
    const GLsizei w = GLsizei(level.width), h = GLsizei(level.height), d = GLsizei(level.depth);
    const void* data = level.bytes.data();
    const GLsizei size = GLsizei(level.bytes.size());
    CountUploadedBytes(level.bytes.size());
    if (target == GL_TEXTURE_3D) {
        if (gl.compressed) {
            if (allocate) glCompressedTexImage3D(target, index, gl.internalFormat, w, h, d, 0, size, data);
            else glCompressedTexSubImage3D(target, index, 0, 0, 0, w, h, d, gl.internalFormat, size, data);
        } else if (allocate) {
            glTexImage3D(target, index, GLint(gl.internalFormat), w, h, d, 0, gl.format, gl.type, data);
        } else {
            glTexSubImage3D(target, index, 0, 0, 0, w, h, d, gl.format, gl.type, data);
        }
        return;
    }
    if (gl.compressed) {
        if (allocate) glCompressedTexImage2D(faceTarget, index, gl.internalFormat, w, h, 0, size, data);
        else glCompressedTexSubImage2D(faceTarget, index, 0, 0, w, h, gl.internalFormat, size, data);
    } else if (allocate) {
        glTexImage2D(faceTarget, index, GLint(gl.internalFormat), w, h, 0, gl.format, gl.type, data);
    } else {
        glTexSubImage2D(faceTarget, index, 0, 0, w, h, gl.format, gl.type, data);
    }
}
}  // namespace

// Creates the GL texture on first use and sends every level changed since.
// Rows go up top first, so Direct3D texture coordinates need no change.
bool DeviceGL::UploadTexture(IDirect3DBaseTexture9* t, GLuint unit) {
    const GlFormat* gl = GlFormatOf(t->Format());
    if (!gl) return false;
    GLenum target = TextureTarget(t);
    bool allocate = t->glTexture_ == 0;
    if (allocate) glGenTextures(1, &t->glTexture_);
    glState.BindTexture(unit, target, t->glTexture_);
    if (!allocate && !t->AnyDirty()) return true;
    // The texture may have been bound already, with another unit active
    // since: parameters and levels go to the active unit's texture.
    glState.ActiveTexture(unit);
    if (allocate) {
        glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, GLint(t->GetLevelCount()) - 1);
        glTexParameteriv(target, GL_TEXTURE_SWIZZLE_RGBA, gl->swizzle);
    }
    for (UINT face = 0; face < t->faces_; ++face) {
        GLenum faceTarget = target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : target;
        for (UINT l = 0; l < t->GetLevelCount(); ++l) {
            TextureLevel* level = t->Level(face, l);
            if (!allocate && !level->dirty) continue;
            UploadLevel(target, faceTarget, *gl, GLint(l), *level, allocate);
            level->dirty = false;
        }
    }
    return true;
}

void DeviceGL::UploadBuffer(D3DBufferBase* buffer, GLenum bindTarget) {
    bool allocate = buffer->glBuffer_ == 0;
    if (allocate) glGenBuffers(1, &buffer->glBuffer_);
    glState.BindBuffer(bindTarget, buffer->glBuffer_);
    const D3DBufferBase::Written written = buffer->written_;
    const UINT size = buffer->Size();
    const GLenum usage = (buffer->GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
    if (allocate || (written.from == 0 && written.to >= size)) {
        CountUploadedBytes(size);
        glBufferData(bindTarget, GLsizeiptr(size), buffer->bytes_.data(), usage);
    } else if (written.from < written.to) {
        // Fresh storage after a discard, so that the write need not wait for
        // draws still reading the old contents.
        if (written.discard) glBufferData(bindTarget, GLsizeiptr(size), nullptr, usage);
        CountUploadedBytes(written.to - written.from);
        glBufferSubData(bindTarget, GLintptr(written.from), GLsizeiptr(written.to - written.from),
                        buffer->bytes_.data() + written.from);
    }
    buffer->written_ = {};
}

const std::vector<D3DVERTEXELEMENT9>* DeviceGL::CurrentLayout() const {
    if (layoutIsDeclaration) return states.declaration ? &states.declaration->Elements() : nullptr;
    return fvfElements.empty() ? nullptr : &fvfElements;
}

namespace {
// Calls read(element, location, format) for each element that a draw reads
// (the first of each attribute location the shaders know, in a format GL
// takes) until it returns false; true when it never did.
template <class F>
bool ForEachElementRead(const std::vector<D3DVERTEXELEMENT9>& layout, F read) {
    bool used[kAttributeCount] = {};
    for (const auto& e : layout) {
        int location = AttributeLocation(e);
        AttribFormat f;
        if (location < 0 || used[location] || !AttribFormatOf(e.Type, &f)) continue;
        used[location] = true;
        if (!read(e, GLuint(location), f)) return false;
    }
    return true;
}
}  // namespace

const std::vector<D3DVERTEXELEMENT9>* DeviceGL::ReadableLayout(UINT upStride, UINT lastVertex) const {
    const std::vector<D3DVERTEXELEMENT9>* layout = CurrentLayout();
    if (!layout) return nullptr;
    const bool fits = ForEachElementRead(*layout, [&](const D3DVERTEXELEMENT9& e, GLuint, const AttribFormat&) {
        const size_t elementEnd = size_t(e.Offset) + SizeOfDeclType(e.Type);
        if (upStride) return elementEnd <= upStride;
        if (e.Stream >= D3D_MAX_STREAMS) return false;
        const auto& stream = states.stream[e.Stream];
        // Reading past the end of a GL buffer is undefined: refuse.
        return stream.buffer &&
               stream.offset + size_t(lastVertex) * stream.stride + elementEnd <= stream.buffer->Size();
    });
    return fits ? layout : nullptr;
}

// Points each attribute location at its stream. upBuffer non-zero: every
// element reads that buffer with upStride (the UP draws).
void DeviceGL::BindAttributes(const std::vector<D3DVERTEXELEMENT9>& layout, GLuint upBuffer, UINT upStride) {
    bool used[kAttributeCount] = {};
    ForEachElementRead(layout, [&](const D3DVERTEXELEMENT9& e, GLuint location, const AttribFormat& f) {
        GLuint buffer = upBuffer;
        UINT stride = upStride;
        size_t offset = e.Offset;
        bool repeats = false;
        if (!upBuffer) {
            const auto& stream = states.stream[e.Stream];
            UploadBuffer(stream.buffer, GL_ARRAY_BUFFER);
            buffer = stream.buffer->glBuffer_;
            stride = stream.stride;
            offset += stream.offset;
            repeats = stride == 0;
        }
        // Direct3D's stride 0 gives every vertex the same element; GL's
        // stride 0 means tightly packed. A divisor holds the attribute on
        // its first element for the whole (single-instance) draw.
        glState.AttribDivisor(location, repeats ? 1 : 0);
        glState.AttribPointer(location, {buffer, f.size, f.type, f.normalized, GLsizei(stride), offset});
        used[location] = true;
        return true;
    });
    for (GLuint location = 0; location < kAttributeCount; ++location) {
        // A draw that read the array leaves the current value undefined.
        if (glState.EnableAttribArray(location, used[location]) && !used[location])
            SetMissingAttributeValue(location);
    }
}

// What an attribute missing from a layout reads: colours white, the rest 0
// (with w 1 for a position).
void DeviceGL::SetMissingAttributeValue(GLuint location) {
    float v = (location == 5 || location == 6) ? 1.0f : 0.0f;
    glVertexAttrib4f(location, v, v, v, location == 0 || v == 1.0f ? 1.0f : 0.0f);
}

void DeviceGL::BindProgramAndUniforms(const std::vector<D3DVERTEXELEMENT9>& layout) {
    GpuProgram* p = program ? program : builtin.get();
    const DWORD* rs = states.render;
    const D3DVIEWPORT9& vp = states.viewport;
    const bool pretransformed = std::any_of(layout.begin(), layout.end(), [](const D3DVERTEXELEMENT9& e) {
        return e.Usage == D3DDECLUSAGE_POSITIONT;
    });
    const float flipY = Flipped() ? -1.0f : 1.0f;
    const float viewport[4] = {float(vp.X), float(vp.Y), float(vp.Width), float(vp.Height)};
    const float depthRange[2] = {vp.MinZ, vp.MaxZ};
    const int pretransformedFlag = pretransformed ? 1 : 0;
    const int alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? int(rs[D3DRS_ALPHAFUNC]) : int(D3DCMP_ALWAYS);
    const float alphaRef = float(rs[D3DRS_ALPHAREF] & 0xFF);
    const GpuProgram::StandardUniforms& at = p->Standard();
    if (at.flipY) p->SetFloats(*at.flipY, &flipY, 1);
    if (at.viewport) p->SetFloats(*at.viewport, viewport, 4);
    if (at.depthRange) p->SetFloats(*at.depthRange, depthRange, 2);
    if (at.pretransformed) p->SetInts(*at.pretransformed, &pretransformedFlag, 1);
    if (at.alphaFunc) p->SetInts(*at.alphaFunc, &alphaFunc, 1);
    if (at.alphaRef) p->SetFloats(*at.alphaRef, &alphaRef, 1);
    if (p == builtin.get()) {
        IDirect3DBaseTexture9* t0 = states.texture[0];
        const int useTexture = t0 && t0->GetType() == D3DRTYPE_TEXTURE ? 1 : 0;
        const int colorOp = int(states.stage[0][D3DTSS_COLOROP]), alphaOp = int(states.stage[0][D3DTSS_ALPHAOP]);
        p->SetInts(*builtinUseTexture0, &useTexture, 1);
        p->SetInts(*builtinColorOp0, &colorOp, 1);
        p->SetInts(*builtinAlphaOp0, &alphaOp, 1);
    }
    glState.UseProgram(p->GlName());
    p->SendChangedUniforms();
}

void DeviceGL::BindTextures() {
    // Stages above the highest ever given a texture have nothing to unbind.
    for (DWORD s = 0; s < stagesInUse; ++s) {
        IDirect3DBaseTexture9* t = states.texture[s];
        if (!t) {
            for (GLenum target : {GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP}) glState.BindTexture(s, target, 0);
            continue;
        }
        glState.BindSampler(s, samplers[s], SamplerOfStates(s), hasAnisotropy);
        UploadTexture(t, s);
    }
}

void DeviceGL::PrepareDraw(const std::vector<D3DVERTEXELEMENT9>& layout, GLuint upBuffer, UINT upStride) {
    glState.BindVertexArray(vao);
    BindTarget();
    BackBufferTouched();
    BindAttributes(layout, upBuffer, upStride);
    BindTextures();
    BindProgramAndUniforms(layout);
    ApplyRenderStates();
}

}  // namespace plat

// ---- the device -----------------------------------------------------------------

using plat::Assign;

IDirect3DDevice9::IDirect3DDevice9(IDirect3D9* d3d, D3DDEVTYPE type, plat::HWND window,
                                   const D3DPRESENT_PARAMETERS& pp)
    : gl_(std::make_unique<plat::DeviceGL>()) {
    gl_->d3d = d3d;
    if (d3d) d3d->AddRef();
    gl_->type = type;
    gl_->window = window;
    gl_->pp = pp;
}

bool IDirect3DDevice9::Initialize(HRESULT* error) {
    plat::DeviceGL& g = *gl_;
    if (!g.CreateContext(error)) return false;
    // The window takes its presentation size before the back buffer is
    // chosen, and one swap while it is still hidden hands the new size to
    // the driver's drawable: otherwise the first frame of a full-screen
    // device went to a drawable still of the window's size at its creation
    // and showed only a corner of the picture.
    g.FitWindowToPresentation();
    SDL_GL_SwapWindow(g.sdl);
    if (!g.CreateBackBuffer()) {
        *error = D3DERR_NOTAVAILABLE;
        return false;
    }
    g.ApplySwapInterval();
    g.SetDefaultStates();
    return true;
}

IDirect3DDevice9::~IDirect3DDevice9() {
    plat::DeviceGL& g = *gl_;
    if (g.context) {
        SDL_GL_MakeCurrent(g.sdl, g.context);
        if (g.recording) g.recording->Release();
        g.recording = nullptr;
        if (g.target) g.target->Release();
        g.target = nullptr;
        g.ReleaseBindings();
        // Whatever still lives is cut loose: its GL objects go with the
        // context, and its later Release must not reach this device.
        for (auto* r : std::vector<IDirect3DResource9*>(g.resources.begin(), g.resources.end())) r->Orphan();
        for (auto* b : g.blocks) b->Orphan();
        g.builtin.reset();
        g.DeleteBackBuffer();
        glDeleteFramebuffers(1, &g.targetFbo);
        glDeleteSamplers(GLsizei(D3D_MAX_SAMPLERS), g.samplers);
        glDeleteBuffers(1, &g.upVertices);
        glDeleteBuffers(1, &g.upIndices);
        glDeleteVertexArrays(1, &g.vao);
        if (g.frameInFlight) glDeleteSync(g.frameInFlight);
        SDL_GL_MakeCurrent(g.sdl, nullptr);
        SDL_GL_DeleteContext(g.context);
    } else {
        g.builtin.reset();
    }
    if (g.d3d) g.d3d->Release();
}
