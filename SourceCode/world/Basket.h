#pragma once
#include "platform/d3dx/Math3D.h"
#include "world/GameObject.h"

class Plane;

// A target for scripts: an open box of five wall planes and a hidden goal
// plane (id 1002) whose contacts the level's conditions look for. The planes
// are level objects of "GameObjectsMan", which owns them.
class Basket : public GameObject {
public:
    enum Wall { kBottom, kMinusX, kPlusX, kMinusZ, kPlusZ, kWallCount };

    Basket() = default;
    ~Basket() override;

    // a is the const ObjectDesc* of kind 8 (size and position).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override { return System::Update(); }

    // Puts the walls (render objects, bodies and corners) around position.
    void Place(const D3DXVECTOR3* position, float size);

    Plane* goal = nullptr;
    Plane* walls[kWallCount] = {};

private:
    Plane* CreateWall(float size);
};
