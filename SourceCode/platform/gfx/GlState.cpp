#include "platform/gfx/GlState.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace plat {
namespace {

bool cacheOn = true;

// Every live record, so that a delete reaches each context's (one per device).
std::vector<GlState*>& LiveStates() {
    static std::vector<GlState*> states;
    return states;
}

GLuint TargetIndex(GLenum target) {
    switch (target) {
    case GL_TEXTURE_3D: return 1;
    case GL_TEXTURE_CUBE_MAP: return 2;
    default: return 0;
    }
}

void Toggle(GLenum capability, bool on) {
    if (on) glEnable(capability);
    else glDisable(capability);
}

}  // namespace

void SetGlStateCache(bool on) { cacheOn = on; }
bool GlStateCacheOn() { return cacheOn; }

GlState::GlState() {
    Invalidate();
    LiveStates().push_back(this);
}

GlState::~GlState() { std::erase(LiveStates(), this); }

void GlState::Invalidate() {
    drawFramebuffer_ = readFramebuffer_ = kUnknown;
    vertexArray_ = arrayBuffer_ = elementBuffer_ = kUnknown;
    program_ = kUnknown;
    activeUnit_ = kUnknown;
    for (auto& unit : textures_) unit.fill(kUnknown);
    samplers_.fill(kUnknown);
    samplerParams_.fill(SamplerRecord{});
    attributes_.fill(AttributeRecord{});
    rasterKnown_ = false;
    clearKnown_ = false;
}

template <class T>
bool GlState::Differs(bool known, const T& now, const T& wanted) const {
    return !known || !cacheOn || !(now == wanted);
}

// ---- bindings -------------------------------------------------------------------

void GlState::BindFramebuffer(GLenum target, GLuint framebuffer) {
    const bool draw = target != GL_READ_FRAMEBUFFER, read = target != GL_DRAW_FRAMEBUFFER;
    const bool sendDraw = draw && Differs(true, drawFramebuffer_, framebuffer);
    const bool sendRead = read && Differs(true, readFramebuffer_, framebuffer);
    if (!sendDraw && !sendRead) return;
    // Both wanted but only one differing: bind just that one.
    const GLenum send = sendDraw && sendRead ? GL_FRAMEBUFFER : sendDraw ? GL_DRAW_FRAMEBUFFER : GL_READ_FRAMEBUFFER;
    glBindFramebuffer(send, framebuffer);
    if (draw) drawFramebuffer_ = framebuffer;
    if (read) readFramebuffer_ = framebuffer;
}

void GlState::BindVertexArray(GLuint vao) {
    if (!Differs(true, vertexArray_, vao)) return;
    glBindVertexArray(vao);
    // The element buffer and the attributes belong to the vertex array.
    if (vertexArray_ != vao) {
        elementBuffer_ = kUnknown;
        attributes_.fill(AttributeRecord{});
    }
    vertexArray_ = vao;
}

void GlState::BindBuffer(GLenum target, GLuint buffer) {
    GLuint& bound = target == GL_ELEMENT_ARRAY_BUFFER ? elementBuffer_ : arrayBuffer_;
    if (!Differs(true, bound, buffer)) return;
    glBindBuffer(target, buffer);
    bound = buffer;
}

void GlState::UseProgram(GLuint program) {
    if (!Differs(true, program_, program)) return;
    glUseProgram(program);
    program_ = program;
}

void GlState::ActiveTexture(GLuint unit) {
    if (!Differs(true, activeUnit_, unit)) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit_ = unit;
}

void GlState::BindTexture(GLuint unit, GLenum target, GLuint texture) {
    GLuint& bound = textures_[unit][TargetIndex(target)];
    if (!Differs(true, bound, texture)) return;
    ActiveTexture(unit);
    glBindTexture(target, texture);
    bound = texture;
}

void GlState::BindSampler(GLuint unit, GLuint sampler, const GlSamplerParams& params, bool anisotropy) {
    SamplerRecord& record = samplerParams_[unit];
    SendSamplerParams(sampler, record.params, params, record.sampler != sampler || !cacheOn, anisotropy);
    record = {sampler, params};
    if (!Differs(true, samplers_[unit], sampler)) return;
    glBindSampler(unit, sampler);
    samplers_[unit] = sampler;
}

