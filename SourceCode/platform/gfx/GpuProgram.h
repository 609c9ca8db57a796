#pragma once
// A linked GLSL program for the device's draw calls. Sources are GLSL 330
// bodies without a #version line: Build puts the version and the engine's
// prelude (platform/README.md) in front of each stage. The device makes a
// program current with IDirect3DDevice9::SetProgram and sets the standard
// uniforms at every draw; everything else a shader reads is set through the
// setters below. The program keeps every uniform's value: a setter only
// records it, and the device sends the values that changed when it draws
// with the program (so setting one never switches programs).
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

    // Sets `count` floats (whole elements: 16 a mat4) from the first
    // element. Matrices go up so that GLSL's `v * M` computes what D3DX's
    // v * M does. False when the uniform is not a float type or count does
    // not fit.
    bool SetFloats(const UniformInfo& uniform, const float* values, int count);
    // Ints, bools, and samplers (a sampler takes its texture stage).
    bool SetInts(const UniformInfo& uniform, const int* values, int count);
    // Both by name; false when the program has no such uniform.
    bool SetFloats(std::string_view name, const float* values, int count);
    bool SetInts(std::string_view name, const int* values, int count);

    std::uint32_t GlName() const { return program_; }
    // Sends the values set since the last call (every value set, while the
    // state cache is off). The program must be current: the device calls
    // this when it draws.
    void SendChangedUniforms();

    // The standard uniforms that the device sets at every draw (null where
    // this program does not use one).
    struct StandardUniforms {
        const UniformInfo *flipY = nullptr, *viewport = nullptr, *depthRange = nullptr,
                          *pretransformed = nullptr, *alphaFunc = nullptr, *alphaRef = nullptr;
    };
    const StandardUniforms& Standard() const { return standard_; }
    // The location of a uniform, -1 when absent.
    int Location(std::string_view name) const;

private:
    // A uniform's value as set: floats or ints, by its type.
    struct StoredValue {
        std::vector<float> floats;
        std::vector<int> ints;
        int elementsSet = 0;  // the leading elements ever set, and so sent
        bool changed = false;
    };
    explicit GpuProgram(std::uint32_t program);
    void ReadUniforms();
    // Records `count` values as the leading elements of the uniform; false
    // when it is not one of this program's.
    template <class T>
    bool Store(const UniformInfo& uniform, const T* values, int count, int elements);
    void Send(const UniformInfo& uniform, const StoredValue& value) const;
    std::uint32_t program_;
    std::vector<UniformInfo> uniforms_;
    std::vector<StoredValue> values_;  // one per uniform
    bool anyChanged_ = false;
    StandardUniforms standard_;
};

// The text Build puts in front of every stage: the version, a
// "#define TM_VERTEX" or "#define TM_FRAGMENT" line, the engine's prelude and
// a "#line 1" so that messages count the stage's own lines. The build-time
// effect compiler checks the same text.
std::string StageHeader(bool vertex);

}  // namespace plat
