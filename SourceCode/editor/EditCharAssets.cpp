// The editable character's files and looks: loading and saving it, cycling
// through the asset folders, surfaces.
#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

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
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"

namespace {

std::filesystem::path AssetFolder(const char* relative) {
    return std::filesystem::path(AssetRoot()) / "Assets" / relative;
}

constexpr char kFirstPupil[] = "Eyes/pupilRound.tga";
constexpr std::uint32_t kFaceMaterial = 22;

std::string CharacterPath(const char* name) { return AssetRoot() + "/Assets/Characters/" + name + ".x"; }

void SetSurfaceOf(Object* object, const SurfaceData& surface) {
    if (SurfaceData* target = SurfaceOf(object)) *target = surface;
}

// The line that tells a surface file the editor wrote from a shipped one.
constexpr char kEditorsSurfaceMark[] = "// Written by the character editor with the character.";

// The shortest text that reads back as the same float.
std::string FloatText(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    std::string number(text, written.ptr);
    // A whole number still reads as a real.
    if (number.find_first_of(".e") == std::string::npos) number += ".0";
    return number;
}

// A surface file of one surface and no sounds: what a character saved under
// a new name reads back as its body's surface.
std::string SurfaceFileText(const SurfaceData& s) {
    std::string surface = " 1;\n  ";
    for (const float* colour : {s.diff, s.spec}) {
        for (int i = 0; i < 4; ++i) surface += FloatText(colour[i]) + (i < 3 ? "; " : ";; ");
    }
    surface += std::to_string(s.pow) + "; " + FloatText(s.m) + "; " + FloatText(s.n) + "; " + FloatText(s.str) +
               ";;\n";
    return std::string("xof 0303txt 0032\n\n"
                       "template SurfaceData {\n <D6AC416B-CCBD-44FB-957F-61C7669C5C84>\n array FLOAT diff[4];\n"
                       " array FLOAT spec[4];\n DWORD pow;\n FLOAT m;\n FLOAT n;\n FLOAT str;\n}\n\n"
                       "template RandomSurfaceData {\n <FCEADA21-F9E4-42E7-9F9C-FD63D85AF85C>\n"
                       " DWORD numSurfaces;\n array SurfaceData surface[numSurfaces];\n}\n\n") +
           kEditorsSurfaceMark + "\nRandomSurfaceData {\n" + surface + "}\n";
}

// The shipped surface files (several variants, sounds) are never replaced;
// a new name gets one with the body's surface, which later saves replace.
// The text to write to path ("" when the file there is not the editor's);
// false, with the reason in the error stream, when the file there cannot be
// read (so whether it may be replaced is unknown) or the surface could not
// be read back.
bool SurfaceFileToWrite(const std::filesystem::path& path, const SurfaceData& surface, std::string& text) {
    text.clear();
    std::string existing, why;
    const plat::FileLook look = plat::LookForFile(path.string(), &why);
    if (look != plat::FileLook::Missing) {
        if (look == plat::FileLook::Unreadable ||
            !plat::ReadWholeFile(path.string(), existing, plat::FileKind::XFile, &why)) {
            plat::LogError("Error: " + why + "; the character is not saved");
            return false;
        }
        if (existing.find(kEditorsSurfaceMark) == std::string::npos) return true;
    }
    if (!surface.IsFinite()) {
        plat::LogError("Error: " + path.string() + ": the body's surface is not finite; the character is not saved");
        return false;
    }
    text = SurfaceFileText(surface);
    return true;
}

// The object takes the next model of "Models/<folder>/" that loads: a
// broken one (its line in err.txt names it) is passed over, so that an
// author's bad file does not end the session.
void NextReadableModel(AssetListing& listing, const std::string& folder, ObjectMesh& object) {
    const std::filesystem::path path = AssetFolder("Models") / folder;
    const std::size_t count = AssetListing::List(path, ".x").size();
    for (std::size_t tried = 0; tried < count; ++tried) {
        const auto file = listing.Next(path);
        if (!file || object.ChangeMeshIfReadable((folder + "/" + *file).c_str())) return;
    }
}

}  // namespace

