#include "world/Plane.h"

#include "Video/ObjectDesc.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/Physics.h"

namespace {
constexpr char kPlaneName[] = "Plane";
constexpr std::uint32_t kPlaneMaterial = 17;
// The pinned point of a new plane: where it is drawn and tested until
// something moves its body.
const D3DXVECTOR3 kStartPosition(0.0f, -5.0f, 0.0f);
// A plane of depth 0 (the basket's walls) is drawn this thin instead: a
// zero scale would turn its normals into zero vectors, and their
// normalisation in the shaders into NaN.
constexpr float kThinnestDepth = 1e-3f;
}  // namespace

Plane::~Plane() {
    if (initialized) Shutdown();
}

bool Plane::Init(void* a, void*) {
    if (initialized || !a) return false;
    const ObjectDesc& desc = *static_cast<const ObjectDesc*>(a);
    name = kPlaneName;
    kind = kKindPlane;
    CreateRenderObject(desc);
    normal = {0.0f, 1.0f, 0.0f};
    id = objectid::kGround;
    ClearMotionFlags();
    if (auto* physics = eTable::Find<Physics>(names::Physics)) {
        physics->AddBody(this, 0.0f);
        if (body) body->SetPosition(&kStartPosition);
    }
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    SetNormal(&up);
    initialized = true;
    return true;
}

// Without a scene (no graphics device) the plane still collides; it is
// only not drawn.
void Plane::CreateRenderObject(const ObjectDesc& desc) {
    auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene));
    if (!scene) return;
    const SurfaceData surface(desc.diffuse, desc.specular, 10, 0.5f, 0.01f, 1.5f);
    const MeshObjectDesc meshDesc(0, desc.mesh.c_str(), kPlaneMaterial, surface, 1);
    ObjectMesh* mesh = scene->CreateMeshObject(&meshDesc);
    renderObject = mesh;
    if (!mesh) return;
    const float p = desc.patternScale;
    const float custom[4] = {p, 1.0f / p, 0.0f, 0.0f};
    mesh->SetCustomData(custom);
    const float depth = desc.depth == 0.0f ? kThinnestDepth : desc.depth;
    mesh->SetScale(desc.size, depth, desc.size);
}

bool Plane::Shutdown() {
    if (!initialized) return false;
    if (renderObject) {
        if (auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene))) scene->RemoveObject(renderObject, false);
        renderObject = nullptr;
    }
    if (auto* physics = eTable::Find<Physics>(names::Physics)) physics->RemoveBody(this);
    body = nullptr;
    DestroyChildren();
    initialized = false;
    return true;
}

void Plane::SetNormal(const D3DXVECTOR3* n) {
    const float s = renderObject ? renderObject->GetScale().x : 1.0f;
    const D3DXVECTOR3 c = GetRenderPosition();
    // Any direction not along the normal will do to span the square; the
    // poles need another one.
    D3DXVECTOR3 t(0.0f, 1.0f, 0.0f);
    if (*n == D3DXVECTOR3(0.0f, 1.0f, 0.0f)) t = {0.0f, 0.0f, -1.0f};
    if (*n == D3DXVECTOR3(0.0f, -1.0f, 0.0f)) t = {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 N, a, b;
    D3DXVec3Normalize(&N, n);
    D3DXVec3Cross(&a, &t, &N);
    D3DXVec3Normalize(&a, &a);
    D3DXVec3Cross(&b, &a, &N);
    D3DXVec3Normalize(&b, &b);
    corners[0] = c - a * s + b * s;
    corners[1] = c + a * s + b * s;
    corners[2] = c - a * s - b * s;
    corners[3] = c + a * s - b * s;
    normal = *n;
    if (renderObject) renderObject->SetDirection(n);
}
