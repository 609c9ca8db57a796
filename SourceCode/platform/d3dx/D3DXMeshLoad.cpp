// D3DXLoadMeshFromXA: a mesh and its materials from a .x text file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3dx/D3DXMesh.h"
#include "platform/common/AsciiCase.h"
#include "platform/common/ErrorLog.h"
#include "platform/gfx/Direct3D.h"
#include "platform/xfile/XFile.h"

namespace {

constexpr std::size_t kMaxVertices = 0xFFFF;
// Frames may name a mesh many times over; past this many visits the file is
// taken to be hostile.
constexpr int kMaxVisits = 100000;
constexpr int kMaxDepth = 64;
// Triangles of the merged mesh: a few frames that refer to a large mesh
// again and again would otherwise ask for any amount of memory. A mesh of
// 16-bit indices never needs more.
constexpr std::size_t kMaxTriangles = std::size_t(1) << 20;

struct LoadedVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 uv;
};

struct LoadedMaterial {
    D3DMATERIAL9 material{};
    std::string texture;
};

// Paths in files use backslashes, often doubled ("Sub\\a.png"); each run
// becomes one '/'.
std::string SlashPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c != '\\') {
            out += c;
        } else if (out.empty() || out.back() != '/') {
            out += '/';
        }
    }
    return out;
}

struct LoadError {
    std::string what;
};

// The standard templates the loader reads. Files define them again, under
// other spellings too ("TextureFileName"), so an object is known by the GUID
// of its template, or else by a name that differs only in case.
bool IsA(const plat::XDataObject& object, const char* standardName) {
    const plat::XTemplate& templ = object.Template();
    auto standard = plat::XTemplateRegistry::Standard().FindByName(standardName);
    return (standard && templ.guid == standard->guid) || plat::SameIgnoringCase(templ.name, standardName);
}

// Normals and texture coordinates that DeclData or FVFData give, one per
// vertex of the mesh; empty where they give none.
struct VertexData {
    std::vector<D3DXVECTOR3> normals;
    std::vector<D3DXVECTOR2> uvs;
};

float HalfToFloat(std::uint16_t h) {
    const int exponent = (h >> 10) & 0x1F;
    const int mantissa = h & 0x3FF;
    float magnitude;
    if (exponent == 0) {
        magnitude = std::ldexp(float(mantissa), -24);
    } else if (exponent == 31) {
        magnitude = mantissa ? 0.0f : 65504.0f;  // no infinities or NaNs in a mesh
    } else {
        magnitude = std::ldexp(float(mantissa | 0x400), exponent - 25);
    }
    return (h & 0x8000) ? -magnitude : magnitude;
}

// The element types the loader reads: floats and half floats.
bool Decodable(BYTE type) {
    return type <= D3DDECLTYPE_FLOAT4 || type == D3DDECLTYPE_FLOAT16_2 || type == D3DDECLTYPE_FLOAT16_4;
}

// The float components of one element of a decodable type (up to 4, the
// rest 0).
void DecodeElement(BYTE type, const std::uint8_t* bytes, float out[4]) {
    out[0] = out[1] = out[2] = out[3] = 0.0f;
    if (type <= D3DDECLTYPE_FLOAT4) {
        std::memcpy(out, bytes, (std::size_t(type) + 1) * sizeof(float));
        return;
    }
    const int count = type == D3DDECLTYPE_FLOAT16_2 ? 2 : 4;
    for (int i = 0; i < count; ++i) {
        std::uint16_t h;
        std::memcpy(&h, bytes + 2 * i, 2);
        out[i] = HalfToFloat(h);
    }
}

