// Models as exporters write them: every standard template group, in every
// encoding, loads with the same faces, materials and texture names as its
// text twin.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/d3dx/D3DXMesh.h"
#include "platform/xfile/XFile.h"

namespace {

// The retained-mode set, none of it defined in the file; the texture's
// template spelt as exporters spell it.
constexpr const char* kRetainedMode = R"(xof 0303txt 0032
Header { 1; 0; 1; }
Frame Root {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
 Mesh Quad {
  4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
  2; 3;0,1,2;, 3;0,2,3;;
  MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,0,0;; }
  MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }
  MeshVertexColors { 1; 0; 1;0;0;1;;; }
  MeshFaceWraps { 2; 0;0;, 1;1;; }
  MeshMaterialList {
   2; 2; 0,1;;
   Material Red { 1;0;0;1;; 5; 1;1;1;; 0;0;0;; TextureFileName { "red.png"; } }
   Material Blue { 0;0;1;1;; 9; 0;0;0;; 0;0;0;; }
  }
 }
}
AnimationSet Walk {
 Animation { { Root } AnimationOptions { 1; 0; } AnimationKey { 2; 2; 0;3;0,0,0;;, 10;3;1,0,0;;; } }
}
)";

constexpr const char* kSkinning = R"(xof 0303txt 0032
Mesh Skin {
 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
 2; 3;0,1,2;, 3;0,2,3;;
 MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,0,0;; }
 MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }
 MeshMaterialList { 1; 2; 0,0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "skin.png"; } } }
 XSkinMeshHeader { 2; 4; 2; }
 VertexDuplicationIndices { 4; 4; 0,1,2,3; }
 SkinWeights { "Bone1"; 2; 0,1; 1.0,0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
 SkinWeights { "Bone2"; 1; 1; 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
}
)";

// The bits of a float, as DeclData and FVFData hold them.
std::string Bits(float f) { return std::to_string(std::bit_cast<std::uint32_t>(f)); }

// The extension set: normals and texture coordinates only in DeclData or
// FVFData, an effect instance, and a file that defines "TextureFileName"
// itself with the standard GUID.
std::string Extensions() {
    auto vertex = [](float nz, float u, float v) {
        return "0," + Bits(0.0f) + "," + Bits(nz) + "," + Bits(u) + "," + Bits(v);
    };
    const std::string data =
        vertex(-1.0f, 0.0f, 1.0f) + "," + vertex(-1.0f, 1.0f, 1.0f) + "," + vertex(-1.0f, 0.0f, 0.0f) + ";";
    return std::string(R"(xof 0303txt 0032
template TextureFileName { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
AnimTicksPerSecond { 4800; }
Mesh Decl {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 1; 3;0,1,2;;
 MeshMaterialList {
  1; 1; 0;;
  Material {
   1;1;1;1;; 0; 0;0;0;; 0;0;0;;
   TextureFileName { "decl.png"; }
   EffectInstance {
    "shiny.fx";
    EffectParamFloats { "Tint"; 3; 1,0.5,0.25; }
    EffectParamString { "Map"; "decl.png"; }
    EffectParamDWord { "Passes"; 2; }
   }
  }
 }
 DeclData { 2; 2;0;3;0;, 1;0;5;0;; 15; )") +
           data + R"( }
}
Mesh Fvf {
 3; 2;0;0;, 3;0;0;, 2;1;0;;
 1; 3;0,1,2;;
 FVFData { 272; 15; )" +
           data + R"( }
}
CompressedAnimationSet { 0; 4800.0; 0; 2; 1,2; }
PatchMesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;; }
)";
}

struct Group {
    const char* name;
    std::string text;
    DWORD faces;
    std::vector<std::string> textures;  // "" where a material names none
};

std::vector<Group> Groups() {
    return {{"RetainedMode", kRetainedMode, 2, {"red.png", ""}},
            {"Skinning", kSkinning, 2, {"skin.png"}},
            {"Extensions", Extensions(), 2, {"decl.png", ""}}};
}

