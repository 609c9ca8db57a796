#include "world/Basket.h"

#include "Video/Object.h"
#include "Video/ObjectDesc.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Plane.h"

namespace {
constexpr char kBasketName[] = "Basket";

const D3DXVECTOR3 kWallNormals[Basket::kWallCount] = {
    {0.0f, -1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f},
};

// Where each wall stands from the basket's centre, in units of its size.
const D3DXVECTOR3 kWallOffsets[Basket::kWallCount] = {
    {0.0f, -1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f},
};

ObjectDesc WallDesc(float size) {
    ObjectDesc desc;
    desc.kind = kKindPlane;
    desc.size = size;
    desc.depth = 0.0f;
    desc.mesh = "plane.x";
    desc.patternScale = 0.001f;
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float grey[4] = {0.8784314f, 0.8784314f, 0.8784314f, 1.0f};
    std::copy(white, white + 4, desc.diffuse);
    std::copy(grey, grey + 4, desc.specular);
    return desc;
}

// The planes of a basket move together: the render object, then the pinned
// body point, so that the next physics step keeps them where they were put.
void MovePlane(Plane* plane, const D3DXVECTOR3& position) {
    plane->SetRenderPosition(&position);
    if (plane->body) plane->body->SetPosition(&position);
}
}  // namespace

Basket::~Basket() {
    if (initialized) Shutdown();
}

Plane* Basket::CreateWall(float size) {
    auto* manager = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    if (!manager) return nullptr;
    const ObjectDesc desc = WallDesc(size);
    return static_cast<Plane*>(manager->CreateLevelObject(&desc));
}

bool Basket::Init(void* a, void*) {
    if (initialized || !a) return false;
    const ObjectDesc& desc = *static_cast<const ObjectDesc*>(a);
    name = kBasketName;
    kind = kKindBasket;
    for (int w = 0; w < kWallCount; ++w) {
        walls[w] = CreateWall(desc.size);
        if (walls[w] && walls[w]->renderObject)
            walls[w]->renderObject->SetTextureSlot("basket.jpg", kBaseTextureSemantic, 0, 0);
    }
    goal = CreateWall(desc.size);
    if (goal) {
        if (goal->renderObject) goal->renderObject->SetActive(false);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        goal->SetNormal(&up);
        goal->id = objectid::kBasketGoal;
    }
    for (int w = 0; w < kWallCount; ++w) {
        if (!walls[w]) continue;
        walls[w]->SetNormal(&kWallNormals[w]);
        walls[w]->id = objectid::kBasketWall;
    }
    Place(&desc.position, desc.size);
    id = objectid::kBasket;
    initialized = true;
    return true;
}

void Basket::Place(const D3DXVECTOR3* position, float size) {
    for (int w = 0; w < kWallCount; ++w) {
        if (!walls[w]) continue;
        MovePlane(walls[w], *position + kWallOffsets[w] * size);
        walls[w]->SetNormal(&kWallNormals[w]);
    }
    // The goal sits at the basket's centre: left where a new plane stands it
    // would lie in the ground, where the ground's mirror and its own undo
    // each other and every touch of the ground would count as a goal.
    if (goal) {
        MovePlane(goal, *position);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        goal->SetNormal(&up);
    }
}

bool Basket::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    goal = nullptr;
    for (Plane*& wall : walls) wall = nullptr;
    initialized = false;
    return true;
}