// The vertex data of a layout, one vertex after another: the normal and the
// first texture coordinates where the layout has them in a type the loader
// reads. The data must hold every vertex of the mesh, no more, no less.
VertexData ReadVertexData(const std::vector<D3DVERTEXELEMENT9>& layout, std::uint64_t stride,
                          const plat::XValue& words, std::size_t vertexCount, const std::string& what) {
    if (std::uint64_t(words.Size()) * 4 != stride * vertexCount)
        throw LoadError{what + " holds " + std::to_string(words.Size()) + " DWORDs, not " +
                        std::to_string(vertexCount) + " vertices of " + std::to_string(stride) + " bytes"};
    std::vector<std::uint8_t> bytes(words.Size() * 4);
    for (std::size_t i = 0; i < words.Size(); ++i) {
        const std::uint32_t w = words[i].AsDword();
        std::memcpy(&bytes[i * 4], &w, 4);
    }
    VertexData out;
    float values[4];
    for (const D3DVERTEXELEMENT9& e : layout) {
        if (e.UsageIndex != 0 || (e.Usage != D3DDECLUSAGE_NORMAL && e.Usage != D3DDECLUSAGE_TEXCOORD)) continue;
        auto& normals = out.normals;
        auto& uvs = out.uvs;
        if ((e.Usage == D3DDECLUSAGE_NORMAL ? !normals.empty() : !uvs.empty()) || !Decodable(e.Type)) continue;
        for (std::size_t v = 0; v < vertexCount; ++v) {
            DecodeElement(e.Type, &bytes[v * stride + e.Offset], values);
            if (e.Usage == D3DDECLUSAGE_NORMAL) {
                normals.emplace_back(values[0], values[1], values[2]);
            } else {
                uvs.emplace_back(values[0], values[1]);
            }
        }
    }
    return out;
}

// DeclData: its elements lie one after the other in each vertex.
VertexData FromDeclData(const plat::XDataObject& decl, std::size_t vertexCount, const std::string& label) {
    std::vector<D3DVERTEXELEMENT9> layout;
    std::uint64_t stride = 0;
    for (const plat::XValue& element : decl.Member("Elements").Items()) {
        const DWORD type = element.Field("Type").AsDword();
        if (type > D3DDECLTYPE_UNUSED)
            throw LoadError{label + ": its DeclData names vertex element type " + std::to_string(type)};
        const DWORD usage = element.Field("Usage").AsDword(), index = element.Field("UsageIndex").AsDword();
        D3DVERTEXELEMENT9 e{0, WORD(0), BYTE(type), 0, BYTE(usage > 0xFF ? 0xFF : usage),
                            BYTE(index > 0xFF ? 0xFF : index)};
        layout.push_back(e);
        layout.back().Offset = WORD(std::min<std::uint64_t>(stride, 0xFFFF));
        stride += plat::SizeOfDeclType(BYTE(type));
        if (stride > 0xFFFF) throw LoadError{label + ": its DeclData describes a vertex of over 65535 bytes"};
    }
    return ReadVertexData(layout, stride, decl.Member("data"), vertexCount, label + ": its DeclData");
}

// FVFData: the fields its FVF names, without the position, which the mesh
// holds (a file that repeats the position in the data is read too).
VertexData FromFVFData(const plat::XDataObject& data, std::size_t vertexCount, const std::string& label) {
    const DWORD fvf = data.Member("dwFVF").AsDword();
    const bool hasPosition = (fvf & D3DFVF_POSITION_MASK) != 0;
    std::vector<D3DVERTEXELEMENT9> full = plat::ElementsFromFVF(hasPosition ? fvf : fvf | D3DFVF_XYZ);
    const std::uint64_t fullStride = plat::VertexSizeOfFVF(hasPosition ? fvf : fvf | D3DFVF_XYZ);
    std::vector<D3DVERTEXELEMENT9> rest;
    WORD positionBytes = 0;
    for (const D3DVERTEXELEMENT9& e : full) {
        if (e.Usage == D3DDECLUSAGE_POSITION || e.Usage == D3DDECLUSAGE_POSITIONT) {
            positionBytes = WORD(plat::SizeOfDeclType(e.Type));
            continue;
        }
        rest.push_back(e);
    }
    for (D3DVERTEXELEMENT9& e : rest) e.Offset = WORD(e.Offset - positionBytes);
    const plat::XValue& words = data.Member("data");
    const std::string what = label + ": its FVFData";
    if (hasPosition && std::uint64_t(words.Size()) * 4 == fullStride * vertexCount)
        return ReadVertexData(full, fullStride, words, vertexCount, what);
    return ReadVertexData(rest, fullStride - positionBytes, words, vertexCount, what);
}

