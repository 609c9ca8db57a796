#include "Video/MeshMan.h"

#include <cstdio>

#include "platform/common/ErrorLog.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

MeshMan::~MeshMan() {
    if (initialized) Shutdown();
}

bool MeshMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::MeshMan;
    eTable::Register(name, this);
    initialized = true;
    return true;
}

bool MeshMan::Shutdown() {
    if (!initialized) return false;
    ClearMeshes();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

MeshRecord& MeshMan::FindOrInsert(const char* meshName, bool* inserted) {
    std::string key = meshName ? meshName : "";
    *inserted = false;
    for (MeshRecord& record : records)
        if (record.name == key) return record;
    *inserted = true;
    records.emplace_front();
    records.front().name = std::move(key);
    return records.front();
}

MeshRecord& MeshMan::FindOrLoad(const char* fileName, std::int32_t layoutReady, std::uint32_t options, bool* loaded) {
    bool inserted = false;
    MeshRecord& record = FindOrInsert(fileName, &inserted);
    *loaded = !inserted || record.mesh.LoadFromFile(record.name.c_str(), layoutReady, options);
    return record;
}

Mesh* MeshMan::LoadMesh(const char* fileName, std::int32_t layoutReady, std::uint32_t options) {
    bool loaded = false;
    MeshRecord& record = FindOrLoad(fileName, layoutReady, options, &loaded);
    if (!loaded) {
        std::string text = "FATAL ERROR: Loading mesh (" + record.name + ") to video memory failed!";
        ReportFatalError(text.c_str());
    }
    ++record.count;
    return &record.mesh;
}

Mesh* MeshMan::LoadMeshIfReadable(const char* fileName, std::int32_t layoutReady, std::uint32_t options) {
    bool loaded = false;
    MeshRecord& record = FindOrLoad(fileName, layoutReady, options, &loaded);
    if (!loaded) {
        records.pop_front();  // the new record, which FindOrInsert put first
        return nullptr;
    }
    ++record.count;
    return &record.mesh;
}

Mesh* MeshMan::CreateMesh(const char* meshName, std::uint32_t numFaces, std::uint32_t numVertices,
                          std::uint32_t fvf, const D3DVERTEXELEMENT9* declaration, std::uint32_t options) {
    bool inserted = false;
    MeshRecord& record = FindOrInsert(meshName, &inserted);
    if (inserted) {
        bool created = declaration ? record.mesh.CreateMesh(numFaces, numVertices, declaration, options)
                                   : record.mesh.CreateMeshFVF(numFaces, numVertices, fvf, options);
        if (!created) {
            std::string text = "FATAL ERROR: Creating mesh (" + record.name + ") to video memory failed!";
            ReportFatalError(text.c_str());
        }
    } else if (ID3DXMesh* existing = record.mesh.mesh;
               existing && (existing->GetNumFaces() != numFaces || existing->GetNumVertices() != numVertices)) {
        plat::LogErrorF("Mesh (%s) asked for with %u faces and %u vertices; it has %u and %u\n",
                     record.name.c_str(), numFaces, numVertices, existing->GetNumFaces(),
                     existing->GetNumVertices());
    }
    ++record.count;
    return &record.mesh;
}

void MeshMan::Release(const Mesh* m) {
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (&it->mesh != m) continue;
        if (--it->count <= 0) records.erase(it);  // the Mesh releases what it holds
        return;
    }
}

MeshRecord* MeshMan::FindByMesh(const Mesh* m) {
    for (MeshRecord& record : records)
        if (&record.mesh == m) return &record;
    return nullptr;
}

void MeshMan::ClearMeshes() { records.clear(); }
