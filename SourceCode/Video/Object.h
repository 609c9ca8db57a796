#pragma once
#include <cstdint>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class Mesh;
class Material;
class Scene;
class TextureSlotArray;
struct TextureSlot;

// Base of every drawable thing in "Main Scene": ObjectMesh, ObjectCustom,
// ObjectLine, ObjectSpline and ObjectScreenQuad. It holds the transform
// (position, scale, rotation), the flags that also say where the scene files
// it, the shared mesh and material that draw it, and a world matrix from the
// matrix pool (or the caller's, flag kExternalWorld).
//
// How to make one: construct it with new, Init it with its description, hand
// it to the scene (Scene::AddObject; Scene::CreateMeshObject and
// Scene::CreateScreenQuad do all three). The scene's render group owns it
// from then on; take it out again only with Scene::RemoveObject, never by
// delete. Show or hide it with SetActive: every kind's Update tests it.
// It never enters the registry: its name only names its kind.
class Object : public System {
public:
    // The flag bits (one byte). Descriptions carry the same bits; each kind's
    // Init copies them and adds kDirty.
    enum : std::uint8_t {
        kDirty = 1,          // the world matrix is rebuilt before the next draw
        kCulled = 2,         // the material found it outside the view on the last draw
        kCastsShadow = 4,    // hands a shadow item to the shadow queue on every draw
        kEarly = 8,          // filed in the scene's early groups, drawn before the rest
        kGroup16 = 16,       // group placement (Scene::AddObject)
        kExternalWorld = 32, // the world matrix is the caller's: never taken, released or rebuilt
        kGroup64 = 64,       // group placement (Scene::AddObject)
    };

    Object() = default;
    // Frees only what the System base owns: Shutdown releases the resources.
    ~Object() override = default;

    // Per kind: Init(desc, ignored) fills the object from its description
    // (false when already initialised); Shutdown releases mesh, material,
    // world matrix and texture slots; Update draws (once a frame, by its
    // render group).

    virtual D3DXVECTOR3 Move(float x, float y, float z);
    virtual D3DXVECTOR3 Move(const D3DXVECTOR3& v);
    virtual void SetPosition(float x, float y, float z);
    virtual void SetPosition(const D3DXVECTOR3& v);
    virtual D3DXVECTOR3 GetPosition() const { return position; }
    // Turns by angle (radians) about axis, after the current rotation.
    virtual D3DXQUATERNION RotateAxis(const D3DXVECTOR3* axis, float angle);
    // x turns about X (pitch), y about Y (yaw), z about Z (roll), in radians.
    virtual D3DXQUATERNION RotateYawPitchRoll(float x, float y, float z);
    // rotation = rotation * q, normalised.
    virtual D3DXQUATERNION Rotate(const D3DXQUATERNION* q);
    virtual const D3DXQUATERNION* SetRotationAxis(const D3DXVECTOR3* axis, float angle);
    virtual const D3DXQUATERNION* SetRotationYawPitchRoll(float x, float y, float z);
    virtual void SetRotation(const D3DXQUATERNION* q);
    // The rotation that turns the model's +Y axis onto d (a unit vector).
    // Along +Y it is the identity, along -Y a half turn about X; a zero d
    // keeps the rotation.
    virtual void SetDirection(const D3DXVECTOR3* d);
    virtual D3DXQUATERNION GetRotation() const { return rotation; }
    // Adds to the scale (not multiplied).
    virtual D3DXVECTOR3 Scale(float x, float y, float z);
    virtual D3DXVECTOR3 Scale(const D3DXVECTOR3& v);
    virtual void SetScale(float x, float y, float z);
    virtual void SetScale(const D3DXVECTOR3& v);
    virtual D3DXVECTOR3 GetScale() const { return scale; }
    // A detail factor read by characters for their spline limbs; not a
    // transform, so it does not make the object dirty.
    virtual float SetFactor(float f);
    virtual float GetFactor() const { return factor; }
    virtual void SetCulled(bool culled);
    virtual int WasCulled() const { return (flags & kCulled) ? 1 : 0; }
    // Uses the caller's matrix from now on (flag kExternalWorld), giving
    // back the pool matrix the object held. The caller keeps m alive for the
    // object's life and updates it itself.
    virtual void SetWorldMatrix(D3DXMATRIX* m);
    // Scale, then rotation, then translation; clears kDirty and copies the
    // result into the world matrix when the object has one.
    virtual D3DXMATRIX UpdateWorldMatrix();

    // Texture slots, for the kinds that have them (every kind but
    // ObjectCustom, which has its own SetTextureSlot): false when the kind
    // has none or the slot index is outside them. Set and Replace both give
    // back the texture the slot held.
    bool SetTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot, std::uint32_t type);
    bool ReplaceTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot, std::uint32_t type);
    bool ShareTextureSlot(const TextureSlot* source, std::int32_t slot);
    virtual TextureSlotArray* TextureSlots() { return nullptr; }

    // Gives the material back and takes the one of the new kind, then has
    // the scene move the object to that kind's group. False when the object
    // has no material or the scene does not hold it.
    bool SetMaterial(Scene* scene, std::uint32_t kind, std::uint32_t ignored = 0);

    // The matrix drawn with: rebuilt first when dirty or missing, unless the
    // matrix is the caller's.
    const D3DXMATRIX* CurrentWorld();

    std::uint8_t Flags() const { return flags; }
    Mesh* GetMesh() const { return mesh; }
    Material* GetMaterial() const { return material; }
    // The material kind the object draws with (0 without a material).
    std::uint32_t MaterialKind() const;
    D3DXMATRIX* WorldMatrix() const { return world; }

    // Where the scene filed the object, so that it is found again under that
    // key whatever has happened to its material since.
    struct FiledKey {
        bool filed = false;
        bool early = false;
        std::uint32_t kind = 0;
    };
    FiledKey filedKey;

protected:
    D3DXMATRIX* AcquireMatrix();
    Mesh* LoadMesh(const char* file);
    void ReleaseMesh();
    Material* AcquireMaterial(std::uint32_t kind);
    // Material, mesh, then the pool matrix (not the caller's).
    void ReleaseResources();
    // Gives the world matrix back to the pool unless it is the caller's.
    void ReleasePoolMatrix();
    // Shutdown of the kinds with texture slots: children, resources, then
    // the slots; false when not initialised.
    bool ShutdownDrawable();
    // Copies the description's flags with kDirty and takes the pool matrix
    // unless the matrix is to be the caller's.
    void TakeFlagsAndWorld(std::uint32_t descFlags);
    void MarkDirty() { flags |= kDirty; }
    D3DXVECTOR3 AddAndMarkDirty(D3DXVECTOR3* v, float x, float y, float z);
    void SetAndMarkDirty(D3DXVECTOR3* v, float x, float y, float z);

    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 scale{1.0f, 1.0f, 1.0f};
    D3DXQUATERNION rotation{0.0f, 0.0f, 0.0f, 1.0f};
    std::uint8_t flags = 0;
    Mesh* mesh = nullptr;
    Material* material = nullptr;
    D3DXMATRIX* world = nullptr;
    float factor = 1.0f;
};
