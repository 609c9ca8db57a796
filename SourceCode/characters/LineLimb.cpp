#include "characters/LineLimb.h"

#include <vector>

#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

constexpr std::uint32_t kLineMaterial = 5;
constexpr char kLineTypeName[] = "line";

SurfaceData LimbSurface(const float colour[4]) {
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    return SurfaceData(colour, black, 1, 0.5f, 0.01f, 1.5f);
}

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }

}  // namespace

LineLimb::~LineLimb() { Shutdown(); }

ObjectLine* LineLimb::MakeRenderObject() { return new ObjectLine(); }

bool LineLimb::Init(void* a, void*) { return InitWith(static_cast<const LimbDesc*>(a), kLine); }

bool LineLimb::InitWith(const LimbDesc* desc, std::uint32_t limbKind) {
    Scene* scene = MainScene();
    if (initialized || !scene) return false;
    const LimbDesc none;
    if (!desc) desc = &none;
    name = names::Limb;
    kind = limbKind;
    SceneObjectDesc objectDesc(0, kLineTypeName, kLineMaterial, 0, LimbSurface(desc->colour), desc->texture ? 1 : 0,
                               static_cast<const LinePoint*>(nullptr));
    renderObject = MakeRenderObject();
    renderObject->Init(&objectDesc);
    scene->AddObject(renderObject, &objectDesc);
    if (desc->texture) renderObject->SetTextureSlot(desc->texture, kBaseTextureSemantic, 0, 0);
    AddControlPoints(desc->points, desc->count);
    initialized = true;
    return true;
}

bool LineLimb::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    if (renderObject) {
        if (Scene* scene = MainScene()) scene->RemoveObject(renderObject, false);
        renderObject = nullptr;
    }
    ReleaseAllPoints();
    initialized = false;
    return true;
}

bool LineLimb::AddControlPoints(const LimbControlPoint* points, std::uint32_t count) {
    if (!renderObject || !Limb::AddControlPoints(points, count)) return false;
    Rebuild();
    return true;
}

void LineLimb::RemoveControlPoint(std::uint32_t index) {
    if (!renderObject || index >= controlPoints.size()) return;
    Limb::RemoveControlPoint(index);
    Rebuild();
}

void LineLimb::Rebuild() {
    if (!renderObject) return;
    std::vector<LinePoint> line;
    for (const auto& point : controlPoints) {
        D3DXVECTOR3 p = point->GetPosition();
        line.push_back({p.x, p.y, p.z, point->width, 0.0f});
    }
    renderObject->SetPoints(line.data(), static_cast<std::uint32_t>(line.size()));
}

void LineLimb::ToggleEnabled() {
    active = !active;
    if (renderObject) renderObject->SetActive(active);
}

Object* LineLimb::GetRenderObject(std::uint32_t) { return renderObject; }

void LineLimb::SetBodyMatrix(D3DXMATRIX* matrix) {
    if (renderObject) renderObject->SetWorldMatrix(matrix);
}
