#pragma once
// The 25 material kinds: each class names its kind, its effect file and the
// kind it falls back to when no light reaches an object. Every class passes
// its own file-name literal to "EffectsMan", so each kind has its own effect.
//
// What each family draws is in MaterialFamilies.cpp (unlit, lit, body,
// skybox) and MaterialShadows.cpp (the shadow volume and its darkening).
#include <cstdint>

#include "Video/Effects/Material.h"

class MaterialNone : public Material {
public:
    static constexpr std::uint32_t kKind = 0;
    static constexpr std::int32_t kFallbackKind = -1;
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialBasic : public Material {
public:
    static constexpr std::uint32_t kKind = 1;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxBasic.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialSkybox : public Material {
public:
    static constexpr std::uint32_t kKind = 2;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxSkybox.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialPlastic : public Material {
public:
    static constexpr std::uint32_t kKind = 3;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxPlastic.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialShinyPlastic : public MaterialPlastic {
public:
    static constexpr std::uint32_t kKind = 4;
    static constexpr std::int32_t kFallbackKind = 3;
    static constexpr char kFile[] = "fxShinyPlastic.fxo";
    bool Load(void* arg) override;
};

class MaterialBasicLine : public Material {
public:
    static constexpr std::uint32_t kKind = 5;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxBasicLine.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialSmoothVelvet : public MaterialPlastic {
public:
    static constexpr std::uint32_t kKind = 6;
    static constexpr std::int32_t kFallbackKind = 3;
    static constexpr char kFile[] = "fxSmoothVelvet.fxo";
    bool Load(void* arg) override;
};

class MaterialShadow : public Material {
public:
    static constexpr std::uint32_t kKind = 7;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxShadow.fxo";
    // The world's downward direction in the axes of a caster with this
    // inverse world matrix (normalised, w 0): the extrusion direction.
    static D3DXVECTOR4 DownInObjectSpace(const D3DXMATRIX& inverseWorld);
    bool Load(void* arg) override;
    // world is the caster's world-view-projection matrix; item its record.
    // Draws the mesh's shadow mesh once per light the item counts.
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialShadowProj : public Material {
public:
    static constexpr std::uint32_t kKind = 8;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxShadowProj.fxo";
    // The quad's world matrix for the current camera, before view and
    // projection.
    static D3DXMATRIX ScreenQuadWorld();
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialBodyBasic : public Material {
public:
    static constexpr std::uint32_t kKind = 9;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxBodyBasic.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

class MaterialBodyPlastic : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 10;
    static constexpr std::int32_t kFallbackKind = 9;
    static constexpr char kFile[] = "fxBodyPlastic.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyShinyPlastic : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 11;
    static constexpr std::int32_t kFallbackKind = 10;
    static constexpr char kFile[] = "fxBodyShinyPlastic.fxo";
    bool Load(void* arg) override;
};

class MaterialPlayer : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 12;
    static constexpr std::int32_t kFallbackKind = 10;
    static constexpr char kFile[] = "fxPlayer.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyRubber : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 13;
    static constexpr std::int32_t kFallbackKind = 11;
    static constexpr char kFile[] = "fxBodyRubber.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyStone : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 14;
    static constexpr std::int32_t kFallbackKind = 10;
    static constexpr char kFile[] = "fxBodyStone.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyWood : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 15;
    static constexpr std::int32_t kFallbackKind = 11;
    static constexpr char kFile[] = "fxBodyWood.fxo";
    bool Load(void* arg) override;
};

class MaterialBodySun : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 16;
    static constexpr std::int32_t kFallbackKind = 9;
    static constexpr char kFile[] = "fxBodySun.fxo";
    bool Load(void* arg) override;
};

class MaterialGround : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 17;
    static constexpr std::int32_t kFallbackKind = 10;
    static constexpr char kFile[] = "fxGround.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyCloud : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 18;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxBodyCloud.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyWeed : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 19;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxBodyWeed.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyWater : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 20;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxBodyWater.fxo";
    bool Load(void* arg) override;
};

class MaterialBodyVeggie : public MaterialBodyBasic {
public:
    static constexpr std::uint32_t kKind = 21;
    static constexpr std::int32_t kFallbackKind = 11;
    static constexpr char kFile[] = "fxBodyVeggie.fxo";
    bool Load(void* arg) override;
};

class MaterialFaceBasic : public Material {
public:
    static constexpr std::uint32_t kKind = 22;
    static constexpr std::int32_t kFallbackKind = 1;
    static constexpr char kFile[] = "fxFaceBasic.fxo";
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
};

// Draws each quad in the texture its slot picks of up to kQuadTextures
// (the effect's samplers gBase, gBase1, ...), so a line of glyphs is one draw.
class MaterialText : public Material {
public:
    static constexpr std::uint32_t kKind = 23;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxZOPText.fxo";
    static constexpr std::uint32_t kQuadTextures = 8;
    bool Load(void* arg) override;
    std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) override;
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                             std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                             std::uint32_t stride, std::uint32_t reserved2) override;
    void SetQuadTextures(IDirect3DBaseTexture9* const* textures, std::uint32_t count) override;

private:
    IDirect3DBaseTexture9* quadTextures[kQuadTextures] = {};
};

class MaterialFire : public MaterialBasic {
public:
    static constexpr std::uint32_t kKind = 24;
    static constexpr std::int32_t kFallbackKind = -1;
    static constexpr char kFile[] = "fxFire.fxo";
    bool Load(void* arg) override;
};