void GlState::SendSamplerParams(GLuint s, const GlSamplerParams& now, const GlSamplerParams& wanted, bool all,
                                bool anisotropy) {
    if (all || now.wrapS != wanted.wrapS) glSamplerParameteri(s, GL_TEXTURE_WRAP_S, wanted.wrapS);
    if (all || now.wrapT != wanted.wrapT) glSamplerParameteri(s, GL_TEXTURE_WRAP_T, wanted.wrapT);
    if (all || now.wrapR != wanted.wrapR) glSamplerParameteri(s, GL_TEXTURE_WRAP_R, wanted.wrapR);
    if (all || now.magFilter != wanted.magFilter) glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, wanted.magFilter);
    if (all || now.minFilter != wanted.minFilter) glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, wanted.minFilter);
    if (all || now.border != wanted.border) glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, wanted.border.data());
    if (all || now.lodBias != wanted.lodBias) glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, wanted.lodBias);
    if (all || now.minLod != wanted.minLod) glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, wanted.minLod);
    if (anisotropy && (all || now.anisotropy != wanted.anisotropy))
        glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY_EXT, wanted.anisotropy);
}

// ---- vertex attributes ------------------------------------------------------------

void GlState::AttribPointer(GLuint location, const GlAttribPointer& p) {
    AttributeRecord& a = attributes_[location];
    if (!Differs(a.pointerKnown, a.pointer, p)) return;
    // The pointer takes the array buffer bound at the call.
    BindBuffer(GL_ARRAY_BUFFER, p.buffer);
    glVertexAttribPointer(location, p.size, p.type, p.normalized, p.stride, reinterpret_cast<const void*>(p.offset));
    a.pointer = p;
    a.pointerKnown = true;
}

void GlState::AttribDivisor(GLuint location, GLuint divisor) {
    AttributeRecord& a = attributes_[location];
    if (!Differs(a.divisorKnown, a.divisor, divisor)) return;
    glVertexAttribDivisor(location, divisor);
    a.divisor = divisor;
    a.divisorKnown = true;
}

bool GlState::EnableAttribArray(GLuint location, bool enabled) {
    AttributeRecord& a = attributes_[location];
    if (!Differs(a.enabledKnown, a.enabled, enabled)) return false;
    if (enabled) glEnableVertexAttribArray(location);
    else glDisableVertexAttribArray(location);
    a.enabled = enabled;
    a.enabledKnown = true;
    return true;
}

// ---- fixed-function state ---------------------------------------------------------

void GlState::Apply(const GlRaster& w) {
    const GlRaster& n = raster_;
    const bool k = rasterKnown_;
    if (Differs(k, n.depthTest, w.depthTest)) Toggle(GL_DEPTH_TEST, w.depthTest);
    if (Differs(k, n.depthFunc, w.depthFunc)) glDepthFunc(w.depthFunc);
    if (Differs(k, n.depthMask, w.depthMask)) glDepthMask(w.depthMask ? GL_TRUE : GL_FALSE);
    if (Differs(k, n.polygonOffset, w.polygonOffset)) Toggle(GL_POLYGON_OFFSET_FILL, w.polygonOffset);
    if (Differs(k, n.offset, w.offset)) glPolygonOffset(w.offset[0], w.offset[1]);

    if (Differs(k, n.stencilTest, w.stencilTest)) Toggle(GL_STENCIL_TEST, w.stencilTest);
    const auto func = [](const GlRaster::StencilFace& f) { return std::tie(f.func, f.ref, f.mask); };
    const auto ops = [](const GlRaster::StencilFace& f) { return std::tie(f.fail, f.zFail, f.pass); };
    if (Differs(k, func(n.front), func(w.front)))
        glStencilFuncSeparate(GL_FRONT, w.front.func, w.front.ref, w.front.mask);
    if (Differs(k, ops(n.front), ops(w.front)))
        glStencilOpSeparate(GL_FRONT, w.front.fail, w.front.zFail, w.front.pass);
    if (Differs(k, func(n.back), func(w.back)))
        glStencilFuncSeparate(GL_BACK, w.back.func, w.back.ref, w.back.mask);
    if (Differs(k, ops(n.back), ops(w.back))) glStencilOpSeparate(GL_BACK, w.back.fail, w.back.zFail, w.back.pass);
    if (Differs(k, n.stencilWriteMask, w.stencilWriteMask)) glStencilMask(w.stencilWriteMask);

    if (Differs(k, n.frontFace, w.frontFace)) glFrontFace(w.frontFace);
    if (Differs(k, n.cullFace, w.cullFace)) Toggle(GL_CULL_FACE, w.cullFace);
    if (Differs(k, n.cullFaceMode, w.cullFaceMode)) glCullFace(w.cullFaceMode);
    if (Differs(k, n.polygonMode, w.polygonMode)) glPolygonMode(GL_FRONT_AND_BACK, w.polygonMode);

    if (Differs(k, n.blend, w.blend)) Toggle(GL_BLEND, w.blend);
    if (Differs(k, n.blendFunc, w.blendFunc))
        glBlendFuncSeparate(w.blendFunc[0], w.blendFunc[1], w.blendFunc[2], w.blendFunc[3]);
    if (Differs(k, n.blendEquation, w.blendEquation)) glBlendEquationSeparate(w.blendEquation[0], w.blendEquation[1]);
    if (Differs(k, n.blendColor, w.blendColor))
        glBlendColor(w.blendColor[0], w.blendColor[1], w.blendColor[2], w.blendColor[3]);
    if (Differs(k, n.colorMask, w.colorMask))
        glColorMask(w.colorMask[0], w.colorMask[1], w.colorMask[2], w.colorMask[3]);
    if (Differs(k, n.pointSize, w.pointSize)) glPointSize(w.pointSize);

    if (Differs(k, n.viewport, w.viewport)) glViewport(w.viewport[0], w.viewport[1], w.viewport[2], w.viewport[3]);
    if (Differs(k, n.depthRange, w.depthRange)) glDepthRange(w.depthRange[0], w.depthRange[1]);
    if (Differs(k, n.scissorTest, w.scissorTest)) Toggle(GL_SCISSOR_TEST, w.scissorTest);
    if (Differs(k, n.scissor, w.scissor)) glScissor(w.scissor[0], w.scissor[1], w.scissor[2], w.scissor[3]);
    raster_ = w;
    rasterKnown_ = true;
}