// Everything gathered from the file, merged over all its meshes.
class MeshGatherer {
public:
    void Visit(const plat::XDataObject& object, const D3DXMATRIX& world, int depth) {
        if (++visits > kMaxVisits || depth > kMaxDepth) throw LoadError{"frames refer to meshes too often"};
        if (IsA(object, "Mesh")) {
            AddMesh(object, world);
        } else if (IsA(object, "Frame")) {
            D3DXMATRIX local;
            D3DXMatrixIdentity(&local);
            for (const plat::XChild& child : object.children) {
                const plat::XDataObject* target = child.Target();
                if (IsA(*target, "FrameTransformMatrix")) {
                    local = MatrixOf(target->Member("frameMatrix").Field("matrix"));
                    break;
                }
            }
            D3DXMATRIX combined;
            D3DXMatrixMultiply(&combined, &local, &world);
            for (const plat::XChild& child : object.children) Visit(*child.Target(), combined, depth + 1);
        }
    }

    std::vector<LoadedVertex> vertices;
    std::vector<DWORD> indices;     // three per triangle
    std::vector<DWORD> attributes;  // one per triangle
    std::vector<LoadedMaterial> materials;
    bool anyNormals = false;
    bool anyTexcoords = false;

private:
    static D3DXMATRIX MatrixOf(const plat::XValue& values) {
        D3DXMATRIX m;
        for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = values[std::size_t(i)].AsFloat();
        return m;
    }

    static D3DXVECTOR3 VectorOf(const plat::XValue& v) {
        return D3DXVECTOR3(v.Field("x").AsFloat(), v.Field("y").AsFloat(), v.Field("z").AsFloat());
    }

    // Where the named members sit in the structures of an array (all of one
    // template): looked up once per array instead of by name per element.
    // An index past any structure reads as an empty value, as Field does.
    template <std::size_t N>
    struct FieldIndexes {
        std::size_t at[N];
        FieldIndexes(const plat::XValue& array, const char* const (&names)[N]) {
            const plat::XTemplate* templ = array.Size() ? array[0].StructTemplate() : nullptr;
            for (std::size_t i = 0; i < N; ++i) {
                int index = templ ? templ->MemberIndex(names[i]) : -1;
                at[i] = index < 0 ? ~std::size_t(0) : std::size_t(index);
            }
        }
    };
    static constexpr const char* kXyz[] = {"x", "y", "z"};
    static constexpr const char* kUv[] = {"u", "v"};
    static constexpr const char* kCorners[] = {"faceVertexIndices"};

    static D3DXVECTOR3 VectorAt(const plat::XValue& v, const FieldIndexes<3>& xyz) {
        return D3DXVECTOR3(v[xyz.at[0]].AsFloat(), v[xyz.at[1]].AsFloat(), v[xyz.at[2]].AsFloat());
    }

    static const plat::XDataObject* FirstChild(const plat::XDataObject& object, const char* kind) {
        for (const plat::XChild& child : object.children)
            if (IsA(*child.Target(), kind)) return child.Target();
        return nullptr;
    }

    static std::string Label(const plat::XDataObject& mesh) {
        return mesh.name.empty() ? std::string("a mesh") : "mesh '" + mesh.name + "'";
    }

