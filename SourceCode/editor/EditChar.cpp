#include "editor/EditChar.h"

#include <algorithm>

#include "Video/Mesh.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "characters/Limb.h"
#include "characters/ModelLimb.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/EditNode.h"
#include "world/GameObjectsMan.h"

namespace {

constexpr char kBodyMesh[] = "Body/sphereMedium.x";
constexpr std::uint32_t kBodyMaterial = 10;
// Slot 0 the body's own texture, slot 1 its silhouette.
constexpr std::uint32_t kBodyTextureSlots = 2;
constexpr float kBodyCustomData[4] = {0.05f, 200.0f, 0.0f, 0.0f};
constexpr char kPointModel[] = "Limb/playerLimb.x";

GameObjectsMan* EditorObjects() { return static_cast<GameObjectsMan*>(eTable::Peek(names::EditorObjects)); }

// Each location grows its limb one step this way.
D3DXVECTOR3 LocationDirection(std::uint32_t location) {
    switch (location) {
        case limbloc::LArm: return {1.0f, 0.0f, 0.0f};
        case limbloc::RArm: return {-1.0f, 0.0f, 0.0f};
        case limbloc::LLeg: return {0.707f, -0.707f, 0.0f};
        case limbloc::RLeg: return {-0.707f, -0.707f, 0.0f};
        case limbloc::Head: return {0.0f, 1.0f, 0.0f};
        default: return {0.0f, 0.0f, -1.0f};
    }
}

}  // namespace

EditChar::EditChar() = default;

EditChar::~EditChar() { Shutdown(); }

bool EditChar::Init(void*, void*) {
    if (initialized) return false;
    GameObject::Init(nullptr, nullptr);
    SetDefaults();
    name = names::EditChar;
    kind = kKindEditChar;
    characterChanged = false;
    changedAnimations = 0;
    for (SliderBar& timeline : timelines) timeline.Shutdown();
    activeTimeline = nullptr;
    eyesListing.Reset();
    bodyListing.Reset();
    limbListing.Reset();
    siloListing.Reset();
    const MeshObjectDesc body(0, kBodyMesh, kBodyMaterial, SurfaceData(), kBodyTextureSlots);
    if (SetBody(&body)) BodyObject()->SetCustomData(kBodyCustomData);
    selectedLimb = nullptr;
    selectedFrame = nullptr;
    animationMode = playing = 0;
    initialized = true;
    return true;
}

bool EditChar::Shutdown() {
    if (!initialized) return false;
    FreeAnimations();
    for (SliderBar& timeline : timelines) {
        timeline.Hide();
        timeline.Shutdown();
    }
    activeTimeline = nullptr;
    // The nodes belong to "EditorObjects", which deletes them.
    nodes.clear();
    selectedLimb = nullptr;
    selectedFrame = nullptr;
    return NPC::Shutdown();
}

void EditChar::FreeAnimations() {
    MakeCurrent(nullptr);
    pendingAnimation = nullptr;
    for (Animation*& animation : actionAnimations) {
        delete animation;
        animation = nullptr;
    }
}

D3DXVECTOR3 EditChar::BodyToWorld(const D3DXVECTOR3& p) const {
    ObjectMesh* body = BodyObject();
    if (!body) return p;
    D3DXVECTOR3 world;
    D3DXVec3TransformCoord(&world, &p, body->CurrentWorld());
    return world;
}

D3DXVECTOR3 EditChar::WorldToBody(const D3DXVECTOR3& p) const {
    ObjectMesh* body = BodyObject();
    if (!body) return p;
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, body->CurrentWorld())) return p;
    D3DXVECTOR3 local;
    D3DXVec3TransformCoord(&local, &p, &inverse);
    return local;
}

Limb* EditChar::AddLimb(std::uint32_t type, std::uint32_t location, std::uint32_t addPoint) {
    // A limb only at one of the five locations: no other is saved or read.
    if (!renderObject || animationMode || location >= limbloc::Count || GetLimb(location)) return nullptr;
    Limb* limb = NPC::AddLimb(type, location);
    if (!limb) return nullptr;
    selectedLimb = limb;
    if (addPoint) AddPoint(true);
    return limb;
}

void EditChar::RemoveLimbByLoc(std::uint32_t location) { RemoveLimb(GetLimb(location)); }

void EditChar::RemoveLimb(Limb* limb) {
    if (animationMode || !limb) return;
    if (std::find(Children().begin(), Children().end(), limb) == Children().end()) return;
    // Nodes point into the limb's records: they go first.
    DeleteNodes(limb);
    NPC::RemoveLimb(limb);
    selectedLimb = nullptr;
}

void EditChar::SelectLimb(std::uint32_t location) {
    selectedLimb = location == limbloc::Unset ? nullptr : GetLimb(location);
}

Limb* EditChar::GetLimbByIndex(std::uint32_t i) const {
    for (System* child : Children())
        if (IsLimb(child) && i-- == 0) return static_cast<Limb*>(child);
    return nullptr;
}

EditNode* EditChar::FindNode(const Limb* limb, std::int32_t index) const {
    for (EditNode* node : nodes)
        if (node->limb == limb && node->index == index) return node;
    return nullptr;
}

