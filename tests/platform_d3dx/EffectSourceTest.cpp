// The effect source format: parsing, includes, errors with file and line, the
// compiled form and its strict reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "Video/Effects/EffectInclude.h"
#include "platform/d3dx/EffectSource.h"
#include "support/TempDir.h"

namespace {

class MapInclude : public plat::ID3DXInclude {
public:
    std::map<std::string, std::string> files;
    int openCount = 0;
    int closeCount = 0;
    HRESULT Open(plat::D3DXINCLUDE_TYPE, const char* name, const void*, const void** data,
                       std::uint32_t* bytes) override {
        auto it = files.find(name);
        if (it == files.end()) return E_FAIL;
        ++openCount;
        *data = it->second.data();
        *bytes = static_cast<std::uint32_t>(it->second.size());
        return S_OK;
    }
    HRESULT Close(const void*) override {
        ++closeCount;
        return S_OK;
    }
};

const char* kSource = R"(// test effect
#include "Common.fxh"
parameter mat4 gWvp : WORLDVIEWPROJECTION;
parameter vec4 gDiffuse : DIFFUSECOLOR < string UIName = "Diffuse"; int Order = -3; int Mask = 0x10; >;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler3D gNoise < string function = "Fill"; string type = "volume"; int width = 8; >;
parameter float gPlain;

vertex VS { void main() { gl_Position = vec4(0.0) * gWvp; } /* } in a comment */ }
fragment FS { out vec4 c; void main() { c = gDiffuse; } // }
}

technique Zero {
    pass A { vertex = VS; fragment = FS; ZEnable = false; CullMode = None; }
}
technique One {
    pass A {
        vertex = VS; fragment = FS;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = RevSubtract;
        ZFunc = GreaterEqual; AlphaRef = 0x80; ColorWriteEnable = RGB;
        TwoSidedStencilMode = true; CCW_StencilPass = Decr; StencilPass = IncrSat;
        sampler gBase { MinFilter = Linear; AddressU = Clamp; AddressV = Mirror; }
    }
    pass B { vertex = VS; fragment = FS; }
}
)";

plat::FxEffect ParseOk(const std::string& text, MapInclude* include) {
    plat::FxError error;
    auto effect = plat::ParseEffect(text, "fxTest.fx", include, &error);
    EXPECT_TRUE(effect.has_value()) << error.Text();
    return effect ? *effect : plat::FxEffect{};
}

plat::FxError ParseFails(const std::string& text, MapInclude* include = nullptr) {
    plat::FxError error;
    EXPECT_FALSE(plat::ParseEffect(text, "fxTest.fx", include, &error).has_value()) << text;
    return error;
}

MapInclude CommonInclude() {
    MapInclude include;
    include.files["Common.fxh"] = "glsl { vec4 Fill(vec3 p, vec3 s) { return vec4(p, 1.0); } }\n";
    return include;
}

