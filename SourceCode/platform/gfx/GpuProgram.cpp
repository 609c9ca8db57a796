#include "platform/gfx/GpuProgram.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "platform/gfx/GlState.h"

namespace plat {
namespace {

const char* const kPrelude = R"GLSL(
#define TM_POSITION 0
#define TM_BLENDWEIGHT 1
#define TM_BLENDINDICES 2
#define TM_NORMAL 3
#define TM_PSIZE 4
#define TM_COLOR0 5
#define TM_COLOR1 6
#define TM_TANGENT 7
#define TM_BINORMAL 8
#define TM_TEXCOORD0 9
#define TM_TEXCOORD1 10
#define TM_TEXCOORD2 11
#define TM_TEXCOORD3 12
#define TM_TEXCOORD4 13
#define TM_TEXCOORD5 14
#define TM_TEXCOORD6 15

uniform float tm_FlipY;
uniform vec4 tm_Viewport;
uniform vec2 tm_DepthRange;
uniform int tm_Pretransformed;
uniform int tm_AlphaFunc;
uniform float tm_AlphaRef;

#ifdef TM_VERTEX
// A Direct3D clip position (depth 0..w) as OpenGL wants it (depth -w..w),
// upside down when drawing into a texture so that its rows stay top first.
vec4 tmClip(vec4 p) {
    return vec4(p.x, p.y * tm_FlipY, 2.0 * p.z - p.w, p.w);
}

// A pre-transformed vertex (pixels, depth in the viewport's range, 1/w) as
// a Direct3D clip position. Direct3D 9 puts pixel centres on integers,
// OpenGL on halves.
vec4 tmScreenToClip(vec4 p) {
    float w = p.w != 0.0 ? 1.0 / p.w : 1.0;
    float x = (p.x + 0.5 - tm_Viewport.x) / tm_Viewport.z * 2.0 - 1.0;
    float y = 1.0 - (p.y + 0.5 - tm_Viewport.y) / tm_Viewport.w * 2.0;
    float range = tm_DepthRange.y - tm_DepthRange.x;
    float z = range != 0.0 ? (p.z - tm_DepthRange.x) / range : 0.0;
    return vec4(x, y, z, 1.0) * w;
}
#endif

#ifdef TM_FRAGMENT
// The alpha test: alpha in 0..255 against the reference, as Direct3D does.
void tmAlphaTest(float alpha) {
    float a = floor(clamp(alpha, 0.0, 1.0) * 255.0 + 0.5);
    float r = tm_AlphaRef;
    bool pass = true;
    if (tm_AlphaFunc == 1) pass = false;
    else if (tm_AlphaFunc == 2) pass = a < r;
    else if (tm_AlphaFunc == 3) pass = a == r;
    else if (tm_AlphaFunc == 4) pass = a <= r;
    else if (tm_AlphaFunc == 5) pass = a > r;
    else if (tm_AlphaFunc == 6) pass = a != r;
    else if (tm_AlphaFunc == 7) pass = a >= r;
    if (!pass) discard;
}
#endif
)GLSL";

GLuint CompileStage(GLenum stage, const std::string& body, std::string* log) {
    std::string source = StageHeader(stage == GL_VERTEX_SHADER) + body;
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text_log(size_t(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, GLsizei(text_log.size()), nullptr, text_log.data());
    if (log) *log += (stage == GL_VERTEX_SHADER ? "vertex: " : "fragment: ") + text_log;
    glDeleteShader(shader);
    return 0;
}

UniformType TypeOf(GLenum type) {
    switch (type) {
    case GL_FLOAT: return UniformType::Float;
    case GL_FLOAT_VEC2: return UniformType::Vec2;
    case GL_FLOAT_VEC3: return UniformType::Vec3;
    case GL_FLOAT_VEC4: return UniformType::Vec4;
    case GL_INT: return UniformType::Int;
    case GL_INT_VEC2: return UniformType::IVec2;
    case GL_INT_VEC3: return UniformType::IVec3;
    case GL_INT_VEC4: return UniformType::IVec4;
    case GL_BOOL: return UniformType::Bool;
    case GL_FLOAT_MAT2: return UniformType::Mat2;
    case GL_FLOAT_MAT3: return UniformType::Mat3;
    case GL_FLOAT_MAT4: return UniformType::Mat4;
    case GL_SAMPLER_2D: return UniformType::Sampler2D;
    case GL_SAMPLER_3D: return UniformType::Sampler3D;
    case GL_SAMPLER_CUBE: return UniformType::SamplerCube;
    default: return UniformType::Other;
    }
}

int FloatsPerElement(UniformType type) {
    switch (type) {
    case UniformType::Float: return 1;
    case UniformType::Vec2: return 2;
    case UniformType::Vec3: return 3;
    case UniformType::Vec4: return 4;
    case UniformType::Mat2: return 4;
    case UniformType::Mat3: return 9;
    case UniformType::Mat4: return 16;
    default: return 0;
    }
}

int IntsPerElement(UniformType type) {
    switch (type) {
    case UniformType::Int:
    case UniformType::Bool:
    case UniformType::Sampler2D:
    case UniformType::Sampler3D:
    case UniformType::SamplerCube: return 1;
    case UniformType::IVec2: return 2;
    case UniformType::IVec3: return 3;
    case UniformType::IVec4: return 4;
    default: return 0;
    }
}
}  // namespace

std::string StageHeader(bool vertex) {
    return std::string("#version 330 core\n") + (vertex ? "#define TM_VERTEX 1\n" : "#define TM_FRAGMENT 1\n") +
           kPrelude + "#line 1\n";
}

std::unique_ptr<GpuProgram> GpuProgram::Build(const std::string& vertexSource,
                                              const std::string& fragmentSource, std::string* log) {
    if (log) log->clear();
    GLuint vs = CompileStage(GL_VERTEX_SHADER, vertexSource, log);
    GLuint fs = vs ? CompileStage(GL_FRAGMENT_SHADER, fragmentSource, log) : 0;
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        return nullptr;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string text(size_t(length > 0 ? length : 1), '\0');
        glGetProgramInfoLog(program, GLsizei(text.size()), nullptr, text.data());
        if (log) *log += "link: " + text;
        glDeleteProgram(program);
        return nullptr;
    }
    std::unique_ptr<GpuProgram> result(new GpuProgram(program));
    result->ReadUniforms();
    return result;
}

