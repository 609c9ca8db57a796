// The editable character's files and looks: loading and saving it, cycling
// through the asset folders, surfaces.
#include <filesystem>

#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Effects/EffectParams.h"
#include "characters/CharacterFile.h"
#include "characters/Limb.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "editor/EditChar.h"
#include "editor/EditNode.h"

namespace {

std::filesystem::path AssetFolder(const char* relative) {
    return std::filesystem::path(AssetRoot()) / "Assets" / relative;
}

std::string CharacterPath(const char* name) { return AssetRoot() + "/Assets/Characters/" + name + ".x"; }

void SetSurfaceOf(Object* object, const SurfaceData& surface) {
    if (SurfaceData* target = SurfaceOf(object)) *target = surface;
}

}  // namespace

bool EditChar::LoadCharacter(const char* characterName) {
    if (!IsSafeName(characterName)) return false;
    std::string characterString = characterName;
    const D3DXVECTOR3 place = GetRenderPosition();
    // The editor lets go of a node before the node goes.
    if (auto* editor = static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor))) editor->DeselectObject();
    DeleteNodes(nullptr);
    Shutdown();
    Init();
    CharacterFile file(this);
    const bool loaded = file.Load(CharacterPath(characterName), &characterString);
    SetRenderPosition(&place);
    // A model point's width is its model's scale, which the file sets after
    // the point is made.
    for (EditNode* node : nodes)
        if (node->limb && node->limb->kind == Limb::kModel && node->point && node->point->model)
            node->SetWidth(node->point->model->GetScale().x);
    PlaceNodes();
    return loaded;
}

bool EditChar::SaveCharacter(const char* characterName) {
    if (animationMode || !IsSafeName(characterName) || !BodyObject()) return false;
    std::string characterString = characterName;
    CharacterFile file(this);
    return file.Save(CharacterPath(characterName), &characterString);
}

void EditChar::NextEyes() {
    const auto file = eyesListing.Next(AssetFolder("Textures/Eyes"));
    if (!file) return;
    const std::string eye = "Eyes/" + *file;
    const std::string pupil = face.pupilTexture;
    const SurfaceData surface = face.eyeSurface;
    face.Init(eye.c_str(), pupil.c_str(), face.eyeMaterialKind, &surface);
    if (ObjectMesh* body = BodyObject()) face.bodyMatrix = body->WorldMatrix();
}

void EditChar::NextBody() {
    ObjectMesh* body = BodyObject();
    if (!body) return;
    const auto file = bodyListing.Next(AssetFolder("Models/Body"));
    if (file) body->ChangeMesh(("Body/" + *file).c_str());
}

void EditChar::NextLimbModel(EditNode* selectedNode) {
    if (!selectedLimb || selectedLimb->kind != Limb::kModel || !selectedNode) return;
    if (selectedNode->limb != selectedLimb || !selectedNode->point || !selectedNode->point->model) return;
    const auto file = limbListing.Next(AssetFolder("Models/Limb"));
    if (file) selectedNode->point->model->ChangeMesh(("Limb/" + *file).c_str());
}

void EditChar::NextSilhouette() {
    ObjectMesh* body = BodyObject();
    TextureSlotArray* slots = body ? body->TextureSlots() : nullptr;
    if (!slots || slots->Count() == 0) return;
    const auto file = siloListing.Next(AssetFolder("Textures/Silo"));
    if (!file) return;
    // The slot that holds the silhouette, else the last one.
    std::int32_t slot = std::int32_t(slots->Count()) - 1;
    for (std::uint32_t i = 0; i < slots->Count(); ++i)
        if (slots->Slot(std::int32_t(i))->semantic == sem::SiloTexture) slot = std::int32_t(i);
    const std::string texture = "Silo/" + *file;
    if (!body->SetTextureSlot(texture.c_str(), sem::SiloTexture, slot, 0)) return;
    // The character file saves the names the slots were asked for.
    if (bodyTextureNames.size() < slots->Count()) bodyTextureNames.resize(slots->Count());
    bodyTextureNames[std::size_t(slot)] = texture;
}

void EditChar::SetSurface(const SurfaceData& surface, GameObject* selected, std::uint32_t toLimbs) {
    auto* node = selected && selected->kind == kKindEditNode ? static_cast<EditNode*>(selected) : nullptr;
    if (toLimbs == 0 && selectedLimb && node) {
        if (selectedLimb->kind == Limb::kModel) {
            if (node->point && node->point->model) SetSurfaceOf(node->point->model, surface);
        } else {
            SetSurfaceOf(selectedLimb->GetRenderObject(0), surface);
        }
        return;
    }
    SetSurfaceOf(renderObject, surface);
    if (toLimbs != 1) return;
    for (std::uint32_t i = 0; i < limbloc::Count; ++i) {
        Limb* limb = GetLimbByIndex(i);
        if (!limb) break;
        if (limb->kind != Limb::kModel) {
            SetSurfaceOf(limb->GetRenderObject(0), surface);
            continue;
        }
        for (std::uint32_t p = 0; p < limb->ControlPointCount(); ++p) SetSurfaceOf(limb->GetRenderObject(p), surface);
    }
}