TEST(EffectSource, ParsesParametersTechniquesPassesAndStates) {
    MapInclude include = CommonInclude();
    const plat::FxEffect e = ParseOk(kSource, &include);
    EXPECT_EQ(include.openCount, 1);
    EXPECT_EQ(include.closeCount, 1);
    ASSERT_EQ(e.files.size(), 2u);
    EXPECT_EQ(e.files[1], "Common.fxh");

    ASSERT_EQ(e.parameters.size(), 5u);
    EXPECT_EQ(e.parameters[0].semantic, "WORLDVIEWPROJECTION");
    EXPECT_EQ(e.parameters[0].type, plat::FxType::Mat4);
    EXPECT_EQ(e.parameters[4].semantic, "");
    const auto& annotations = e.parameters[1].annotations;
    ASSERT_EQ(annotations.size(), 3u);
    EXPECT_EQ(annotations[0].text, "Diffuse");
    EXPECT_EQ(annotations[1].value, -3);
    EXPECT_EQ(annotations[2].value, 16);
    EXPECT_EQ(e.parameters[3].annotations[2].value, 8);

    ASSERT_EQ(e.techniques.size(), 2u);
    EXPECT_EQ(e.techniques[0].passes.size(), 1u);
    ASSERT_EQ(e.techniques[1].passes.size(), 2u);
    // The raw blocks end at the matching brace, not at braces in comments.
    ASSERT_EQ(e.stages.size(), 2u);
    EXPECT_NE(e.stages[0].code.text.find("in a comment"), std::string::npos);
    EXPECT_EQ(e.stages[1].code.line, 10u);

    const plat::FxPass& pass = e.techniques[1].passes[0];
    std::map<plat::FxState, std::uint32_t> states;
    for (const auto& s : pass.states) states[s.state] = s.value;
    EXPECT_EQ(states[plat::FxState::SrcBlend], 5u);
    EXPECT_EQ(states[plat::FxState::DestBlend], 6u);
    EXPECT_EQ(states[plat::FxState::BlendOp], 3u);
    EXPECT_EQ(states[plat::FxState::ZFunc], 7u);
    EXPECT_EQ(states[plat::FxState::AlphaRef], 128u);
    EXPECT_EQ(states[plat::FxState::ColorWriteEnable], 7u);
    EXPECT_EQ(states[plat::FxState::CCW_StencilPass], 8u);
    EXPECT_EQ(states[plat::FxState::StencilPass], 4u);
    ASSERT_EQ(pass.samplers.size(), 3u);
    EXPECT_EQ(pass.samplers[0].parameter, 2u);
    EXPECT_EQ(pass.samplers[1].value, 3u);
    EXPECT_EQ(pass.samplers[2].value, 2u);
    EXPECT_TRUE(plat::DefinesFillFunction(e, "Fill"));
    EXPECT_FALSE(plat::DefinesFillFunction(e, "Fil"));
    EXPECT_FALSE(plat::DefinesFillFunction(e, "Fill) ; x("));
}

TEST(EffectSource, ErrorsNameTheFileAndLine) {
    EXPECT_EQ(ParseFails("parameter vec4 a;\nparameter vec4 a;\n").line, 2u);
    EXPECT_EQ(ParseFails("vertex V { }\nfragment F { }\ntechnique T { pass P {\n vertex = V; fragment = F;\n ZFunc = Sometimes; } }").line, 5u);
    EXPECT_EQ(ParseFails("technique T { pass P { Shininess = 1; } }").message, "unknown render state 'Shininess'");
    EXPECT_NE(ParseFails("vertex V { }\ntechnique T { pass P { vertex = V; } }").message.find("fragment"),
              std::string::npos);
    EXPECT_NE(ParseFails("technique T { pass P { vertex = Later; } }").message.find("unknown stage"),
              std::string::npos);
    EXPECT_NE(ParseFails("vertex V { void main() {}").message.find("not closed"), std::string::npos);
    EXPECT_NE(ParseFails("parameter vec4 a < string s = \"open >;").message.find("string"), std::string::npos);
    EXPECT_NE(ParseFails("parameter int a < int x = 99999999999; >;").message.find("integer"), std::string::npos);
    EXPECT_NE(ParseFails("/* never closed").message.find("comment"), std::string::npos);
    EXPECT_NE(ParseFails("vertex V { /* } never closed }").message.find("not closed"), std::string::npos);
    EXPECT_EQ(ParseFails("/* one\n two */ glsl { // }\n /* \n */ }\n// }\nnonsense").line, 6u);
    EXPECT_NE(ParseFails("parameter vec4 a;\ntechnique T { pass P { sampler a { MinFilter = Linear; } } }")
                  .message.find("not a sampler"),
              std::string::npos);
    const char* samplerPass = "parameter sampler2D s;\ntechnique T { pass P { sampler s { %s } } }";
    auto withSampler = [&](const char* states) {
        char text[160];
        std::snprintf(text, sizeof text, samplerPass, states);
        return ParseFails(text);
    };
    EXPECT_EQ(withSampler("Anisotropy = 4;").message, "unknown sampler state 'Anisotropy'");
    const plat::FxError badAddress = withSampler("MinFilter = Linear;\n AddressU = Linear;");
    EXPECT_EQ(badAddress.message, "invalid value 'Linear' for AddressU");
    EXPECT_EQ(badAddress.line, 3u);

    MapInclude include;
    include.files["Bad.fxh"] = "\n\nglsl { }\nnonsense\n";
    const plat::FxError inner = ParseFails("#include \"Bad.fxh\"\n", &include);
    EXPECT_EQ(inner.file, "Bad.fxh");
    EXPECT_EQ(inner.line, 4u);
    const plat::FxError missing = ParseFails("\n#include \"Nowhere.fxh\"\n", &include);
    EXPECT_EQ(missing.file, "fxTest.fx");
    EXPECT_EQ(missing.line, 2u);
    EXPECT_NE(ParseFails("#include \"x\"").message.find("no include handler"), std::string::npos);
}

