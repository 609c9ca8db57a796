#pragma once
#include <cstdint>

#include "platform/d3dx/Math3D.h"

class Effect;
class Mesh;
struct Light;
struct ShadowItem;
class IDirect3DBaseTexture9;
class IDirect3DVertexBuffer9;
class IDirect3DIndexBuffer9;
class ID3DXMesh;

// The drawing strategy of one material kind: one shared effect, the values
// to bind, the technique to choose and how to draw a mesh or a batch of
// quads. Kinds without a light to draw by hand the object to their fallback.
class Material {
public:
    // Results of Render and DrawBuffers.
    enum : std::int32_t { kDrawn = 0, kCulled = 2, kFailed = 4 };

    Material() = default;
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;
    virtual ~Material();

    // Gives back the effect and the fallback.
    virtual void Release();
    // Sets kind, fallback and effect. arg is passed through and unused.
    virtual bool Load(void* arg) = 0;
    // Draws one mesh with a world matrix; item is the shadow caster's
    // record to fill, or null.
    virtual std::int32_t Render(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item) = 0;
    // Draws a batch of screen or line quads from the quad batcher's buffers.
    virtual std::int32_t DrawBuffers(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DIndexBuffer9* indexBuffer,
                                     std::uint32_t reserved1, std::uint32_t start, std::uint32_t primitiveCount,
                                     std::uint32_t stride, std::uint32_t reserved2) = 0;
    // The textures that the quads of the next DrawBuffers choose from by
    // their slot (slot 0 is "BASETEXTURE0" too); kinds that draw a batch in
    // one texture ignore them.
    virtual void SetQuadTextures(IDirect3DBaseTexture9* const*, std::uint32_t) {}

    // Shared drawing operations, on this material's effect. An effect that
    // did not load draws nothing: DrawMesh reports kFailed and the binds do
    // nothing (BindSceneParams and BindLight still report what they would).
    //
    // Runs technique `index` (a null technique, keeping the current one,
    // when index is not below the technique count): every pass draws subset
    // 0 of the mesh. kFailed when a subset draw fails.
    std::int32_t DrawMesh(Mesh* mesh, std::uint32_t index);
    // Binds the scene values of the parameter store; 1 when a base texture
    // was bound, else 0: the base technique index.
    std::int32_t BindSceneParams();
    // Binds one light in object space; 0 for a directional light, else 1.
    std::int32_t BindLight(const Light* light, const D3DXMATRIX* worldInverse);
    void SetSiloAndVelocity();

    Effect* effect = nullptr;
    std::uint32_t kind = 0;
    Material* fallback = nullptr;

    // The most lights one draw takes, whatever the device reports: the
    // size of a shadow item's light array.
    static constexpr std::uint32_t kMaxLights = 16;

    // world x the store's "VIEWPROJECTION" (world alone before the camera
    // has published one).
    static D3DXMATRIX WorldViewProjection(const D3DXMATRIX& world);
    // The inverse of world. A world that flattens an axis to nothing (a wall
    // of zero thickness) has none: its flat axes then count as unit length,
    // so that lights and shadows see a finite, plane-like object instead of
    // NaN.
    static D3DXMATRIX SafeInverse(const D3DXMATRIX& world);
    // The lights that reach an object at world's translation, brightest
    // first; at most kMaxLights. 0 without "LightMan".
    static std::uint32_t RelevantLights(const D3DXMATRIX& world, Light** out);

    // Sets a parameter of this material's effect by semantic (nothing when
    // the effect did not load).
    void SetMatrixParam(int semantic, const D3DXMATRIX& matrix);
    void SetVectorParam(int semantic, const D3DXVECTOR4& vector);
    bool EffectLoaded() const;

    // The unlit family's draw (kinds 1, 22, 24): culled, no lights, the
    // base technique; the face also binds silhouette and velocity.
    std::int32_t RenderUnlit(Mesh* mesh, D3DXMATRIX* world, ShadowItem* item, bool siloAndVelocity);

    // Every draw of a kind runs its technique through here, on the mesh's
    // D3DX mesh or its shadow mesh: technique `index`, every pass drawing
    // subset 0. Tests override it to record the techniques a kind chooses.
    virtual std::int32_t RunTechnique(ID3DXMesh* mesh, std::uint32_t index);

protected:
    // The common Load of the kinds: fallbackKind < 0 for none.
    bool LoadKind(std::uint32_t ownKind, std::int32_t fallbackKind, const char* fileLiteral);
};