void GlState::ClearValues(const std::array<float, 4>& color, double depth, GLint stencil) {
    if (Differs(clearKnown_, clearColor_, color)) glClearColor(color[0], color[1], color[2], color[3]);
    if (Differs(clearKnown_, clearDepth_, depth)) glClearDepth(depth);
    if (Differs(clearKnown_, clearStencil_, stencil)) glClearStencil(stencil);
    clearColor_ = color;
    clearDepth_ = depth;
    clearStencil_ = stencil;
    clearKnown_ = true;
}

// ---- deletes ----------------------------------------------------------------------

void GlState::DeleteTexture(GLuint* texture) {
    if (!*texture) return;
    glDeleteTextures(1, texture);
    for (GlState* state : LiveStates()) state->ForgetTexture(*texture);
    *texture = 0;
}

void GlState::DeleteBuffer(GLuint* buffer) {
    if (!*buffer) return;
    glDeleteBuffers(1, buffer);
    for (GlState* state : LiveStates()) state->ForgetBuffer(*buffer);
    *buffer = 0;
}

void GlState::DeleteProgram(GLuint program) {
    if (!program) return;
    glDeleteProgram(program);
    for (GlState* state : LiveStates()) state->ForgetProgram(program);
}

void GlState::DeleteFramebuffer(GLuint* framebuffer) {
    if (!*framebuffer) return;
    glDeleteFramebuffers(1, framebuffer);
    for (GlState* state : LiveStates()) state->ForgetFramebuffer(*framebuffer);
    *framebuffer = 0;
}

void GlState::ForgetTexture(GLuint texture) {
    for (auto& unit : textures_)
        for (GLuint& bound : unit)
            if (bound == texture) bound = kUnknown;
}

void GlState::ForgetBuffer(GLuint buffer) {
    if (arrayBuffer_ == buffer) arrayBuffer_ = kUnknown;
    if (elementBuffer_ == buffer) elementBuffer_ = kUnknown;
    for (AttributeRecord& a : attributes_)
        if (a.pointer.buffer == buffer) a.pointerKnown = false;
}

void GlState::ForgetProgram(GLuint program) {
    // A deleted program stays in use until another is made current, while
    // its name is already free for the next program.
    if (program_ == program) program_ = kUnknown;
}

void GlState::ForgetFramebuffer(GLuint framebuffer) {
    if (drawFramebuffer_ == framebuffer) drawFramebuffer_ = kUnknown;
    if (readFramebuffer_ == framebuffer) readFramebuffer_ = kUnknown;
}

}  // namespace plat