TEST(EffectSource, SelfIncludeStopsAtTheNestingLimit) {
    MapInclude include;
    include.files["Loop.fxh"] = "#include \"Loop.fxh\"\n#include \"Loop.fxh\"\n";
    EXPECT_NE(ParseFails("#include \"Loop.fxh\"", &include).message.find("too"), std::string::npos);
    EXPECT_EQ(include.openCount, include.closeCount);
}

TEST(EffectSource, ComposedStagesCarryLineDirectivesThatMapBackToFiles) {
    MapInclude include = CommonInclude();
    const plat::FxEffect e = ParseOk(kSource, &include);
    const std::string text = plat::ComposeStage(e, e.stages[1]);
    EXPECT_NE(text.find("uniform sampler3D gNoise;"), std::string::npos);
    EXPECT_NE(text.find("#line 1 1\n"), std::string::npos);   // shared code of Common.fxh
    EXPECT_NE(text.find("#line 10 0\n"), std::string::npos);  // the fragment stage
    EXPECT_EQ(plat::MapGlslMessage(e, "1:3: 'x' : undeclared"), "Common.fxh:3: 'x' : undeclared");
    EXPECT_EQ(plat::MapGlslMessage(e, "0:12: oops"), "fxTest.fx:12: oops");
    EXPECT_EQ(plat::MapGlslMessage(e, "7:12: beyond the table"), "7:12: beyond the table");
}

TEST(EffectSource, CompiledFormRoundTripsAndRefusesEveryTruncation) {
    MapInclude include = CommonInclude();
    const plat::FxEffect e = ParseOk(kSource, &include);
    const std::vector<std::uint8_t> bytes = plat::SerializeEffect(e);
    auto back = plat::DeserializeEffect(bytes.data(), bytes.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(plat::SerializeEffect(*back), bytes);
    EXPECT_EQ(back->parameters[1].annotations[1].value, -3);
    EXPECT_EQ(back->techniques[1].passes[0].samplers.size(), 3u);

    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(plat::DeserializeEffect(bytes.data(), cut).has_value()) << cut;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(plat::DeserializeEffect(longer.data(), longer.size()).has_value());
    std::vector<std::uint8_t> badMagic = bytes;
    badMagic[0] = 'X';
    EXPECT_FALSE(plat::DeserializeEffect(badMagic.data(), badMagic.size()).has_value());
}

// The folder handler the game and the build's compiler share: a name written
// with backslashes finds the file below the folder, and Windows line ends
// count as one line each, so errors point at the right line.
TEST(EffectSource, FolderIncludesTakeBackslashNamesAndWindowsLineEnds) {
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.Path() / "fx/sub");
    std::ofstream(dir.Path() / "fx/sub/Common.fxh", std::ios::binary)
        << "glsl { vec4 Fill(vec3 p, vec3 s) { return vec4(p, 1.0); } }\r\n\r\nparameter oops;\r\n";
    EffectInclude include((dir.Path() / "fx").string() + "/");
    plat::FxError error;
    EXPECT_FALSE(plat::ParseEffect("#include \"sub\\Common.fxh\"\n", "fxTest.fx", &include, &error).has_value());
    EXPECT_EQ(error.file, "sub\\Common.fxh");
    EXPECT_EQ(error.line, 3u);
    EXPECT_NE(error.message.find("parameter type"), std::string::npos) << error.Text();

    const void* data = nullptr;
    std::uint32_t bytes = 0;
    ASSERT_EQ(include.Open(plat::D3DXINC_LOCAL, "sub\\Common.fxh", nullptr, &data, &bytes), S_OK);
    EXPECT_EQ(std::string(static_cast<const char*>(data), bytes).find('\r'), std::string::npos);
    include.Close(data);
    EXPECT_EQ(include.Open(plat::D3DXINC_LOCAL, "sub\\Missing.fxh", nullptr, &data, &bytes), E_FAIL);
}

}  // namespace