    static LoadedMaterial MaterialOf(const plat::XDataObject& object) {
        LoadedMaterial m;
        const plat::XValue& face = object.Member("faceColor");
        m.material.Diffuse = {face.Field("red").AsFloat(), face.Field("green").AsFloat(), face.Field("blue").AsFloat(),
                              face.Field("alpha").AsFloat()};
        m.material.Power = object.Member("power").AsFloat();
        const plat::XValue& spec = object.Member("specularColor");
        m.material.Specular = {spec.Field("red").AsFloat(), spec.Field("green").AsFloat(),
                               spec.Field("blue").AsFloat(), 1.0f};
        const plat::XValue& emissive = object.Member("emissiveColor");
        m.material.Emissive = {emissive.Field("red").AsFloat(), emissive.Field("green").AsFloat(),
                               emissive.Field("blue").AsFloat(), 1.0f};
        if (const plat::XDataObject* texture = FirstChild(object, "TextureFilename")) {
            m.texture = SlashPath(texture->Member("filename").AsString());
        }
        return m;
    }

    static LoadedMaterial DefaultMaterial() {
        LoadedMaterial m;
        m.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        m.material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
        m.material.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
        return m;
    }

    // The material index of every face of the mesh, materials appended.
    std::vector<DWORD> FaceMaterials(const plat::XDataObject& mesh, std::size_t faceCount) {
        std::vector<DWORD> perFace(faceCount, DWORD(materials.size()));
        const plat::XDataObject* list = FirstChild(mesh, "MeshMaterialList");
        if (!list) {
            materials.push_back(DefaultMaterial());
            return perFace;
        }
        DWORD count = list->Member("nMaterials").AsDword();
        if (count == 0) {
            materials.push_back(DefaultMaterial());
            return perFace;
        }
        std::vector<LoadedMaterial> found;
        for (const plat::XChild& child : list->children)
            if (IsA(*child.Target(), "Material") && found.size() < count)
                found.push_back(MaterialOf(*child.Target()));
        if (found.size() < count)
            throw LoadError{Label(mesh) + " lists " + std::to_string(count) + " materials but holds " +
                            std::to_string(found.size())};
        const plat::XValue& indexes = list->Member("faceIndexes");
        if (indexes.Size() > faceCount)
            throw LoadError{Label(mesh) + " has more material indexes than faces"};
        DWORD base = DWORD(materials.size());
        for (std::size_t f = 0; f < faceCount; ++f) {
            // Fewer indexes than faces: the last one goes on.
            DWORD index = indexes.Size() == 0 ? 0 : indexes[std::min(f, indexes.Size() - 1)].AsDword();
            if (index >= count)
                throw LoadError{Label(mesh) + " gives a face material " + std::to_string(index) + " of " +
                                std::to_string(count)};
            perFace[f] = base + index;
        }
        materials.insert(materials.end(), found.begin(), found.end());
        return perFace;
    }

    // Normals and texture coordinates of DeclData, else of FVFData: what
    // the mesh takes where it has no MeshNormals or MeshTextureCoords.
    static VertexData VertexDataOf(const plat::XDataObject& mesh, std::size_t vertexCount) {
        if (const plat::XDataObject* decl = FirstChild(mesh, "DeclData"))
            return FromDeclData(*decl, vertexCount, Label(mesh));
        if (const plat::XDataObject* fvf = FirstChild(mesh, "FVFData"))
            return FromFVFData(*fvf, vertexCount, Label(mesh));
        return {};
    }