bool EditChar::LoadCharacter(const char* characterName) {
    if (!IsSafeName(characterName)) return false;
    std::string characterString = characterName;
    CharacterFile file(this);
    plat::XDocument document;
    // A name that fails, or a file with a fault, leaves the character and its
    // animations as they are; the animations a load replaces are kept first.
    const std::string path = CharacterPath(characterName);
    if (!file.Read(path, document, &characterString)) return false;
    // Applied, a file without one would leave a blank character.
    if (!CharacterFile::HoldsCharacter(document)) {
        plat::LogError("Error: " + path +
                       ": holds no character (no Character object); the character being edited is kept");
        return false;
    }
    if (!KeepAnimationsInTempy()) return false;
    const D3DXVECTOR3 place = GetRenderPosition();
    // The editor lets go of a node before the node goes.
    if (auto* editor = static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor))) editor->DeselectObject();
    DeleteNodes(nullptr);
    Shutdown();
    Init();
    const bool loaded = file.Apply(document, &characterString);
    SetRenderPosition(&place);
    // The file's last limb is not a choice the user made.
    selectedLimb = nullptr;
    // A model point's width is its model's scale, which the file sets after
    // the point is made.
    for (EditNode* node : nodes)
        if (node->limb && node->limb->kind == Limb::kModel && node->point && node->point->model)
            node->SetWidth(node->point->model->GetScale().x);
    PlaceNodes();
    return loaded;
}

bool EditChar::SaveCharacter(const char* characterName) {
    if (animationMode || !AnimationSaveNameProblem(characterName).empty() || !BodyObject()) return false;
    std::string characterString = characterName;
    const std::string characterPath = CharacterPath(characterName);
    CharacterFile file(this);
    std::string characterText, surfaceText;
    if (!file.ComposeText(characterPath, &characterString, characterText)) return false;
    const std::filesystem::path surfacePath = AssetFolder("Surfaces") / (characterString + ".sur");
    if (!SurfaceFileToWrite(surfacePath, BodyObject()->surface, surfaceText)) return false;
    std::vector<plat::FileWrite> pair{{characterPath, characterText}};
    if (!surfaceText.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(surfacePath.parent_path(), ec);
        pair.push_back({surfacePath.string(), surfaceText});
    }
    // The character names its surface file: one without the other would
    // load with the default surface, so both are written or neither.
    std::string error;
    if (!plat::ReplaceFiles(pair, &error)) {
        plat::LogError("Error: " + error + "; the character is not saved");
        return false;
    }
    characterChanged = false;
    savedFiles = {"Assets/Characters/" + characterString + ".x"};
    if (!surfaceText.empty()) savedFiles.push_back("Assets/Surfaces/" + characterString + ".sur");
    return true;
}

void EditChar::NextEyes() {
    const auto file = eyesListing.Next(AssetFolder("Textures/Eyes"));
    if (!file) return;
    const std::string eye = "Eyes/" + *file;
    // A character without eyes yet gets the shipped characters' pupil and
    // face material with its first eyes; later ones keep what it has.
    const bool firstEyes = !face.eyes[0].object;
    const std::string pupil = firstEyes ? kFirstPupil : face.pupilTexture;
    const std::uint32_t material = firstEyes ? kFaceMaterial : face.eyeMaterialKind;
    const SurfaceData surface = face.eyeSurface;
    face.Init(eye.c_str(), pupil.c_str(), material, &surface);
    if (ObjectMesh* body = BodyObject()) face.bodyMatrix = body->WorldMatrix();
}

void EditChar::NextBody() {
    ObjectMesh* body = BodyObject();
    if (!body) return;
    NextReadableModel(bodyListing, "Body", *body);
}

void EditChar::NextLimbModel(EditNode* selectedNode) {
    if (!selectedLimb || selectedLimb->kind != Limb::kModel || !selectedNode) return;
    if (selectedNode->limb != selectedLimb || !selectedNode->point || !selectedNode->point->model) return;
    NextReadableModel(limbListing, "Limb", *selectedNode->point->model);
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
