#pragma once
// What the device's GL context holds (bindings, fixed-function state,
// sampler parameters, vertex attributes), so that the device sends only
// what changes. It stays true because every state-changing GL call of this
// folder goes through it, and deleting a texture, buffer, program or
// framebuffer goes through it too (GL drops the bindings of a deleted name,
// and the name may come back for a new object). Whatever it has not seen
// (after Invalidate, at start) it sends unconditionally. Platform layer only.
#include <array>
#include <cstdint>

#include "platform/gfx/GlCalls.h"

namespace plat {

// The fixed-function state a draw or a clear needs, in GL's own terms.
struct GlRaster {
    struct StencilFace {
        GLenum func = GL_ALWAYS;
        GLint ref = 0;
        GLuint mask = 0xFFFFFFFF;
        GLenum fail = GL_KEEP, zFail = GL_KEEP, pass = GL_KEEP;
    };
    bool depthTest = false, stencilTest = false, cullFace = false, blend = false, scissorTest = false,
         polygonOffset = false;
    GLenum depthFunc = GL_LESS;
    bool depthMask = true;
    std::array<float, 2> offset = {0.0f, 0.0f};  // factor, units
    StencilFace front, back;
    GLuint stencilWriteMask = 0xFFFFFFFF;
    GLenum frontFace = GL_CCW, cullFaceMode = GL_BACK, polygonMode = GL_FILL;
    std::array<GLenum, 4> blendFunc = {GL_ONE, GL_ZERO, GL_ONE, GL_ZERO};  // src, dst, src alpha, dst alpha
    std::array<GLenum, 2> blendEquation = {GL_FUNC_ADD, GL_FUNC_ADD};
    std::array<float, 4> blendColor = {0.0f, 0.0f, 0.0f, 0.0f};
    std::array<bool, 4> colorMask = {true, true, true, true};
    float pointSize = 1.0f;
    std::array<GLint, 4> viewport = {0, 0, 0, 0};
    std::array<double, 2> depthRange = {0.0, 1.0};
    std::array<GLint, 4> scissor = {0, 0, 0, 0};
};

// A sampler object's parameters.
struct GlSamplerParams {
    GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT, wrapR = GL_REPEAT;
    GLint magFilter = GL_LINEAR, minFilter = GL_NEAREST_MIPMAP_LINEAR;
    std::array<float, 4> border = {0.0f, 0.0f, 0.0f, 0.0f};
    float lodBias = 0.0f, minLod = -1000.0f;
    float anisotropy = 1.0f;  // sent only where the context has anisotropic filtering
};

// Where a vertex attribute reads.
struct GlAttribPointer {
    GLuint buffer = 0;
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLboolean normalized = GL_FALSE;
    GLsizei stride = 0;
    std::uintptr_t offset = 0;
    bool operator==(const GlAttribPointer&) const = default;
};

class GlState {
public:
    static constexpr GLuint kUnits = 16;
    static constexpr GLuint kAttributes = 16;

    GlState();
    ~GlState();
    GlState(const GlState&) = delete;
    GlState& operator=(const GlState&) = delete;

    // Forgets everything: the next call of each kind is sent.
    void Invalidate();

    // GL_FRAMEBUFFER binds both the draw and the read framebuffer.
    void BindFramebuffer(GLenum target, GLuint framebuffer);
    void BindVertexArray(GLuint vao);
    // GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER (of the one vertex array).
    void BindBuffer(GLenum target, GLuint buffer);
    void UseProgram(GLuint program);
    // Binding a texture that is already bound leaves the active unit as it
    // was; whoever then edits the texture (parameters, levels) makes its
    // unit active first.
    void BindTexture(GLuint unit, GLenum target, GLuint texture);
    void ActiveTexture(GLuint unit);
    // Binds the sampler object to the unit with these parameters.
    void BindSampler(GLuint unit, GLuint sampler, const GlSamplerParams& params, bool anisotropy);

    void AttribPointer(GLuint location, const GlAttribPointer& pointer);
    void AttribDivisor(GLuint location, GLuint divisor);
    // True when the array's use changed (an array just turned off leaves
    // the attribute's current value undefined: the caller sets it).
    bool EnableAttribArray(GLuint location, bool enabled);

    const GlRaster& Raster() const { return raster_; }
    void Apply(const GlRaster& wanted);
    void ClearValues(const std::array<float, 4>& color, double depth, GLint stencil);

    // Delete the objects and forget every binding of their names.
    static void DeleteTexture(GLuint* texture);
    static void DeleteBuffer(GLuint* buffer);
    static void DeleteProgram(GLuint program);
    static void DeleteFramebuffer(GLuint* framebuffer);

private:
    static constexpr GLuint kUnknown = 0xFFFFFFFF;
    // True when the call must go: the value differs or is not known.
    template <class T>
    bool Differs(bool known, const T& now, const T& wanted) const;
    void SendSamplerParams(GLuint sampler, const GlSamplerParams& now, const GlSamplerParams& wanted,
                           bool all, bool anisotropy);
    void ForgetTexture(GLuint texture);
    void ForgetBuffer(GLuint buffer);
    void ForgetProgram(GLuint program);
    void ForgetFramebuffer(GLuint framebuffer);

    GLuint drawFramebuffer_ = kUnknown, readFramebuffer_ = kUnknown;
    GLuint vertexArray_ = kUnknown, arrayBuffer_ = kUnknown, elementBuffer_ = kUnknown;
    GLuint program_ = kUnknown;
    GLuint activeUnit_ = kUnknown;
    // [unit][2D, 3D, cube]
    std::array<std::array<GLuint, 3>, kUnits> textures_{};
    std::array<GLuint, kUnits> samplers_{};
    struct SamplerRecord {
        GLuint sampler = kUnknown;  // whose parameters `params` are
        GlSamplerParams params;
    };
    std::array<SamplerRecord, kUnits> samplerParams_{};
    struct AttributeRecord {
        bool pointerKnown = false, enabledKnown = false, divisorKnown = false;
        GlAttribPointer pointer;
        bool enabled = false;
        GLuint divisor = 0;
    };
    std::array<AttributeRecord, kAttributes> attributes_{};
    GlRaster raster_;
    bool rasterKnown_ = false;
    std::array<float, 4> clearColor_{};
    double clearDepth_ = 1.0;
    GLint clearStencil_ = 0;
    bool clearKnown_ = false;
};

// False only while a test turns the record off (SetGlStateCache): then
// every call is sent.
bool GlStateCacheOn();

}  // namespace plat