GpuProgram::GpuProgram(std::uint32_t program) : program_(program) {}

GpuProgram::~GpuProgram() { GlState::DeleteProgram(program_); }

void GpuProgram::ReadUniforms() {
    GLint count = 0, longest = 0;
    glGetProgramiv(program_, GL_ACTIVE_UNIFORMS, &count);
    glGetProgramiv(program_, GL_ACTIVE_UNIFORM_MAX_LENGTH, &longest);
    std::string name(size_t(longest > 0 ? longest : 1), '\0');
    for (GLint i = 0; i < count; ++i) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program_, GLuint(i), GLsizei(name.size()), &length, &size, &type, name.data());
        UniformInfo info;
        info.name.assign(name.data(), size_t(length));
        if (info.name.size() > 3 && info.name.compare(info.name.size() - 3, 3, "[0]") == 0)
            info.name.resize(info.name.size() - 3);
        info.location = glGetUniformLocation(program_, info.name.c_str());
        info.type = TypeOf(type);
        info.arraySize = size;
        if (info.location >= 0) uniforms_.push_back(std::move(info));
    }
    values_.resize(uniforms_.size());
    for (std::size_t i = 0; i < uniforms_.size(); ++i) {
        const UniformInfo& u = uniforms_[i];
        values_[i].floats.resize(std::size_t(FloatsPerElement(u.type) * u.arraySize));
        values_[i].ints.resize(std::size_t(IntsPerElement(u.type) * u.arraySize));
    }
    standard_.flipY = FindUniform("tm_FlipY");
    standard_.viewport = FindUniform("tm_Viewport");
    standard_.depthRange = FindUniform("tm_DepthRange");
    standard_.pretransformed = FindUniform("tm_Pretransformed");
    standard_.alphaFunc = FindUniform("tm_AlphaFunc");
    standard_.alphaRef = FindUniform("tm_AlphaRef");
}