struct Encoding {
    const char* name;
    plat::XWriteOptions options;
};

// What a load gives, to compare whole.
struct Loaded {
    DWORD fvf = 0;
    std::vector<std::uint8_t> vertices;
    std::vector<WORD> indices;
    std::vector<DWORD> attributes;
    std::vector<std::string> textures;
    std::vector<float> diffuse;
};

Loaded Load(const std::string& bytes) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    Loaded out;
    HRESULT hr = D3DXLoadMeshFromXInMemory(bytes.data(), DWORD(bytes.size()), D3DXMESH_MANAGED, nullptr, nullptr,
                                           &materials, nullptr, &count, &mesh);
    EXPECT_EQ(hr, D3D_OK);
    if (FAILED(hr)) return out;
    out.fvf = mesh->GetFVF();
    out.vertices = mesh->VertexBytes();
    out.indices = mesh->Indices();
    out.attributes = mesh->Attributes();
    auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        out.textures.push_back(records[i].pTextureFilename ? records[i].pTextureFilename : "");
        out.diffuse.insert(out.diffuse.end(), {records[i].MatD3D.Diffuse.r, records[i].MatD3D.Diffuse.g,
                                               records[i].MatD3D.Diffuse.b, records[i].MatD3D.Diffuse.a});
    }
    materials->Release();
    mesh->Release();
    return out;
}

// The file in another encoding, defining only the templates the text
// defined itself.
std::string Encode(const std::string& text, const plat::XWriteOptions& options) {
    plat::XDocument doc;
    std::string error, out;
    EXPECT_TRUE(plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, &error)) << error;
    std::vector<std::shared_ptr<const plat::XTemplate>> own;
    for (const auto& t : doc.templates.All())
        if (plat::XTemplateRegistry::Standard().FindByName(t->name) != t) own.push_back(t);
    std::vector<const plat::XDataObject*> objects;
    for (const auto& o : doc.objects) objects.push_back(o.get());
    EXPECT_TRUE(plat::WriteXFile(own, objects, out, &error, options)) << error;
    return out;
}

class MeshEncodings : public ::testing::TestWithParam<std::tuple<Group, Encoding>> {};

}  // namespace

TEST_P(MeshEncodings, LoadLikeTheTextTwin) {
    const auto& [group, encoding] = GetParam();
    const Loaded text = Load(group.text);
    ASSERT_EQ(text.indices.size(), group.faces * 3);
    EXPECT_EQ(text.textures, group.textures);
    // Every group's vertices carry normals and texture coordinates, from
    // whichever template the file gives them in.
    ASSERT_EQ(text.fvf, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    for (std::size_t v = 0; v < text.vertices.size() / 32; ++v) {
        float normalZ;
        std::memcpy(&normalZ, &text.vertices[v * 32 + 20], 4);
        EXPECT_FLOAT_EQ(normalZ, -1.0f) << "vertex " << v;
    }

    const Loaded twin = Load(Encode(group.text, encoding.options));
    EXPECT_EQ(twin.fvf, text.fvf);
    EXPECT_EQ(twin.vertices, text.vertices);
    EXPECT_EQ(twin.indices, text.indices);
    EXPECT_EQ(twin.attributes, text.attributes);
    EXPECT_EQ(twin.textures, text.textures);
    EXPECT_EQ(twin.diffuse, text.diffuse);
}

INSTANTIATE_TEST_SUITE_P(
    GroupsAndEncodings, MeshEncodings,
    ::testing::Combine(::testing::ValuesIn(Groups()),
                       ::testing::Values(Encoding{"Text", {plat::XFormat::Text, false}},
                                         Encoding{"Binary", {plat::XFormat::Binary, false}},
                                         Encoding{"Binary64", {plat::XFormat::Binary, true}},
                                         Encoding{"CompressedText", {plat::XFormat::CompressedText, false}},
                                         Encoding{"CompressedBinary", {plat::XFormat::CompressedBinary, false}})),
    [](const testing::TestParamInfo<std::tuple<Group, Encoding>>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });
