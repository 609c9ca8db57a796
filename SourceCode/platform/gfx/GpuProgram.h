#pragma once
// A linked GLSL program for the device's draw calls. Sources are GLSL 330
// bodies without a #version line: Build puts the version and the engine's
// prelude (platform/README.md) in front of each stage. The device makes a
// program current with IDirect3DDevice9::SetProgram and uploads the
// standard uniforms into it at every draw; everything else a shader reads
// is set through the setters below.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

enum class UniformType {
    Float, Vec2, Vec3, Vec4,
    Int, IVec2, IVec3, IVec4,
    Bool,
    Mat2, Mat3, Mat4,
    Sampler2D, Sampler3D, SamplerCube,
    Other,
};

struct UniformInfo {
    std::string name;  // without a trailing "[0]"
    int location = -1;
    UniformType type = UniformType::Other;
    int arraySize = 1;
};

class GpuProgram {
public:
    // Compiles both stages and links them with the fixed attribute
    // locations. Null on failure, with the compiler's log in `log`.
    // The device's GL context must be current.
    static std::unique_ptr<GpuProgram> Build(const std::string& vertexSource,
                                             const std::string& fragmentSource, std::string* log);
    ~GpuProgram();
    GpuProgram(const GpuProgram&) = delete;
    GpuProgram& operator=(const GpuProgram&) = delete;

    const std::vector<UniformInfo>& Uniforms() const { return uniforms_; }
    const UniformInfo* FindUniform(std::string_view name) const;

    // Uploads `count` floats (whole elements: 16 a mat4). Matrices go up
    // so that GLSL's `v * M` computes what D3DX's v * M does. False when the
    // uniform is not a float type or count does not fit.
    bool SetFloats(const UniformInfo& uniform, const float* values, int count);
    // Ints, bools, and samplers (a sampler takes its texture stage).
    bool SetInts(const UniformInfo& uniform, const int* values, int count);
    // Both by name; false when the program has no such uniform.
    bool SetFloats(std::string_view name, const float* values, int count);
    bool SetInts(std::string_view name, const int* values, int count);

    std::uint32_t GlName() const { return program_; }

    // Where the standard uniforms that the device uploads at every draw
    // live in this program (-1 where it does not use one).
    struct StandardLocations {
        int flipY = -1, viewport = -1, depthRange = -1, pretransformed = -1, alphaFunc = -1,
            alphaRef = -1;
    };
    const StandardLocations& Standard() const { return standard_; }
    // The location of a uniform, -1 when absent.
    int Location(std::string_view name) const;

private:
    explicit GpuProgram(std::uint32_t program);
    void ReadUniforms();
    std::uint32_t program_;
    std::vector<UniformInfo> uniforms_;
    StandardLocations standard_;
};

// The text Build puts in front of every stage: the version, a
// "#define TM_VERTEX" or "#define TM_FRAGMENT" line, the engine's prelude and
// a "#line 1" so that messages count the stage's own lines. The build-time
// effect compiler checks the same text.
std::string StageHeader(bool vertex);

}  // namespace plat