    void AddMesh(const plat::XDataObject& mesh, const D3DXMATRIX& world) {
        const plat::XValue& positions = mesh.Member("vertices");
        const plat::XValue& faces = mesh.Member("faces");
        const std::size_t positionCount = positions.Size();

        const plat::XDataObject* normalsObject = FirstChild(mesh, "MeshNormals");
        const plat::XValue* normals = normalsObject ? &normalsObject->Member("normals") : nullptr;
        const plat::XValue* faceNormals = normalsObject ? &normalsObject->Member("faceNormals") : nullptr;
        if (faceNormals && faceNormals->Size() != faces.Size())
            throw LoadError{Label(mesh) + ": its normals describe " + std::to_string(faceNormals->Size()) +
                            " faces, the mesh has " + std::to_string(faces.Size())};

        const plat::XDataObject* uvObject = FirstChild(mesh, "MeshTextureCoords");
        const plat::XValue* uvs = uvObject ? &uvObject->Member("textureCoords") : nullptr;
        if (uvs && uvs->Size() != positionCount)
            throw LoadError{Label(mesh) + ": " + std::to_string(uvs->Size()) + " texture coordinates for " +
                            std::to_string(positionCount) + " vertices"};
        VertexData perVertex;
        if (!normalsObject || !uvObject) perVertex = VertexDataOf(mesh, positionCount);
        if (normalsObject) perVertex.normals.clear();
        if (uvObject) perVertex.uvs.clear();
        anyNormals |= normalsObject != nullptr || !perVertex.normals.empty();
        anyTexcoords |= uvObject != nullptr || !perVertex.uvs.empty();

        if (attributes.size() + faces.Size() > kMaxTriangles)
            throw LoadError{"more than " + std::to_string(kMaxTriangles) + " triangles in all"};
        std::vector<DWORD> faceMaterial = FaceMaterials(mesh, faces.Size());
        const Sources sources{positions,
                              normals,
                              uvs,
                              perVertex,
                              FieldIndexes<3>(positions, kXyz),
                              normals ? FieldIndexes<3>(*normals, kXyz) : FieldIndexes<3>(positions, kXyz),
                              uvs ? FieldIndexes<2>(*uvs, kUv) : FieldIndexes<2>(positions, kUv)};
        const FieldIndexes<1> faceCorners(faces, kCorners);
        const FieldIndexes<1> normalFaceCorners(faceNormals ? *faceNormals : faces, kCorners);
        std::unordered_map<std::uint64_t, DWORD> made;  // (position, normal) -> vertex
        made.reserve(positionCount);
        std::vector<DWORD> polygon;
        for (std::size_t f = 0; f < faces.Size(); ++f) {
            const plat::XValue& corners = faces[f][faceCorners.at[0]];
            if (corners.Size() < 3) throw LoadError{Label(mesh) + ": face " + std::to_string(f) + " has fewer than 3 corners"};
            const plat::XValue* normalCorners = faceNormals ? &(*faceNormals)[f][normalFaceCorners.at[0]] : nullptr;
            if (normalCorners && normalCorners->Size() != corners.Size())
                throw LoadError{Label(mesh) + ": face " + std::to_string(f) + " has normals for another corner count"};
            polygon.clear();
            for (std::size_t k = 0; k < corners.Size(); ++k) {
                DWORD p = corners[k].AsDword();
                DWORD n = normalCorners ? (*normalCorners)[k].AsDword() : 0;
                if (p >= positionCount)
                    throw LoadError{Label(mesh) + ": face " + std::to_string(f) + " names vertex " + std::to_string(p) +
                                    " of " + std::to_string(positionCount)};
                if (normalCorners && n >= normals->Size())
                    throw LoadError{Label(mesh) + ": face " + std::to_string(f) + " names normal " + std::to_string(n) +
                                    " of " + std::to_string(normals->Size())};
                polygon.push_back(VertexFor(p, n, sources, world, made));
            }
            if (attributes.size() + polygon.size() - 2 > kMaxTriangles)
                throw LoadError{"more than " + std::to_string(kMaxTriangles) + " triangles in all"};
            for (std::size_t k = 1; k + 1 < polygon.size(); ++k) {
                indices.insert(indices.end(), {polygon[0], polygon[k], polygon[k + 1]});
                attributes.push_back(faceMaterial[f]);
            }
        }
    }

