// An effect's road at run time: source text from the input is parsed (its
// includes served from the game's effect folder) and compiled to an .fxo the
// way the build compiles it, then loaded by "EffectsMan" on a real video
// system: the GLSL programs of every pass are built by the driver, the
// parameters are bound by semantic, and the procedural textures its
// annotations declare (function, target, type, name, width, height, depth,
// format) are compiled from the source and made. Every technique is then
// begun, each pass applied and ended. The seeds are the game's and the
// tests' effect sources.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzFolder.h"
#include "Video/Effects/EffectInclude.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/d3dx/EffectSource.h"
#include "platform/window/Window.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\nleak:swrast_dri\n"
           "leak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n";
}

namespace {

// The effect's file name; EffectsMan shares effects by this literal.
constexpr char kEffectFile[] = "fxFuzz.fxo";

struct Systems {
    Systems() : folder("effects") {
        folder.WriteSettings();
        namespace fs = std::filesystem;
        sources = folder.Path() / "SourceCode/Video/Effects";
        fs::create_directories(sources);
        for (const fs::path& from : {folder.Repository() / "SourceCode/Video/Effects",
                                     folder.Repository() / "tests/effects/data"})
            for (const auto& entry : fs::directory_iterator(from))
                if (entry.path().extension() == ".fxh")
                    fs::copy_file(entry.path(), sources / entry.path().filename(),
                                  fs::copy_options::overwrite_existing);
        FuzzFolder::Inside inside(folder);
        FuzzFolder::OpenWindow("TollymopFuzzEffects");
        if (!video.Init()) std::abort();
        effects = eTable::Find<EffectsMan>(names::EffectsMan);
        if (!effects) std::abort();
    }
    FuzzFolder folder;
    std::filesystem::path sources;
    Video video;
    EffectsMan* effects = nullptr;
};

void RunTechniques(const Effect& effect) {
    ID3DXEffect* fx = effect.effect;
    for (const TechniqueRecord& technique : effect.techniques) {
        if (FAILED(fx->SetTechnique(technique.handle))) continue;
        UINT passes = 0;
        if (FAILED(fx->Begin(&passes, 0))) continue;
        for (UINT pass = 0; pass < passes; ++pass) fx->Pass(pass);
        fx->End();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Systems systems;
    FuzzFolder::Inside inside(systems.folder);
    const std::string text(reinterpret_cast<const char*>(data), size);
    EffectInclude include(systems.sources.string() + "/");
    plat::FxError error;
    const auto parsed = plat::ParseEffect(text, "fxFuzz.fx", &include, &error);
    if (!parsed) return 0;
    std::ofstream(systems.sources / "fxFuzz.fx", std::ios::binary) << text;
    const auto compiled = plat::SerializeEffect(*parsed);
    std::filesystem::create_directories("Assets/Shaders");
    std::ofstream("Assets/Shaders/fxFuzz.fxo", std::ios::binary)
        .write(reinterpret_cast<const char*>(compiled.data()), static_cast<std::streamsize>(compiled.size()));
    Effect* effect = systems.effects->GetEffect(kEffectFile);
    if (effect->IsLoaded()) RunTechniques(*effect);
    systems.effects->ReleaseEffect(effect);
    return 0;
}
