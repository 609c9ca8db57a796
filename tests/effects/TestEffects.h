#pragma once
// The test effect of tests/effects/data, compiled at run time the way the
// build's compiler does it, and a small video system to load it with.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ColorCompare.h"
#include "Video/Effects/EffectInclude.h"
#include "platform/d3dx/D3DXEffect.h"
#include "platform/common/Files.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

namespace testfx {

namespace fs = std::filesystem;

inline fs::path DataDir() { return ScopedTempDir::RepositoryRoot() / "tests/effects/data"; }

// Serves includes from a folder (the test data folder by default), the way
// the game and the build's compiler do.
class DataInclude : public EffectInclude {
public:
    explicit DataInclude(const fs::path& folder = DataDir()) : EffectInclude(folder.string() + "/") {}
};

// Compiles <folder>/<source> into <outDir>/<source>o and returns that path
// (empty when the source does not parse).
inline std::string CompileFrom(const fs::path& folder, const std::string& source, const fs::path& outDir) {
    std::string text;
    plat::ReadWholeFile((folder / source).string(), text);
    DataInclude include(folder);
    plat::FxError error;
    auto effect = plat::ParseEffect(text, source, &include, &error);
    if (!effect) return {};
    const auto bytes = plat::SerializeEffect(*effect);
    fs::create_directories(outDir);
    const fs::path out = outDir / (source + "o");
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.string();
}

inline std::string Compile(const std::string& source, const fs::path& outDir) {
    return CompileFrom(DataDir(), source, outDir);
}

// Lays out a working directory as the game has it: the compiled test effect
// under Assets/Shaders and its sources under SourceCode/Video/Effects.
inline void LayOutWorkingDirectory(const fs::path& root) {
    const fs::path sources = root / "SourceCode/Video/Effects";
    fs::create_directories(sources);
    for (const char* name : {"fxTest.fx", "TestCommon.fxh"})
        fs::copy_file(DataDir() / name, sources / name, fs::copy_options::overwrite_existing);
    Compile("fxTest.fx", root / "Assets/Shaders");
    // The scene's shadow plane, which every video system loads.
    fs::create_directories(root / "Assets/Models");
    fs::copy_file(ScopedTempDir::RepositoryRoot() / "Assets/Models/plane.x", root / "Assets/Models/plane.x",
                  fs::copy_options::overwrite_existing);
}

using ::Near;

inline D3DCOLOR Argb(float r, float g, float b) {
    auto byte = [](float v) { return static_cast<D3DCOLOR>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

// A windowed settings file for a small back buffer.
inline void WriteSettings() { WriteWindowedSettings(); }

}  // namespace testfx