    // Where one mesh's vertex values come from: MeshNormals and
    // MeshTextureCoords, else the per-vertex data of DeclData or FVFData.
    struct Sources {
        const plat::XValue& positions;
        const plat::XValue* normals;
        const plat::XValue* uvs;
        const VertexData& perVertex;
        FieldIndexes<3> position, normal;
        FieldIndexes<2> uv;
    };

    DWORD VertexFor(DWORD p, DWORD n, const Sources& from, const D3DXMATRIX& world,
                    std::unordered_map<std::uint64_t, DWORD>& made) {
        auto [it, isNew] = made.try_emplace(std::uint64_t(p) << 32 | n, DWORD(vertices.size()));
        if (!isNew) return it->second;
        if (vertices.size() >= kMaxVertices) throw LoadError{"more than 65535 vertices (indices are 16-bit)"};
        LoadedVertex v;
        D3DXVECTOR3 local = VectorAt(from.positions[p], from.position);
        D3DXVec3TransformCoord(&v.position, &local, &world);
        const bool hasNormal = from.normals || !from.perVertex.normals.empty();
        if (hasNormal) {
            D3DXVECTOR3 ln = from.normals ? VectorAt((*from.normals)[n], from.normal) : from.perVertex.normals[p];
            D3DXVec3TransformNormal(&v.normal, &ln, &world);
            float length = D3DXVec3Length(&v.normal);
            if (length > 0.0f) v.normal /= length;
        }
        if (from.uvs) {
            v.uv = D3DXVECTOR2((*from.uvs)[p][from.uv.at[0]].AsFloat(), (*from.uvs)[p][from.uv.at[1]].AsFloat());
        } else if (!from.perVertex.uvs.empty()) {
            v.uv = from.perVertex.uvs[p];
        }
        vertices.push_back(v);
        return it->second;
    }

    int visits = 0;
};

// D3DXMATERIAL records followed by their texture names, the pointers
// aimed into the same buffer.
ID3DXBuffer* MakeMaterialBuffer(const std::vector<LoadedMaterial>& materials) {
    std::size_t size = materials.size() * sizeof(D3DXMATERIAL);
    std::vector<std::size_t> nameOffsets;
    for (const LoadedMaterial& m : materials) {
        nameOffsets.push_back(size);
        if (!m.texture.empty()) size += m.texture.size() + 1;
    }
    auto* buffer = new ID3DXBuffer(std::string(size, '\0'));
    auto* base = static_cast<char*>(buffer->GetBufferPointer());
    for (std::size_t i = 0; i < materials.size(); ++i) {
        D3DXMATERIAL record{materials[i].material, nullptr};
        if (!materials[i].texture.empty()) {
            record.pTextureFilename = base + nameOffsets[i];
            std::memcpy(record.pTextureFilename, materials[i].texture.c_str(), materials[i].texture.size() + 1);
        }
        std::memcpy(base + i * sizeof(D3DXMATERIAL), &record, sizeof record);
    }
    return buffer;
}

