#include "console/CharacterCommands.h"

#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "characters/Limb.h"
#include "characters/NPC.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
constexpr std::uint32_t kLimbLocations = 5;

const char* Word(CommandArgs words, std::size_t index) { return index < words.size() ? words[index] : nullptr; }
// The callers have refused words that are no numbers; a missing one is 0.
float Float(CommandArgs words, std::size_t index) { return ParseFloat(Word(words, index)).value_or(0.0f); }
}  // namespace

SurfaceData SurfaceFromWords(CommandArgs words) {
    const float diffuse[4] = {Float(words, 0), Float(words, 1), Float(words, 2), 1.0f};
    const float specular[4] = {Float(words, 3), Float(words, 4), Float(words, 5), 1.0f};
    return SurfaceData(diffuse, specular, static_cast<std::uint32_t>(ParseInt(Word(words, 6)).value_or(0)),
                       Float(words, 7), Float(words, 8), Float(words, 9));
}

bool SetCharacterMaterial(NPC& character, std::uint32_t kind, std::uint32_t properties, bool modelLimbs) {
    ObjectMesh* body = character.BodyObject();
    if (!body) return false;
    auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene));
    body->SetMaterial(scene, kind, properties);
    if (!modelLimbs) return true;
    for (std::uint32_t location = 0; location < kLimbLocations; ++location) {
        Limb* limb = character.GetLimb(location);
        if (!limb || limb->kind != Limb::kModel) continue;
        for (std::uint32_t point = 0; point < limb->ControlPointCount(); ++point)
            if (Object* model = limb->GetRenderObject(point)) model->SetMaterial(scene, kind, properties);
    }
    return true;
}

bool SetSilhouetteWidth(NPC& character, float width) {
    ObjectMesh* body = character.BodyObject();
    if (!body) return false;
    body->customData[0] = width;
    // An infinite inverse would reach the shader as NaN edges.
    body->customData[1] = width != 0.0f ? 1.0f / width : 0.0f;
    return true;
}
