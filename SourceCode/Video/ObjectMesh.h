#pragma once
#include <cstdint>
#include <string>

#include "Video/Object.h"
#include "Video/ObjectDesc.h"

class IDirect3DDevice9;
class IDirect3DVertexDeclaration9;

// Draws a shared .x mesh through its material: publishes its textures and
// surface, and hands a shadow item to the shadow queue when it casts a
// shadow (kCastsShadow). The only kind that records culling (WasCulled).
class ObjectMesh : public Object {
public:
    using PreDrawCallback = void (*)(void* context);

    ObjectMesh() = default;
    ~ObjectMesh() override;

    // a is a const MeshObjectDesc*. Succeeds even without a mesh or a
    // material: such an object draws nothing.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const MeshObjectDesc* desc) { return Init(const_cast<MeshObjectDesc*>(desc), nullptr); }
    bool Shutdown() override;
    bool Update() override;

    // Swaps the mesh (rebuilding its shadow volume when the object casts
    // one); true when the new mesh came.
    bool ChangeMesh(const char* meshFile);
    // The same for a file that may be broken: one that does not load leaves
    // the object its mesh, without the fatal error, and gives false.
    bool ChangeMeshIfReadable(const char* meshFile);
    // Replaces the slots with count empty ones bound to "BASETEXTURE0".
    void AllocTextureSlots(std::uint32_t count) { slots.Alloc(count); }
    TextureSlotArray* TextureSlots() override { return &slots; }

    // The "CUSTOMDATA0" vector published on every draw.
    void SetCustomData(const float* values);
    float* GetCustomData(float* out) const;

    SurfaceData surface;
    float customData[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Called with its context right before the material draws, when both
    // are set (characters publish their velocity this way).
    void* callbackContext = nullptr;
    PreDrawCallback preDraw = nullptr;

private:
    void BuildShadowVolumeIfCasting();
    TextureSlotArray slots;
};

// A mesh the object makes for itself and whose vertices and indices its
// creator fills (the trampoline sheets). Every custom object has a mesh of
// its own, whatever name its description gives.
class ObjectCustom : public Object {
public:
    ObjectCustom() = default;
    ~ObjectCustom() override;

    // a is a const CustomObjectDesc*. False (and not initialised, holding
    // nothing) when the layout or the mesh cannot be made.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const CustomObjectDesc* desc) { return Init(const_cast<CustomObjectDesc*>(desc), nullptr); }
    bool Shutdown() override;
    bool Update() override;

    // Vertex and index access. start + count of 0 means all of them; false
    // without a mesh, when start + count passes the mesh's vertices (or
    // indices), or when the lock fails. After the vertex setters the mesh's
    // bounds are computed again.
    virtual bool SetVertices(const CustomVertex* src, std::uint32_t start, std::uint32_t count);
    virtual bool SetRawVertices(const std::uint8_t* bytes, std::uint32_t start, std::uint32_t count);
    // Components not in the layout are left as they were in dst.
    virtual bool GetVertices(CustomVertex* dst, std::uint32_t start, std::uint32_t count);
    virtual bool SetIndices(const std::uint16_t* src, std::uint32_t start, std::uint32_t count);
    virtual bool GetIndices(std::uint16_t* dst, std::uint32_t start, std::uint32_t count);

    // Always a 2D texture.
    bool SetTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot);
    void AllocTextureSlots(std::uint32_t count) { slots.Alloc(count); }

    // The layout of the component bits; returns the vertex stride, 0 when
    // the device refused it.
    std::uint32_t CreateVertexDeclaration(IDirect3DDevice9* device);

    std::uint32_t Stride() const { return stride; }
    std::uint32_t VertexCount() const;
    std::uint32_t IndexCount() const;

    SurfaceData surface;

private:
    // Resolves start/count against the real size; false when out of range.
    static bool Range(std::uint32_t start, std::uint32_t count, std::uint32_t size, std::uint32_t* first,
                      std::uint32_t* number);
    void PackVertex(const CustomVertex& v, std::uint8_t* out) const;
    void UnpackVertex(const std::uint8_t* in, CustomVertex* v) const;
    void ReleaseAll();

    IDirect3DVertexDeclaration9* declaration = nullptr;
    std::uint32_t stride = 0;
    TextureSlotArray slots;
    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t reserved = 0;
    std::uint32_t vertexComponents = 0;
    std::string meshKey;  // the private name the mesh manager keeps the mesh under
};