HRESULT BuildMesh(const MeshGatherer& g, DWORD options, IDirect3DDevice9* device, ID3DXMesh** out) {
    DWORD fvf = D3DFVF_XYZ | (g.anyNormals ? D3DFVF_NORMAL : 0) | (g.anyTexcoords ? D3DFVF_TEX1 : 0);
    DWORD faceCount = DWORD(g.attributes.size());
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(faceCount, DWORD(g.vertices.size()), options, fvf, device, &mesh);
    if (FAILED(hr)) return hr;

    std::uint8_t* bytes = mesh->VertexBytes().data();
    std::size_t stride = mesh->GetNumBytesPerVertex();
    const int positionOffset = mesh->OffsetOf(D3DDECLUSAGE_POSITION);
    const int normalOffset = mesh->OffsetOf(D3DDECLUSAGE_NORMAL);
    const int uvOffset = mesh->OffsetOf(D3DDECLUSAGE_TEXCOORD);
    for (std::size_t v = 0; v < g.vertices.size(); ++v) {
        std::uint8_t* vertex = bytes + v * stride;
        std::memcpy(vertex + positionOffset, &g.vertices[v].position.x, 12);
        if (normalOffset >= 0) std::memcpy(vertex + normalOffset, &g.vertices[v].normal.x, 12);
        if (uvOffset >= 0) std::memcpy(vertex + uvOffset, &g.vertices[v].uv.x, 8);
    }
    // Faces sorted by material so that each subset is one run.
    std::vector<DWORD> order(faceCount);
    for (DWORD f = 0; f < faceCount; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return g.attributes[a] < g.attributes[b]; });
    for (DWORD f = 0; f < faceCount; ++f) {
        for (int k = 0; k < 3; ++k) mesh->Indices()[f * 3 + k] = WORD(g.indices[order[f] * 3 + k]);
        mesh->Attributes()[f] = g.attributes[order[f]];
    }
    mesh->Touch();
    *out = mesh;
    return D3D_OK;
}

HRESULT Fail(const char* fileName, const std::string& what, HRESULT code) {
    plat::LogErrorF("Loading mesh %s: %s\n", fileName ? fileName : "(null)", what.c_str());
    return code;
}

}  // namespace

namespace {

HRESULT LoadFromDocument(const char* label, bool parsed, const std::string& parseError, const plat::XDocument& doc,
                         DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                         ID3DXBuffer** effectInstances, DWORD* numMaterials, ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (effectInstances) *effectInstances = nullptr;
    if (numMaterials) *numMaterials = 0;
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (options & D3DXMESH_32BIT) return Fail(label, "32-bit indices are not supported", D3DERR_INVALIDCALL);
    if (!parsed) return Fail(label, parseError, D3DXERR_INVALIDDATA);

    MeshGatherer gatherer;
    try {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        for (const auto& object : doc.objects) gatherer.Visit(*object, identity, 0);
    } catch (const LoadError& e) {
        return Fail(label, e.what, D3DXERR_INVALIDDATA);
    } catch (const std::bad_alloc&) {
        return Fail(label, "out of memory", E_OUTOFMEMORY);
    }
    if (gatherer.attributes.empty()) return Fail(label, "the file holds no mesh faces", D3DXERR_LOADEDMESHASNODATA);

    ID3DXMesh* result = nullptr;
    HRESULT hr = BuildMesh(gatherer, options, device, &result);
    if (FAILED(hr)) return Fail(label, "the mesh cannot be created", hr);

    if (adjacency) {
        auto* buffer = new ID3DXBuffer(std::string(std::size_t(result->GetNumFaces()) * 3 * sizeof(DWORD), '\0'));
        result->GenerateAdjacency(0.0f, static_cast<DWORD*>(buffer->GetBufferPointer()));
        *adjacency = buffer;
    }
    if (materials) *materials = MakeMaterialBuffer(gatherer.materials);
    if (numMaterials) *numMaterials = DWORD(gatherer.materials.size());
    *mesh = result;
    return D3D_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXA(const char* fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh) {
    plat::XDocument doc;
    std::string error = "no file name";
    bool parsed = fileName && plat::LoadXFile(fileName, plat::XTemplateRegistry::Standard(), doc, &error);
    return LoadFromDocument(fileName, parsed, error, doc, options, device, adjacency, materials, effectInstances,
                            numMaterials, mesh);
}

HRESULT D3DXLoadMeshFromXInMemory(const void* memory, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh) {
    plat::XDocument doc;
    std::string error = "no data";
    bool parsed = memory && plat::ParseXFile(std::string_view(static_cast<const char*>(memory), size),
                                             plat::XTemplateRegistry::Standard(), doc, &error, "(memory)");
    return LoadFromDocument("(memory)", parsed, error, doc, options, device, adjacency, materials, effectInstances,
                            numMaterials, mesh);
}
