#pragma once
#include <cstdint>
#include <list>
#include <string>

#include "Video/Mesh.h"
#include "core/System.h"

// One shared mesh: the file name (or creator's name) it is known by, the
// mesh itself, held in place, and the number of holders.
struct MeshRecord {
    std::string name;
    Mesh mesh;
    std::int32_t count = 0;
};

// Shares meshes between render objects, one per name, counting references,
// so that every object that names "plane.x" draws the same buffers. Names
// compare exactly (case-sensitive); any length works.
class MeshMan : public System {
public:
    MeshMan() = default;
    ~MeshMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // The shared mesh of that file, loaded on first use. A failed load is
    // fatal ("FATAL ERROR: Loading mesh (name) to video memory failed!");
    // its empty record stays and is counted.
    Mesh* LoadMesh(const char* fileName, std::int32_t layoutReady, std::uint32_t options);
    // The same for a file that an author may have left broken (the editors'
    // model folders): one that does not load is no fatal error but null,
    // with no record kept; the loader's error line names it.
    Mesh* LoadMeshIfReadable(const char* fileName, std::int32_t layoutReady, std::uint32_t options);
    // The shared mesh of that name, created empty on first use (from the
    // declaration when there is one, else from the FVF). A second caller
    // gets the existing mesh as it is, whatever sizes it asks for: writers
    // must bound their writes by the mesh's own GetNumVertices/GetNumFaces.
    Mesh* CreateMesh(const char* name, std::uint32_t numFaces, std::uint32_t numVertices, std::uint32_t fvf,
                     const D3DVERTEXELEMENT9* declaration, std::uint32_t options);
    // One reference back; the last frees the mesh. Unknown meshes are ignored.
    void Release(const Mesh* m);
    // The record that holds m, or null.
    MeshRecord* FindByMesh(const Mesh* m);
    void ClearMeshes();

    const std::list<MeshRecord>& Records() const { return records; }

private:
    // The record of that name, inserted at the front when missing.
    MeshRecord& FindOrInsert(const char* name, bool* inserted);
    // The record of that file, loaded when new; *loaded false when that
    // load failed (the record is then new and empty).
    MeshRecord& FindOrLoad(const char* fileName, std::int32_t layoutReady, std::uint32_t options, bool* loaded);

    std::list<MeshRecord> records;  // newest first
};
