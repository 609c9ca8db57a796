#pragma once
// The cast shadows: during the scene's pass every shadow-casting ObjectMesh
// has its material fill a ShadowItem and pushes it here; after every render
// group the queue draws each item's shadow volume with the shadow material
// (kind 7) and then darkens the shadowed pixels with one plane drawn by the
// shadow-projection material (kind 8).
#include <cstdint>
#include <list>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class Material;
class Mesh;
class Object;
struct Light;

// One shadow caster of one frame, filled by its material.
struct ShadowItem {
    static constexpr std::uint32_t kMaxLights = 16;

    float squaredDistance = 0.0f;  // from the eye, left by the material's cull test
    Object* owner = nullptr;       // the caster: its mesh's shadow volume is drawn
    D3DXMATRIX worldViewProjection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX inverseWorld{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::uint32_t lightCount = 0;  // 0 to kMaxLights; an item with none is never queued
    Light* lights[kMaxLights] = {};
};

// A list of owned items drawn with two materials and a mesh.
class RenderQueue : public System {
public:
    RenderQueue() = default;
    ~RenderQueue() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Gives back both materials and the mesh and deletes the queued items.
    bool Shutdown() override;
    bool Update() override = 0;

    // Deletes every item, empties the queue and makes it inactive.
    virtual void Clear();
    // Takes ownership of the item and makes the queue active.
    virtual bool Push(ShadowItem* item);

    const std::list<ShadowItem*>& Items() const { return items; }

protected:
    std::list<ShadowItem*> items;
    Material* materialA = nullptr;
    Material* materialB = nullptr;
    Mesh* mesh = nullptr;
};

class ShadowQueue : public RenderQueue {
public:
    ShadowQueue() = default;
    ~ShadowQueue() override;

    // Adds the shadow plane object (kind 8, "plane.x") to "Main Scene",
    // takes the kind-7 and kind-8 materials and the "plane.x" mesh.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // Draws the queued volumes in push order, clears the queue, then the
    // darkening plane; false (drawing nothing) when nothing was pushed.
    bool Update() override;

    float colour[4] = {0.145f, 0.145f, 0.145f, 0.25f};
};

// Embedded in the scene and registered as "BufferMan": the owner of the
// shadow queue, which is its only child.
class BufferMan : public System {
public:
    BufferMan() = default;
    ~BufferMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    ShadowQueue* queue = nullptr;
};