EditNode* EditChar::MakeNode(Limb* limb, LimbControlPoint* point, std::int32_t index) {
    GameObjectsMan* objects = EditorObjects();
    if (!objects) return nullptr;
    EditNodeDesc desc;
    desc.kind = kKindEditNode;
    desc.limb = limb;
    desc.owner = this;
    desc.point = point;
    desc.index = index;
    auto* node = static_cast<EditNode*>(objects->CreateObject(&desc));
    if (!node || !node->renderObject) {
        if (node) objects->DeleteObject(node);
        return nullptr;
    }
    node->renderObject->SetScale(kNodeScale, kNodeScale, kNodeScale);
    node->PlaceSphere();
    nodes.push_back(node);
    return node;
}

void EditChar::DeleteNodes(const Limb* onlyThisLimb) {
    GameObjectsMan* objects = EditorObjects();
    std::vector<EditNode*> kept;
    for (EditNode* node : nodes) {
        if (onlyThisLimb && node->limb != onlyThisLimb) {
            kept.push_back(node);
            continue;
        }
        if (objects) objects->DeleteObject(node);
    }
    nodes = std::move(kept);
}

LimbControlPoint* EditChar::AddPoint(bool addModel) {
    Limb* limb = selectedLimb;
    ObjectMesh* body = BodyObject();
    if (!limb || !body || animationMode) return nullptr;
    LimbControlPoint point;
    if (limb->kind != Limb::kModel) point.width = kNewPointWidth;
    if (limb->kind == Limb::kSpline) point.tension = 3.0f;
    point.position = LocationDirection(limb->location);
    if (limb->ControlPointCount() > 0)
        point.position += limb->GetControlPoint(limb->ControlPointCount() - 1)->position;
    point.restPosition = point.position;
    if (!limb->AddControlPoints(&point, 1)) return nullptr;
    const std::uint32_t count = limb->ControlPointCount();
    if (count == 1 && limb->kind != Limb::kModel) limb->SetBodyMatrix(body->WorldMatrix());
    if (addModel && limb->kind == Limb::kModel && count > 1) {
        const MeshObjectDesc desc(body->Flags() & (4 | 8 | 16 | 64), kPointModel, body->MaterialKind(),
                                  body->surface, body->TextureSlots()->Count());
        if (ObjectMesh* model = static_cast<ModelLimb*>(limb)->AddModel(count - 2, &desc)) {
            if (Mesh* mesh = model->GetMesh(); mesh && !mesh->effectLayoutReady) mesh->PrepareForEffects();
            if (const TextureSlot* first = body->TextureSlots()->Slot(0); first && first->texture)
                model->ShareTextureSlot(first, 0);
        }
    }
    LimbControlPoint* added = limb->GetControlPoint(count - 1);
    MakeNode(limb, added, std::int32_t(count - 1));
    limb->Rebuild();
    return added;
}

bool EditChar::AddFilePoint(Limb& limb, const LimbControlPoint& point) {
    if (!limb.AddControlPoints(&point, 1)) return false;
    const std::uint32_t count = limb.ControlPointCount();
    MakeNode(&limb, limb.GetControlPoint(count - 1), std::int32_t(count - 1));
    return true;
}

void EditChar::ToggleNodes() {
    for (EditNode* node : nodes) {
        node->SetActive(!node->IsActive());
        if (node->renderObject) node->renderObject->SetActive(!node->renderObject->IsActive());
    }
}

void EditChar::PlaceNodes() {
    for (EditNode* node : nodes) node->PlaceSphere();
}

void EditChar::RestPose() {
    for (System* child : Children()) {
        if (!IsLimb(child)) continue;
        auto* limb = static_cast<Limb*>(child);
        for (std::uint32_t i = 0; i < limb->ControlPointCount(); ++i) {
            LimbControlPoint* point = limb->GetControlPoint(i);
            point->position = point->restPosition;
            point->targetPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        }
        limb->Rebuild();
    }
    PlaceNodes();
}

void EditChar::RecordSelectedFrame() {
    if (!animationMode || !selectedFrame) return;
    for (EditNode* node : nodes) {
        if (!node->limb || !node->point || node->index < 0) continue;
        const auto loc = static_cast<std::uint16_t>(node->limb->location);
        const auto index = static_cast<std::uint16_t>(node->index);
        AnimationLimb* track = selectedFrame->FindLimb(loc);
        if (!track) track = selectedFrame->AddLimb(loc);
        AnimationControlPoint* entry = track->FindControlPoint(index);
        if (!entry) entry = track->AddControlPoint(index);
        entry->pos = node->point->position - node->point->restPosition;
    }
}

bool EditChar::Update() {
    if (!initialized || !active) return false;
    // The limbs, with the spline detail the body's distance asks for.
    if (renderObject) UpdateLimbs(false);
    else UpdateChildren();
    if (renderObject) {
        if (playing) {
            PlayStep();
        } else if (activeTimeline && activeTimeline->Grabbed() && !activeTimeline->SelectedNode()) {
            // Scrubbing: the pose follows the handle, no key is selected.
            selectedFrame = nullptr;
            if (currentAnimation) currentAnimation->Apply(this, currentTime, -1.0f);
        } else {
            RecordSelectedFrame();
        }
        PlaceNodes();
        face.Update();
    }
    if (activeTimeline) {
        activeTimeline->Show();
        activeTimeline->Update();
        HandleTimelineEvents(activeTimeline->events);
    }
    return true;
}
