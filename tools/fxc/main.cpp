// fxc SOURCE_DIR OUTPUT_DIR [NAME.fx ...]
// Compiles effect sources into the files the game loads. With no names, every
// "*.fx" in SOURCE_DIR is compiled. Each stage that a pass uses and every
// procedural-texture function is validated with glslang, and each pass's two
// stages are linked; the first error is printed as "file:line: message" and
// the exit code is 1.
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Video/Effects/EffectInclude.h"
#include "platform/d3dx/EffectSource.h"
#include "platform/common/Files.h"
#include "platform/gfx/GpuProgram.h"

namespace fs = std::filesystem;

namespace {

std::string Header(plat::FxStage::Kind kind) { return plat::StageHeader(kind == plat::FxStage::Kind::Vertex); }

EShLanguage Language(plat::FxStage::Kind kind) {
    return kind == plat::FxStage::Kind::Vertex ? EShLangVertex : EShLangFragment;
}

// Compiles one GLSL text; on failure prints the log with file names mapped.
std::unique_ptr<glslang::TShader> Validate(const plat::FxEffect& effect, EShLanguage language,
                                           const std::string& text, const std::string& what) {
    auto shader = std::make_unique<glslang::TShader>(language);
    const char* strings[] = {text.c_str()};
    shader->setStrings(strings, 1);
    if (!shader->parse(GetDefaultResources(), 330, ECoreProfile, false, false, EShMsgDefault)) {
        std::istringstream log(shader->getInfoLog());
        std::string line;
        std::string first;
        while (std::getline(log, line)) {
            if (line.rfind("ERROR: ", 0) == 0 && line.find("compilation terminated") == std::string::npos) {
                first = plat::MapGlslMessage(effect, line.substr(7));
                break;
            }
        }
        std::cerr << (first.empty() ? what + ": " + shader->getInfoLog() : first + " (" + what + ")") << "\n";
        return nullptr;
    }
    return shader;
}

bool ValidateEffect(const plat::FxEffect& effect) {
    std::vector<std::unique_ptr<glslang::TShader>> compiled(effect.stages.size());
    for (std::size_t i = 0; i < effect.stages.size(); ++i) {
        const plat::FxStage& stage = effect.stages[i];
        const std::string text = Header(stage.kind) + plat::ComposeStage(effect, stage);
        compiled[i] = Validate(effect, Language(stage.kind), text, "stage " + stage.name);
        if (!compiled[i]) return false;
    }
    for (const plat::FxTechnique& technique : effect.techniques) {
        for (const plat::FxPass& pass : technique.passes) {
            glslang::TProgram program;
            program.addShader(compiled[pass.vertexStage].get());
            program.addShader(compiled[pass.fragmentStage].get());
            if (!program.link(EShMsgDefault)) {
                std::cerr << effect.files[pass.file] << ":" << pass.line << ": pass '" << pass.name
                          << "' does not link: " << program.getInfoLog() << "\n";
                return false;
            }
        }
    }
    for (const plat::FxParameter& parameter : effect.parameters) {
        for (const plat::FxAnnotation& annotation : parameter.annotations) {
            if (annotation.name != "function" || annotation.type != plat::FxAnnotation::Type::String) continue;
            if (!plat::DefinesFillFunction(effect, annotation.text)) {
                std::cerr << effect.files[0] << ":0: parameter '" << parameter.name << "' names texture function '"
                          << annotation.text << "', which the glsl blocks do not define as vec4 "
                          << annotation.text << "(vec3, vec3)\n";
                return false;
            }
            const std::string text = Header(plat::FxStage::Kind::Fragment) +
                                     plat::ComposeFillProgram(effect, annotation.text);
            if (!Validate(effect, EShLangFragment, text, "texture function " + annotation.text)) return false;
        }
    }
    return true;
}

bool CompileOne(const fs::path& sourceDir, const fs::path& outputDir, const std::string& name) {
    std::string text;
    if (!plat::ReadWholeFile((sourceDir / name).string(), text)) {
        std::cerr << name << ":0: cannot open the source\n";
        return false;
    }
    EffectInclude include(sourceDir.string() + "/");
    plat::FxError error;
    auto effect = plat::ParseEffect(text, name, &include, &error);
    if (!effect) {
        std::cerr << error.Text() << "\n";
        return false;
    }
    if (!ValidateEffect(*effect)) return false;
    const std::vector<std::uint8_t> bytes = plat::SerializeEffect(*effect);
    std::error_code ec;
    fs::create_directories(outputDir, ec);
    const fs::path outPath = outputDir / (name + "o");
    const fs::path tmpPath = outputDir / (name + "o.tmp");
    {
        std::ofstream out(tmpPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << name << ":0: cannot write " << outPath << "\n";
            return false;
        }
    }
    fs::rename(tmpPath, outPath, ec);
    if (ec) {
        std::cerr << name << ":0: cannot write " << outPath << ": " << ec.message() << "\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: fxc SOURCE_DIR OUTPUT_DIR [NAME.fx ...]\n";
        return 2;
    }
    const fs::path sourceDir = argv[1];
    const fs::path outputDir = argv[2];
    std::vector<std::string> names(argv + 3, argv + argc);
    if (names.empty()) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(sourceDir, ec)) {
            if (entry.path().extension() == ".fx") names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
    }
    glslang::InitializeProcess();
    bool ok = true;
    for (const std::string& name : names) ok = CompileOne(sourceDir, outputDir, name) && ok;
    glslang::FinalizeProcess();
    return ok ? 0 : 1;
}