int GpuProgram::Location(std::string_view name) const {
    const UniformInfo* u = FindUniform(name);
    return u ? u->location : -1;
}

const UniformInfo* GpuProgram::FindUniform(std::string_view name) const {
    for (const auto& u : uniforms_)
        if (u.name == name) return &u;
    return nullptr;
}

bool GpuProgram::SetFloats(const UniformInfo& u, const float* values, int count) {
    int per = FloatsPerElement(u.type);
    if (per == 0 || !values || count <= 0 || count % per != 0 || count / per > u.arraySize) return false;
    return Store(u, values, count, count / per);
}

bool GpuProgram::SetInts(const UniformInfo& u, const int* values, int count) {
    int per = IntsPerElement(u.type);
    if (per == 0 || !values || count <= 0 || count % per != 0 || count / per > u.arraySize) return false;
    return Store(u, values, count, count / per);
}

template <class T>
bool GpuProgram::Store(const UniformInfo& u, const T* values, int count, int elements) {
    if (&u < uniforms_.data() || &u >= uniforms_.data() + uniforms_.size()) return false;
    StoredValue& stored = values_[std::size_t(&u - uniforms_.data())];
    T* kept = nullptr;
    if constexpr (std::is_same_v<T, float>) kept = stored.floats.data();
    else kept = stored.ints.data();
    const std::size_t bytes = std::size_t(count) * sizeof(T);
    if (elements <= stored.elementsSet && std::memcmp(kept, values, bytes) == 0 && GlStateCacheOn()) return true;
    std::memcpy(kept, values, bytes);
    stored.elementsSet = std::max(stored.elementsSet, elements);
    stored.changed = true;
    anyChanged_ = true;
    return true;
}

void GpuProgram::SendChangedUniforms() {
    const bool all = !GlStateCacheOn();
    if (!anyChanged_ && !all) return;
    for (std::size_t i = 0; i < uniforms_.size(); ++i) {
        StoredValue& value = values_[i];
        if (value.elementsSet > 0 && (value.changed || all)) Send(uniforms_[i], value);
        value.changed = false;
    }
    anyChanged_ = false;
}

void GpuProgram::Send(const UniformInfo& u, const StoredValue& value) const {
    const GLsizei n = value.elementsSet;
    const float* f = value.floats.data();
    const int* i = value.ints.data();
    switch (u.type) {
    case UniformType::Float: glUniform1fv(u.location, n, f); break;
    case UniformType::Vec2: glUniform2fv(u.location, n, f); break;
    case UniformType::Vec3: glUniform3fv(u.location, n, f); break;
    case UniformType::Vec4: glUniform4fv(u.location, n, f); break;
    // Row-major D3DX matrices go up transposed into GLSL's column-major
    // storage, so the GLSL matrix equals the D3DX one and `v * M` agrees.
    case UniformType::Mat2: glUniformMatrix2fv(u.location, n, GL_TRUE, f); break;
    case UniformType::Mat3: glUniformMatrix3fv(u.location, n, GL_TRUE, f); break;
    case UniformType::Mat4: glUniformMatrix4fv(u.location, n, GL_TRUE, f); break;
    case UniformType::IVec2: glUniform2iv(u.location, n, i); break;
    case UniformType::IVec3: glUniform3iv(u.location, n, i); break;
    case UniformType::IVec4: glUniform4iv(u.location, n, i); break;
    case UniformType::Other: break;
    default: glUniform1iv(u.location, n, i); break;  // int, bool and the samplers
    }
}

bool GpuProgram::SetFloats(std::string_view name, const float* values, int count) {
    const UniformInfo* u = FindUniform(name);
    return u && SetFloats(*u, values, count);
}

bool GpuProgram::SetInts(std::string_view name, const int* values, int count) {
    const UniformInfo* u = FindUniform(name);
    return u && SetInts(*u, values, count);
}

}  // namespace plat
