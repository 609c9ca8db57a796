#pragma once
#include "platform/d3dx/Math3D.h"
#include "world/GameObject.h"

// A flat square that spheres rebound from: the ground, planes that scripts
// add and the walls of baskets. Its body is one pinned point; it is drawn and
// tested where that point is.
class Plane : public GameObject {
public:
    Plane() = default;
    ~Plane() override;

    // a is the const ObjectDesc* of kind 7.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override { return System::Update(); }

    // Turns the plane to face n and recomputes its corners around the
    // render position of this moment.
    void SetNormal(const D3DXVECTOR3* n);

    D3DXVECTOR3 normal{0.0f, 1.0f, 0.0f};
    // The square's corners; edges run C1-C0, C0-C2, C2-C3, C3-C1.
    D3DXVECTOR3 corners[4];

private:
    void CreateRenderObject(const ObjectDesc& desc);
};
