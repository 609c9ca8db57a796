// Feeds arbitrary bytes to the .x reader, in every encoding. Whatever it
// accepts must write out, and reading the written text back must write the
// same text again, as must reading it back from binary and compressed
// files; and the mesh loader and the mesh operations run over whatever it
// reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "platform/d3dx/D3DXMesh.h"
#include "platform/xfile/XFile.h"

namespace {

std::vector<const plat::XDataObject*> Objects(const plat::XDocument& doc) {
    std::vector<const plat::XDataObject*> objects;
    for (const auto& o : doc.objects) objects.push_back(o.get());
    return objects;
}

std::string WriteAll(const plat::XDocument& doc, plat::XWriteOptions options = {}) {
    auto objects = Objects(doc);
    std::string text, error;
    if (!plat::WriteXFile(plat::TemplatesUsedBy(objects), objects, text, &error, options)) std::abort();
    return text;
}

// A file that redefines a template under the same name uses two templates
// of one name, which a written file cannot tell apart.
bool NamesAreUnique(const std::vector<std::shared_ptr<const plat::XTemplate>>& templates) {
    std::set<std::string> names;
    for (const auto& t : templates)
        if (!names.insert(t->name).second) return false;
    return true;
}

void LoadMesh(std::string_view input) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXInMemory(input.data(), DWORD(input.size()), D3DXMESH_MANAGED, nullptr, &adjacency,
                                         &materials, nullptr, &count, &mesh)))
        return;
    std::vector<DWORD> reps(mesh->GetNumVertices());
    mesh->ConvertAdjacencyToPointReps(static_cast<DWORD*>(adjacency->GetBufferPointer()), reps.data());
    D3DXComputeNormals(mesh, nullptr);
    auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i)
        if (records[i].pTextureFilename && std::strlen(records[i].pTextureFilename) > size_t(1) << 30) std::abort();
    adjacency->Release();
    materials->Release();
    mesh->Release();
}

// What a file builds is held to the bytes it holds: a document written more
// densely than it was read (its comments and spaces gone) may be refused
// again for building more than it holds, and for nothing else.
bool TooDenseOrAbort(const std::string& error) {
    if (error.find(" builds more than the file holds (") == std::string::npos) std::abort();
    return true;
}

void ReadWriteRead(std::string_view input) {
    plat::XDocument doc;
    std::string error;
    if (!plat::ParseXFile(input, plat::XTemplateRegistry::Standard(), doc, &error, "fuzz.x")) {
        if (error.empty()) std::abort();
        return;
    }
    LoadMesh(input);
    std::string written = WriteAll(doc);
    if (!NamesAreUnique(plat::TemplatesUsedBy(Objects(doc)))) return;
    plat::XDocument again;
    if (!plat::ParseXFile(written, plat::XTemplateRegistry::Standard(), again, &error, "rewritten.x") &&
        TooDenseOrAbort(error))
        return;
    if (WriteAll(again) != written) std::abort();
    // 64-bit floats, so that doubles survive the binary form.
    for (plat::XFormat format : {plat::XFormat::Binary, plat::XFormat::CompressedBinary, plat::XFormat::CompressedText}) {
        plat::XDocument encoded;
        if (!plat::ParseXFile(WriteAll(doc, {format, true}), plat::XTemplateRegistry::Standard(), encoded, &error,
                              "encoded.x") &&
            TooDenseOrAbort(error))
            continue;
        if (WriteAll(encoded) != written) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    ReadWriteRead(input);
    // Most random inputs lack the header; give the parsers behind it a go
    // too: text, binary tokens, and MSZIP blocks.
    if (input.substr(0, 4) != "xof ") {
        ReadWriteRead("xof 0303txt 0032\n" + std::string(input));
        ReadWriteRead("xof 0303bin 0032" + std::string(input));
        ReadWriteRead("xof 0303bzip0064" + std::string(input));
    }
    return 0;
}
